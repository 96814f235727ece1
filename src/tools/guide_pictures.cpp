#include "tools/picture_tools.h"
#include "tools/guide_pictures.h"

#include "session/demo_database.h"
#include "model/import_table.h"
#include "model/master_data.h"
#include "session/startup.h"
#include "gridtools/grid_view.h"
#include "mainwin/check_window.h"
#include "mainwin/import_window.h"
#include "mainwin/main_window.h"
#include "mainwin/run_finish.h"
#include "mainwin/sheet_choice_dialog.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/db_error.h"
#include "platform/prompt.h"
#include "transcribe/check_run.h"
#include "transcribe/restore.h"
#include "transcribe/transcribe.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTextStream>

namespace tera {

namespace {

// A death register in the shape of examples/death-register.utf8.csv (names
// invented): line 4 has its date the wrong way round, line 5 no day, line 6
// an age in kanji.
const char kSource[] =
    "戒名,戒名ヨミカナ--(ｱｲｳの形式),俗名,没年月日（9999年99月99日）,没年(年号xx年xx月xx日),\"享年------(1,2,3の形式)\","
    "施主名,続柄,郵便番号(xxx-xxxx),住所,電話番号(xxx-xxx-xxxx),地区\r\n"
    "釋浄心,ｼｬｸｼﾞｮｳｼﾝ,髙橋　清一,2003年5月17日,,85歳,髙橋　一郎,父,113-0033,東京都文京区本郷三丁目4番2号,03-3812-4471,本郷\r\n"
    "釋尼妙華,ｼｬｸﾆﾐｮｳｹ,髙橋　トメ,,平成元年12月3日,92才,髙橋　一郎,祖母,113-0033,東京都文京区本郷三丁目4番2号,03-3812-4471,本郷\r\n"
    "釋浄光,ｼｬｸｼﾞｮｳｺｳ,佐藤　武,,昭和六十四年一月七日, 64,佐藤　正雄,父,107-0062,東京都港区南青山二丁目8番1号,03-3401-7786,青山\r\n"
    "釋誠道,ｼｬｸｾｲﾄﾞｳ,鈴木　茂,12月2019年24日,,67歳,鈴木　美智子,夫,190-0012,東京都立川市曙町一丁目21番3号,042-522-6613,立川\r\n"
    "釋尼蓮華,ｼｬｸﾆﾚﾝｹﾞ,渡邉　ふみ,2012年3月,,90歳,渡邉　浩二,祖母,336-0022,埼玉県さいたま市南区白幡五丁目1番3号,048-862-1180,白幡\r\n"
    "釋勇心,ｼｬｸﾕｳｼﾝ,田中　勇,,令和元年6月1日,八十四,田中　幸子,夫,181-0013,東京都三鷹市下連雀四丁目16番7号,0422-48-1152,三鷹\r\n";

bool saveMessage(const QString &text, QMessageBox::Icon icon, bool yesNo, const QString &dir, const QString &name,
                 QTextStream &out, QTextStream &err)
{
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setIcon(icon);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setStandardButtons(yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    if (auto *b = box.button(QMessageBox::Yes))
        b->setText(QStringLiteral("はい(&Y)"));
    if (auto *b = box.button(QMessageBox::No))
        b->setText(QStringLiteral("いいえ(&N)"));
    box.show();
    const bool ok = SavePicture(&box, dir, name, out, err);
    box.hide();
    return ok;
}

} // namespace

QStringList GuidePictureNames()
{
    return {QStringLiteral("auto-link.png"), QStringLiteral("check-window.png"), QStringLiteral("run-report-offer.png"),
            QStringLiteral("restore-question.png"), QStringLiteral("sheet-choice.png")};
}

namespace {

// The demo database with its master data read, an empty kako.rnd from
// before (so that the run backs up both files) and the source file.
bool prepareGuideFiles(const QDir &work, AppState &state, Prompt &prompt, QString &source, QTextStream &err)
{
    try {
        state.files.database = CreateDemoDatabase(work.filePath(QStringLiteral("demo")));
        DeriveSiblingPaths(state);
        std::unique_ptr<Database> db = Database::open(state.files.database);
        ReadMasterData(*db, state, prompt);
        db->close();
    } catch (const DbError &e) {
        err << e.description() << Qt::endl;
        return false;
    }
    QFile(state.files.kako).open(QIODevice::WriteOnly);
    source = work.filePath(QStringLiteral("過去帳.csv"));
    return WriteSampleFile(source, kSource, qint64(sizeof kSource - 1), err);
}

// The main window after 自動リンク.
void showAutoLinked(MainWindow &window, AppState &state, const QString &source)
{
    window.show();
    window.sourcePathEdit->setText(source);
    state.sourcePath = source;
    window.titleRowButtons[1]->click();
    window.outputKindButtons[2]->click();
    window.executionModeButtons[1]->click();
    window.ReadSourceFile(source, 3);
    window.autoLinkButton->click();
}

// The check's list beside the import window.
bool saveCheckWindow(ImportWindow *import, const QString &dir, const QString &name, QTextStream &out, QTextStream &err)
{
    import->openReport = [](const QString &) { return true; };
    import->checkButton->click();
    if (auto *check = import->findChild<CheckWindow *>()) {
        const bool ok = SavePicture(check, dir, name, out, err);
        check->close();
        return ok;
    }
    err << QStringLiteral("検証結果の画面が開きませんでした。") << Qt::endl;
    return false;
}

// The sheet choice of a workbook of several sheets, over the main window.
bool saveSheetChoice(MainWindow &window, const QString &dir, const QString &name, QTextStream &out, QTextStream &err)
{
    const QList<SheetInfo> sheets{{QStringLiteral("檀家名簿"), 214, 9, false},
                                  {QStringLiteral("過去帳"), 1268, 12, false},
                                  {QStringLiteral("集計"), 18, 6, false},
                                  {QStringLiteral("作業用"), 40, 3, true}};
    SheetChoiceDialog choice(QStringLiteral("寺院台帳.xlsx"), sheets, 1, &window);
    choice.show();
    const bool ok = SavePicture(&choice, dir, name, out, err);
    choice.hide();
    return ok;
}

} // namespace

int RenderGuidePictures(const QString &dir, QTextStream &out, QTextStream &err)
{
    // A fixed folder, so that the paths shown stay the same between runs.
    QDir work(QDir::temp().filePath(QStringLiteral("tera-import-guide")));
    if (!PreparePictureFolders(dir, work, err))
        return 1;
    RemovedOnExit cleanup{work};

    AppState state;
    QuietPrompt prompt(Answer::No);
    FixedClock clock(QDate(2024, 5, 10));
    QString source;
    if (!prepareGuideFiles(work, state, prompt, source, err))
        return 1;
    const QStringList names = GuidePictureNames();
    bool ok = true;

    MainWindow window(state, prompt, clock);
    showAutoLinked(window, state, source);
    ok &= SavePicture(&window, dir, names.at(0), out, err);

    window.runButton->click();
    ImportWindow *import = window.importWindow();
    if (!import) {
        err << QStringLiteral("インポート画面が開きませんでした。") << Qt::endl;
        return 1;
    }
    ok &= saveCheckWindow(import, dir, names.at(1), out, err);

    // The closing note of a run, with the report's path. The rows that stop
    // the run are taken out first, as a user would correct them.
    import->grid().setTextMatrix(4, 1, QStringLiteral("2019年12月24日"));
    const QDateTime started = QDateTime::currentDateTime();
    ImportSession &session = window.session();
    const TranscribeReport report = session.run(ImportTable(import->grid()), prompt, clock, nullptr, TranscribeOptions());
    const QString reportPath = FinishRunInWindow(prompt, report, session, started, {});
    ok &= saveMessage(RunReportOfferText(report, reportPath), QMessageBox::Information, true, dir, names.at(2), out, err);

    // The restore's question, naming the backups of that run.
    ok &= saveMessage(RestoreQuestion(PlanRestore(state.files)), QMessageBox::Warning, true, dir, names.at(3), out, err);
    import->hide();

    ok &= saveSheetChoice(window, dir, names.at(4), out, err);
    return ok ? 0 : 1;
}

} // namespace tera
