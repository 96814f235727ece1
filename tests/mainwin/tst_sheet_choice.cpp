// Workbooks in the windows: the file-kind dialog offers the workbook kind
// for a workbook's name, a workbook of several sheets asks which one, the
// title names the sheet, and a death register read from an .xlsx goes all
// the way into the database and kako.rnd.
#include "gridtools/grid_commands.h"
#include "mainwin/sheet_choice_dialog.h"
#include "program_run.h"
#include "window_fixture.h"

#include <QApplication>
#include <QListWidget>

using namespace tera;

namespace {

// What the sheet dialog showed while it was up.
struct SheetSeen {
    QStringList lines;
    int current = -1;
};

// Answers the sheet dialog when it comes up: picks row (unless -1), then
// ＯＫ or ｷｬﾝｾﾙ. The dialog opens only after the file-kind dialog closes, so
// the answer waits for it.
void answerSheet(int row, bool ok, SheetSeen *seen)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        auto *d = qobject_cast<SheetChoiceDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        timer->stop();
        timer->deleteLater();
        for (int i = 0; i < d->sheetList->count(); ++i)
            seen->lines << d->sheetList->item(i)->text();
        seen->current = d->sheetList->currentRow();
        if (row >= 0)
            d->sheetList->setCurrentRow(row);
        (ok ? d->okButton : d->cancelButton)->click();
    });
    timer->start();
}

} // namespace

class TestSheetChoice : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> f;

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void chooseSheet_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("firstCell");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("the sheet it opens on") << -1 << true << " - formats.xlsx [書式]" << "項目" << QStringList();
        QTest::newRow("another sheet, with hidden rows")
            << 0 << true << " - formats.xlsx [名簿]" << "番号"
            << QStringList{"シート「名簿」の非表示の行 1 行と非表示の列 1 列も読み込みました。"};
        QTest::newRow("cancelled") << 0 << false << "" << "" << QStringList{"ｷｬﾝｾﾙしました。"};
    }

    void chooseSheet()
    {
        QFETCH(int, row);
        QFETCH(bool, ok);
        QFETCH(QString, title);
        QFETCH(QString, firstCell);
        QFETCH(QStringList, said);
        const QString before = f->w->windowTitle();
        SheetSeen seen;
        answerSheet(row, ok, &seen);
        const FileKindSeen kinds = f->pickSource(workbook("formats.xlsx"));
        // Only the workbook kind fits the name, and it is the one chosen.
        QVERIFY(kinds.shown);
        QCOMPARE(f->w->fileKindDialog().kindButtons[5]->isEnabled(), true);
        for (int i = 0; i < 5; ++i)
            QVERIFY(!f->w->fileKindDialog().kindButtons[i]->isEnabled());
        QCOMPARE(f->w->fileKindDialog().fileKind(), qint16(GridFileKind::Workbook));
        QCOMPARE(seen.lines, (QStringList{"名簿（5 行 × 5 列）", "書式（24 行 × 2 列）　開くシート"}));
        QCOMPARE(seen.current, 1);
        QCOMPARE(f->prompt.texts(), said);
        QCOMPARE(f->w->preview().TextMatrix(0, 0), firstCell);
        QCOMPARE(f->w->windowTitle(), title.isEmpty() ? before : QCoreApplication::applicationName() + title);
    }

    // 開く in the import window asks for the sheet of a workbook of several
    // as the source file does; ｷｬﾝｾﾙ leaves the table as it was.
    void importTableOpenAsksForSheet_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("firstCell");
        QTest::newRow("another sheet") << 0 << true << "番号";
        QTest::newRow("cancelled") << 0 << false << "";
    }
    void importTableOpenAsksForSheet()
    {
        QFETCH(int, row);
        QFETCH(bool, ok);
        QFETCH(QString, firstCell);
        GridFixture g;
        const QString before = g.grid().TextMatrix(0, 0);
        g.openPick = workbook("formats.xlsx");
        FileKindSeen kinds;
        answerFileKind(g.kinds(), 5, true, &kinds);
        SheetSeen seen;
        answerSheet(row, ok, &seen);
        g.w->menus.openAction->trigger();
        QVERIFY(kinds.shown);
        QCOMPARE(g.grid().TextMatrix(0, 0), ok ? firstCell : before);
        QCOMPARE(g.prompt.texts().contains(GridToolText::kCancelled), !ok);
    }

    // A death register kept in Excel, through both windows into the
    // database: the same entries and kako.rnd as the CSV the spreadsheet
    // program writes for the sheet.
    void deathRegisterFromXlsx()
    {
        ImportWindow *d = f->readIntoImport(2, kModeAppend, workbook("death-register.xlsx"));
        QVERIFY(d);
        QCOMPARE(f->w->windowTitle(), QCoreApplication::applicationName() + QStringLiteral(" - death-register.xlsx [過去帳]"));
        QCOMPARE(d->grid().Rows(), 13);
        d->runButton->click();
        QCOMPARE(d->lastReport().outcome, TranscribeReport::Outcome::Completed);
        QCOMPARE(d->lastReport().rowsWritten, 12);
        const QString entries = QStringLiteral("SELECT [戒名] || '|' || [俗名] || '|' || [bnen] || '/' || [btuki] || '/' || [bHi] || '|' "
                                               "|| [享年] AS v FROM [W_KAKO] ORDER BY [過去CD]");
        const QStringList fromXlsx = f->column(entries);
        const QByteArray kakoFromXlsx = readAll(f->state.files.kako);

        WindowFixture viaCsv;
        ImportWindow *c = viaCsv.readIntoImport(2, kModeAppend, workbook("death-register.csv"));
        QVERIFY(c);
        c->runButton->click();
        QCOMPARE(c->lastReport().rowsWritten, 12);
        QCOMPARE(fromXlsx, viaCsv.column(entries));
        QCOMPARE(kakoFromXlsx, readAll(viaCsv.state.files.kako));
        QCOMPARE(kakoFromXlsx.size(), 12 * 780);
    }
};

QTEST_MAIN(TestSheetChoice)
#include "tst_sheet_choice.moc"
