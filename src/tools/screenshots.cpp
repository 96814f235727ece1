#include "tools/picture_tools.h"
#include "tools/screenshots.h"

#include "session/demo_database.h"
#include "session/startup.h"
#include "mainwin/file_kind_dialog.h"
#include "mainwin/import_window.h"
#include "mainwin/location_dialog.h"
#include "mainwin/main_window.h"
#include "mainwin/progress_window.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/db_error.h"
#include "platform/prompt.h"
#include "transcribe/replace_deletions.h"
#include "transcribe/transcribe.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTextStream>
#include <QWidget>

namespace tera {

namespace {

// A few lines in the shape of examples/death-register.utf8.csv (all names
// invented).
const char kDemoSource[] =
    "戒名,戒名ヨミカナ--(ｱｲｳの形式),俗名,没年月日（9999年99月99日）,没年(年号xx年xx月xx日),\"享年------(1,2,3の形式)\","
    "施主名,続柄,郵便番号(xxx-xxxx),住所,電話番号(xxx-xxx-xxxx),地区\r\n"
    "釋浄心,ｼｬｸｼﾞｮｳｼﾝ,髙橋　清一,2003年5月17日,,85歳,髙橋　一郎,父,113-0033,東京都文京区本郷三丁目4番2号,03-3812-4471,本郷\r\n"
    "釋尼妙華,ｼｬｸﾆﾐｮｳｹ,髙橋　トメ,,平成元年12月3日,92才,髙橋　一郎,祖母,113-0033,東京都文京区本郷三丁目4番2号,03-3812-4471,本郷\r\n"
    "清風院釋正道居士,ｾｲﾌｳｲﾝｼｬｸｼｮｳﾄﾞｳｺｼﾞ,﨑山　正一,二〇〇三年五月十七日,,78,﨑山　花子,夫,223-0061,"
    "神奈川県横浜市港北区日吉七丁目12番5号,045-561-2290,日吉\r\n"
    "釋浄光,ｼｬｸｼﾞｮｳｺｳ,佐藤　武,,昭和六十四年一月七日, 64,佐藤　正雄,父,107-0062,東京都港区南青山二丁目8番1号,03-3401-7786,青山\r\n"
    "釋誠道,ｼｬｸｾｲﾄﾞｳ,鈴木　茂,２０１９年１２月２４日,,67歳,鈴木　美智子,夫,190-0012,東京都立川市曙町一丁目21番3号,042-522-6613,立川\r\n"
    "釋勇心,ｼｬｸﾕｳｼﾝ,田中　勇,,令和元年6月1日,84歳,田中　幸子,夫,181-0013,東京都三鷹市下連雀四丁目16番7号,0422-48-1152,三鷹\r\n";

// Links each source title to the list line of the same label.
void linkSameNames(MainWindow &w, const QStringList &titles)
{
    for (const QString &title : titles) {
        const auto all = w.sourceItems->findItems(title, Qt::MatchExactly);
        const auto targets = w.targetItems->findItems(title, Qt::MatchExactly);
        if (all.isEmpty() || targets.isEmpty())
            continue;
        w.sourceItems->setCurrentItem(all.first());
        w.targetItems->setCurrentItem(targets.first());
        w.linkButton->click();
    }
}

} // namespace

QStringList WindowPictureNames()
{
    return {QStringLiteral("location-dialog.png"), QStringLiteral("main-window.png"),
            QStringLiteral("file-kind-dialog.png"), QStringLiteral("import-window.png"),
            QStringLiteral("replace-question.png"), QStringLiteral("progress-window.png"),
            QStringLiteral("run-summary.png")};
}

QString PictureScreenPlatform(const QString &dir)
{
    // The offscreen platform's screen is 800×600 unless told otherwise.
    const QString path = QDir(dir).filePath(QStringLiteral("screen.json"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)
        || f.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,)"
                   R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
               < 0)
        return QStringLiteral("offscreen");
    return QStringLiteral("offscreen:configfile=") + path;
}

