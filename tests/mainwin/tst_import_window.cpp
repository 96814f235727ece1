// The import window: its output kind fixed and its mode shared with the
// main window, and 実行 through the transcription into the database, with the progress
// window's キャンセル and the closing summary.
#include "mainwin/check_window.h"
#include "mainwin/progress_window.h"
#include "transcribe/import_table_fill.h"
#include "transcribe/transcribe.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QProgressBar>
#include <QRadioButton>

using namespace tera;

namespace {

const QByteArray kThreeByFour = "戒名,俗名,没年月日,施主名\r\n釋浄心,髙橋　清一,2003年5月17日,髙橋　一郎\r\n"
                                "釋妙華,髙橋　トメ,2001年3月2日,髙橋　一郎\r\n";

} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;



private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void outKindFixedAndModeShared()
    {
        ImportWindow *d = f->readDeaths(QStringLiteral("過去帳.csv"), kThreeByFour, kModeReplace);
        QVERIFY(d);
        QCOMPARE(f->state.outputKind, qint16(2));
        for (QRadioButton *b : d->outputKindButtons)
            QVERIFY(!b->isEnabled());
        QVERIFY(d->outputKindButtons[2]->isChecked());
        QVERIFY(d->executionModeButtons[kModeReplace]->isChecked());

        d->executionModeButtons[1]->click();
        QCOMPARE(f->state.executionMode, qint16(1));
        QVERIFY(f->w->executionModeButtons[1]->isChecked());
        f->w->executionModeButtons[0]->click();
        QCOMPARE(f->state.executionMode, qint16(0));
        QVERIFY(d->executionModeButtons[0]->isChecked());

        const qint64 before = f->count(QStringLiteral("W_KAKO"));
        f->w->outputKindButtons[1]->click();
        d->runButton->click();
        d->checkButton->click();
        const QString refused = ImportWindow::kindChangedText(2, 1);
        // The main window says that its links went with the kind change.
        QCOMPARE(f->prompt.texts().size(), 3);
        QVERIFY(f->prompt.texts().first().startsWith(QStringLiteral("書き出しデータの区分を変えたため")));
        QCOMPARE(f->prompt.texts().mid(1), (QStringList{refused, refused}));
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), before);
        QCOMPARE(f->count(QStringLiteral("D_SETAI")), 0);
    }

    // キャンセル stops after the row being written: rows 1 and 2 are in,
    // row 3 is not, and the summary says so.
    void cancelAfterCurrentRow()
    {
        ImportWindow *d = f->readIntoImport(2, kModeAppend, example("death-register.utf8.csv"));
        QVERIFY(d);
        QList<int> painted;
        bool gageShown = false;
        connect(d, &ImportWindow::progressWindowOpened, this, [&](ProgressWindow *gage) {
            gage->repaintIntervalMs = 0;
            connect(gage, &ProgressWindow::repainted, gage, [&, gage](int value) {
                painted << value;
                gageShown = gage->isVisible();
                if (value == 2)
                    gage->cancelButton->click();
            });
        });
        d->runButton->click();
        QVERIFY(gageShown);
        QCOMPARE(painted, (QList<int>{0, 1, 2}));
        const TranscribeReport &r = d->lastReport();
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Cancelled);
        QCOMPARE(r.rowsRead, 2);
        QCOMPARE(r.rowsWritten, 2);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 2);
        QCOMPARE(QFileInfo(f->state.files.kako).size(), qint64(2 * 780));
        // The summary, then the run report's path and the offer to open it.
        QVERIFY(f->prompt.texts().last().startsWith(
            QStringLiteral("転記をキャンセルしました。2 行目まで処理しました。\r\n書き込み 2 行、スキップ 0 行\r\n\r\n転記レポート: ")));
        QVERIFY(d->isVisible()); // the table stays for another go
    }

    // The same death register appended twice: 検証 lists every row, and 実行
    // asks before writing anything: キャンセル writes nothing, いいえ writes
    // them all the same, はい (the default) leaves them out and is kept for
    // the next run, in this window and the next.
    void duplicatesAskedBeforeWriting()
    {
        ImportWindow *d = f->readIntoImport(2, kModeAppend, example("death-register.utf8.csv"));
        QVERIFY(d);
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 12);
        QVERIFY(d->lastReport().duplicates.isEmpty());
        QVERIFY(!d->skipDuplicatesBox->isChecked());
        const auto kakoBytes = [this] { return readAll(f->state.files.kako); };
        const QByteArray once = kakoBytes();
        QCOMPARE(once.size(), 12 * 780);

        d->checkButton->click();
        auto *check = d->findChild<CheckWindow *>();
        QVERIFY(check);
        QCOMPARE(check->report().count(CheckKind::Duplicate), 12);

        f->prompt.clear();
        f->prompt.script({Answer::Cancel});
        d->runButton->click();
        QCOMPARE(f->prompt.shown().first().buttons, Buttons::YesNoCancel);
        QVERIFY2(f->prompt.texts().first().contains(QStringLiteral("12 行")), qPrintable(f->prompt.texts().first()));
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 12);
        QCOMPARE(kakoBytes(), once);

        f->prompt.script({Answer::No});
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 12);
        QCOMPARE(d->lastReport().duplicates.size(), 12);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 24);
        QCOMPARE(kakoBytes().size(), 24 * 780);
        QVERIFY(!d->skipDuplicatesBox->isChecked());

        f->prompt.script({Answer::Yes});
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 0);
        QCOMPARE(d->lastReport().skipped.size(), 12);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 24);
        QVERIFY(d->skipDuplicatesBox->isChecked());
        // Nothing the windows said points the clerk to the command line.
        for (const QString &text : f->prompt.texts())
            QVERIFY2(!text.contains(QStringLiteral("--")), qPrintable(text));

        // A new import window keeps the choice: no question, nothing written.
        d->closeWithoutAsking();
        QVERIFY(d->close());
        QTRY_VERIFY(!f->w->importWindow());
        f->w->runButton->click();
        d = f->withReportViewer(f->w->importWindow());
        QVERIFY(d);
        QVERIFY(d->skipDuplicatesBox->isChecked());
        f->prompt.clear();
        d->runButton->click();
        QCOMPARE(d->lastReport().skipped.size(), 12);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 24);
        QVERIFY(!f->prompt.texts().first().contains(QStringLiteral("同じ内容の可能性")));
    }

    // A member procedure that ends the program: the run stops and the
    // program is ended, not left with a half-done window.
    void endProgramFromTheRun()
    {
        {
            auto db = f->t.openAgain();
            // D_KOJIN still reads (the run's checks before writing pass),
            // but refuses every new member.
            db->exec(QStringLiteral("CREATE TRIGGER [refuse] BEFORE INSERT ON [D_KOJIN] BEGIN SELECT RAISE(ABORT, 'refused'); END"))
                .finish();
        }
        ImportWindow *d = f->readIntoImport(0, kModeAppend, example("members.utf8.csv"));
        QVERIFY(d);
        int ended = -1;
        d->endProgram = [&ended](int code) { ended = code; };
        d->runButton->click();
        QVERIFY(ended >= 0);
        QCOMPARE(d->lastReport().outcome, TranscribeReport::Outcome::Ended);
        QVERIFY(!f->prompt.texts().isEmpty());
        QCOMPARE(f->prompt.shown().last().icon, Icon::Critical);
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_import_window.moc"
