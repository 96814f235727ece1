// 検証 in the import window, the run report's offer after 実行 (a failed
// run's and one without a program to show it), and the main window's
// restore.
#include "mainwin/check_window.h"
#include "mainwin/run_finish.h"
#include "transcribe/restore.h"
#include "window_fixture.h"

#include <QAction>
#include <QLabel>

using namespace tera;

class TestCheckWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    // The death-register example, optionally with data line 9's date
    // written the wrong way round, in the import window (append mode).
    ImportWindow *openImport(bool broken)
    {
        QByteArray bytes = readAll(example("death-register.utf8.csv"));
        if (broken)
            bytes.replace("1998年8月15日", "8月1998年15日");
        ImportWindow *d = f->readIntoImport(2, kModeAppend, f->writeFile(QStringLiteral("death.csv"), bytes));
        if (d)
            d->openReport = [this](const QString &path) {
                opened << path;
                return openable;
            };
        return d;
    }

    QStringList opened;
    bool openable = true; // whether the desktop has a program for the report

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        opened.clear();
        openable = true;
    }
    void cleanup() { f.reset(); }

    // The list names the row that would stop the run; a double-click brings
    // the table there; nothing is written; 実行 then names that row and
    // writes nothing.
    void checkThenRun()
    {
        ImportWindow *d = openImport(true);
        QVERIFY(d);
        const QStringList before = QDir(f->t.dir()).entryList(QDir::Files);
        const QByteArray dbBefore = readAll(f->state.files.database);
        d->checkButton->click();
        auto *check = d->findChild<CheckWindow *>();
        QVERIFY(check);
        QVERIFY(check->isVisible());
        QCOMPARE(check->report().firstStopRow(), 9);
        QVERIFY(check->summaryLabel->text().contains(QStringLiteral("最初は 9 行目")));
        QCOMPARE(check->grid().Rows(), int(check->report().findings.size()) + 1);
        QCOMPARE(QDir(f->t.dir()).entryList(QDir::Files), before);
        QCOMPARE(readAll(f->state.files.database), dbBefore);
        QVERIFY(f->prompt.texts().isEmpty());

        int stopLine = -1;
        for (int r = 1; r < check->grid().Rows(); ++r)
            if (check->grid().TextMatrix(r, 2) == QStringLiteral("中止"))
                stopLine = r;
        QVERIFY(stopLine > 0);
        QCOMPARE(check->grid().TextMatrix(stopLine, 0), QStringLiteral("9"));
        QCOMPARE(check->grid().TextMatrix(stopLine, 1), QStringLiteral("1 没年月日"));
        d->grid().setRow(2);
        check->onFindingDoubleClicked(stopLine);
        QCOMPARE(d->grid().Row(), 9);
        QCOMPARE(d->grid().Col(), 1);

        const QString csv = f->files.filePath(QStringLiteral("検証結果.csv"));
        check->saveFileDialog = [&](const QString &, const QString &) { return csv; };
        check->saveButton->click();
        GridModel saved;
        QVERIFY(saved.LoadGrid(csv, GridFileKind::Csv).ok);
        QCOMPARE(saved.Rows(), check->grid().Rows());
        QCOMPARE(saved.TextMatrix(stopLine, 3), check->grid().TextMatrix(stopLine, 3));

        // A second 検証 replaces the list rather than adding another.
        d->checkButton->click();
        QCOMPARE(d->findChildren<CheckWindow *>().size(), 1);
        check = d->findChild<CheckWindow *>();
        QCOMPARE(check->report().firstStopRow(), 9);

        // 実行: refused for row 9 before anything is written; the run
        // report is offered after the failure's own message, and Yes opens it.
        d->runButton->click();
        QCOMPARE(d->lastReport().failureRow, 9);
        QCOMPARE(d->lastReport().rowsWritten, 0);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 0);
        const QString offer = f->prompt.texts().last();
        QVERIFY2(offer.startsWith(QStringLiteral("転記の経過を転記レポートに書きました。")), qPrintable(offer));
        QVERIFY2(offer.contains(QStringLiteral("レポートを開きますか？")), qPrintable(offer));
        QCOMPARE(f->prompt.shown().last().buttons, Buttons::YesNo);
        QCOMPARE(opened.size(), 1);
        QVERIFY(offer.contains(QDir::toNativeSeparators(opened.first())));
        QCOMPARE(QFileInfo(opened.first()).absolutePath(), QFileInfo(f->state.files.database).absolutePath());
        QVERIFY(QString::fromUtf8(readAll(opened.first())).contains(QStringLiteral("9 行目（1 列目）")));
        QVERIFY(!QFile::exists(f->state.files.databaseBackup));
    }

    // A run that goes through, with Yes to the offer on a desktop without a
    // program for text files: the user is told where the report is instead
    // of nothing happening. データベース > バックアップから元に戻す then
    // makes the database the backup again, byte for byte.
    void reportWithoutAViewerThenRestore()
    {
        ImportWindow *d = openImport(false);
        QVERIFY(d);
        openable = false;
        f->prompt.script({Answer::Yes});
        d->runButton->click();
        QCOMPARE(d->lastReport().outcome, TranscribeReport::Outcome::Completed);
        QCOMPARE(opened.size(), 1);
        const QString said = f->prompt.texts().last();
        QVERIFY2(said.contains(QStringLiteral("開けませんでした")), qPrintable(said));
        QVERIFY2(said.contains(QDir::toNativeSeparators(opened.first())), qPrintable(said));
        QCOMPARE(QDir(f->t.dir()).entryList({QStringLiteral("import-report-*.txt")}),
                 QStringList{QFileInfo(opened.first()).fileName()});
        QVERIFY(f->count(QStringLiteral("W_KAKO")) > 0);

        const QByteArray backup = readAll(f->state.files.databaseBackup);
        f->prompt.clear();
        f->prompt.script({Answer::Yes});
        f->w->restoreAction->trigger();
        QVERIFY(f->prompt.texts().first().contains(QStringLiteral("元に戻しますか？")));
        QCOMPARE(readAll(f->state.files.database), backup);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 0);
        QVERIFY(!QFile::exists(f->state.files.kako));
    }
};

QTEST_MAIN(TestCheckWindow)
#include "tst_check_window.moc"