namespace {

// The main window with the demo file read and its columns linked by name.
void showDemoLinks(MainWindow &window, AppState &state, const QString &source)
{
    window.show();
    window.sourcePathEdit->setText(source);
    state.sourcePath = source;
    window.titleRowButtons[1]->click();
    window.outputKindButtons[2]->click();
    window.ReadSourceFile(source, 3);
    linkSameNames(window, {QStringLiteral("戒名"), QStringLiteral("俗名"), QStringLiteral("没年月日（9999年99月99日）"),
                           QStringLiteral("没年(年号xx年xx月xx日)"), QStringLiteral("享年------(1,2,3の形式)"),
                           QStringLiteral("施主名")});
    window.sourceItems->setCurrentRow(0);
    window.targetItems->setCurrentRow(10);
}

bool saveLocationDialog(AppState &state, Prompt &prompt, const QString &dir, const QString &name, QTextStream &out,
                        QTextStream &err)
{
    DatabaseLocationForm location(state, prompt);
    location.pathEdit->setText(QStringLiteral("C:\\Program Files\\カリンデ\\tera.mdb"));
    location.show();
    return SavePicture(&location, dir, name, out, err);
}

// The replace question as a run asks it: the demo rows written once (the
// quiet prompt answers はい), then counted for a second run.
bool saveReplaceQuestion(const AppState &state, const QString &dir, const QString &name, QTextStream &out,
                         QTextStream &err)
{
    bool ok = true;
    QString question = TranscribeText::replaceQuestion();
    try {
        std::unique_ptr<Database> db = Database::open(state.files.database);
        const QStringList backups{QFileInfo(state.files.databaseBackup).fileName(),
                                  QFileInfo(state.files.kakoBackup).fileName()};
        question = ReplaceQuestionText(question, CountReplaceDeletions(*db, kOutDeathRegister, state.files.kako), backups);
        db->close();
    } catch (const DbError &e) {
        err << e.description() << Qt::endl;
        ok = false;
    }
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setIcon(QMessageBox::Warning);
    box.setText(question.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
    box.setDefaultButton(QMessageBox::No);
    box.show();
    ok &= SavePicture(&box, dir, name, out, err);
    return ok;
}

// A run part-way through: 500 of 1,200 rows after 20 seconds.
bool saveProgressWindow(const QString &dir, const QString &name, QTextStream &out, QTextStream &err)
{
    ProgressWindow gage;
    qint64 now = 0;
    gage.elapsedMs = [&now] { return now; };
    gage.repaintIntervalMs = 0;
    gage.progress(0, 1200, TranscribeText::kProgress);
    now = 20000;
    gage.progress(501, 1200, TranscribeText::rowProgress(501));
    gage.setWindowModality(Qt::NonModal);
    const bool ok = SavePicture(&gage, dir, name, out, err);
    gage.hide();
    return ok;
}

bool saveRunSummary(const QString &dir, const QString &name, QTextStream &out, QTextStream &err)
{
    TranscribeReport report;
    report.rowsRead = 6;
    report.rowsWritten = 5;
    report.skipped << RowNote{4, QStringLiteral("戒名が空です")};
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setIcon(QMessageBox::Information);
    box.setText(RunSummaryText(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setStandardButtons(QMessageBox::Ok);
    box.show();
    return SavePicture(&box, dir, name, out, err);
}

} // namespace

int RenderWindowPictures(const QString &dir, QTextStream &out, QTextStream &err)
{
    QDir work(QDir::temp().filePath(QStringLiteral("tera-import-pictures")));
    if (!PreparePictureFolders(dir, work, err))
        return 1;
    RemovedOnExit cleanup{work};
    AppState state;
    try {
        state.files.database = CreateDemoDatabase(work.filePath(QStringLiteral("demo")));
    } catch (const DbError &e) {
        err << e.description() << Qt::endl;
        return 1;
    }
    DeriveSiblingPaths(state);
    const QString source = work.filePath(QStringLiteral("過去帳.csv"));
    if (!WriteSampleFile(source, kDemoSource, qint64(sizeof kDemoSource - 1), err))
        return 1;

    QuietPrompt prompt(Answer::Yes);
    SystemClock clock;
    bool ok = true;
    const QStringList names = WindowPictureNames();
    ok &= saveLocationDialog(state, prompt, dir, names.at(0), out, err);

    MainWindow window(state, prompt, clock);
    showDemoLinks(window, state, source);
    ok &= SavePicture(&window, dir, names.at(1), out, err);

    FileKindDialog &kinds = window.fileKindDialog();
    kinds.enableForFileName(source);
    kinds.kindButtons[3]->click();
    kinds.show();
    ok &= SavePicture(&kinds, dir, names.at(2), out, err);
    kinds.hide();

    window.runButton->click();
    ImportWindow *import = window.importWindow();
    if (import) {
        ok &= SavePicture(import, dir, names.at(3), out, err);
        import->openReport = [](const QString &) { return true; };
        import->runButton->click();
    } else {
        err << QStringLiteral("インポート画面が開きませんでした。") << Qt::endl;
        ok = false;
    }
    ok &= saveReplaceQuestion(state, dir, names.at(4), out, err);
    ok &= saveProgressWindow(dir, names.at(5), out, err);
    ok &= saveRunSummary(dir, names.at(6), out, err);
    return ok ? 0 : 1;
}

} // namespace tera
