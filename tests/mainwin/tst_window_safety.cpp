// What the windows never write without a question, tried through the real
// widgets and read back from the database and kako.rnd: another file's rows,
// another database's master data, links read against another file's
// columns, columns moved under their items, a title line as a person, one
// column where the file has several, members written over as if new; and
// the same import through the windows and the command line.
#include "mainwin/check_window.h"
#include "../cli/database_dump.h"
#include "program_run.h"
#include "session/demo_database.h"
#include "transcribe/transcribe.h"
#include "window_fixture.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

using namespace tera;

namespace {

constexpr int kKaimyo = 10, kZokumei = 11, kDate = 1, kSeshu = 12; // death-register items (list lines)
constexpr qint64 kRecord = 780;                                     // one kako.rnd record

// n death-register lines under a title line.
QByteArray deaths(int n, const QString &prefix)
{
    QString text = QStringLiteral("戒名,俗名,没年月日,施主名\r\n");
    for (int i = 1; i <= n; ++i)
        text += QStringLiteral("釋%1%2,%1　%2郎,2003年5月%2日,%1　一郎\r\n").arg(prefix).arg(i);
    return text.toUtf8();
}

} // namespace

class TestWindowSafety : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    QStringList kakoColumn(const QString &column)
    {
        return f->column(QStringLiteral("SELECT [%1] AS v FROM [W_KAKO] ORDER BY [過去CD]").arg(column));
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->w->show();
    }
    void cleanup() { f.reset(); }

    // A second 読込実行 fills from an empty table: no row and no column of
    // the first file is left; edits are given up only after a question.
    void refillStartsEmpty()
    {
        ImportWindow *d = f->readDeaths(QStringLiteral("twelve.csv"), deaths(12, QStringLiteral("甲")), kModeAppend);
        QVERIFY(d);
        QCOMPARE(d->grid().Rows(), 13);

        // Three rows, and 施主名 no longer linked.
        f->pickSource(f->writeFile(QStringLiteral("three.csv"), deaths(3, QStringLiteral("乙"))), 3);
        f->unlinkRow(4);
        f->prompt.clear();
        QCOMPARE(f->runRead(), d);
        QCOMPARE(d->grid().Rows(), 4);
        for (int r = 1; r < 4; ++r) {
            QCOMPARE(d->grid().TextMatrix(r, kKaimyo), QStringLiteral("釋乙%1").arg(r));
            QCOMPARE(d->grid().TextMatrix(r, kSeshu), QString());
        }
        QVERIFY(f->prompt.texts().isEmpty());

        // An edit of the table: asked before a refill; いいえ keeps it.
        QAbstractItemModel *model = d->importGrid->model();
        QVERIFY(model->setData(model->index(2, kZokumei), QStringLiteral("直した名")));
        f->prompt.script({Answer::No});
        f->w->runButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{MainWindowText::kDiscardEditsQuestion});
        QCOMPARE(d->grid().TextMatrix(2, kZokumei), QStringLiteral("直した名"));

        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 3);
        QCOMPARE(kakoColumn(QStringLiteral("戒名")),
                 (QStringList{QStringLiteral("釋乙1"), QStringLiteral("釋乙2"), QStringLiteral("釋乙3")}));
        QCOMPARE(kakoColumn(QStringLiteral("俗名")).at(1), QStringLiteral("直した名"));
        QVERIFY(kakoColumn(QStringLiteral("施主名")).join(QString()).trimmed().isEmpty());
        QCOMPARE(QFileInfo(f->state.files.kako).size(), 3 * kRecord);
    }

    // A database typed in the box (not even entered) is opened before the
    // fill: its own services name the schedule, and the first database
    // receives nothing.
    void anotherDatabaseItsOwnMasters()
    {
        QTemporaryDir other;
        const QString second = CreateDemoDatabase(other.path());
        {
            auto db = Database::open(second);
            db->exec(QStringLiteral("UPDATE [OMAIRI] SET [NM] = 'B' || [NM]")).finish();
        }
        f->w->databasePathEdit->setText(second);
        ImportWindow *d = f->readIntoImport(2, kModeAppend, example("death-register.utf8.csv"));
        QVERIFY(d);
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 12);
        QCOMPARE(f->state.files.database, second);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 0);
        QVERIFY(!QFileInfo::exists(QFileInfo(f->t.path()).dir().filePath(QStringLiteral("kako.rnd"))));
        auto db = Database::open(second);
        Query q = db->exec(QStringLiteral("SELECT count(*) AS n, sum([法要] LIKE 'B%') AS b FROM [D_OMAIRI] WHERE [法要] <> ''"));
        QVERIFY(q.next());
        QVERIFY(q.integer(QStringLiteral("n")) > 0);
        QCOMPARE(q.integer(QStringLiteral("b")), q.integer(QStringLiteral("n")));
        q.finish();
        QCOMPARE(QFileInfo(other.filePath(QStringLiteral("kako.rnd"))).size(), 12 * kRecord);
    }

    // Another source file: links follow their titles (moved) or go
    // (missing), and the message lists both; without title lines they stay
    // only after a question and only for the same column count.
    void linksFollowTheSourceFile()
    {
        f->choose(2, kModeAppend, true);
        f->pickSource(f->writeFile(QStringLiteral("a.csv"), deaths(2, QStringLiteral("甲"))), 3);
        f->linkDeaths();
        f->prompt.clear();
        f->pickSource(f->writeFile(QStringLiteral("b.csv"),
                                   "俗名,戒名,住所,電話番号\r\n髙橋　清一,釋浄心,東京都文京区,03-3812-4471\r\n"),
                      3);
        QCOMPARE(f->prompt.texts().size(), 1);
        const QString said = f->prompt.texts().first();
        for (const char *word : {"「戒名」", "「俗名」", "没年月日", "施主名"})
            QVERIFY2(said.contains(QString::fromUtf8(word)), qPrintable(said));
        QCOMPARE(f->linkColumn(LinkGridCol::SourceColumn), (QStringList{QStringLiteral("1"), QStringLiteral("0")}));
        ImportWindow *d = f->runRead();
        QVERIFY(d);
        QCOMPARE(d->grid().TextMatrix(1, kKaimyo), QStringLiteral("釋浄心"));
        QCOMPARE(d->grid().TextMatrix(1, kZokumei), QStringLiteral("髙橋　清一"));
        QCOMPARE(d->grid().TextMatrix(1, kDate), QString()); // no telephone number as a date
        d->runButton->click();
        QCOMPARE(kakoColumn(QStringLiteral("戒名")), QStringList{QStringLiteral("釋浄心")});

        // No title lines: the same column count asks, いいえ unlinks.
        f->w->titleRowButtons[0]->click();
        f->prompt.clear();
        f->prompt.script({Answer::No});
        f->pickSource(f->writeFile(QStringLiteral("c.csv"), "釋浄心,髙橋　清一,東京都,03\r\n"), 3);
        QCOMPARE(f->prompt.texts(), QStringList{SessionText::linksKeptQuestion(2, 4)});
        QCOMPARE(f->w->linkGrid().Rows(), 1);
        QVERIFY(f->w->session().links().isEmpty());
    }

    // In the import table a column delete empties the column under its
    // heading, and insert and move are refused; a table whose headings moved
    // (a document opened into it) is never written.
    void columnsKeepTheirItems()
    {
        ImportWindow *d = f->readIntoImport(2, kModeAppend, example("death-register.utf8.csv"));
        QVERIFY(d);
        GridModel &g = d->grid();
        const int cols = g.Cols();
        const QString firstKaimyo = g.TextMatrix(1, kKaimyo);
        QVERIFY(g.select(1, kZokumei, 1, kZokumei));
        f->prompt.clear();
        d->menus.deleteColumnAction->trigger();
        QCOMPARE(g.Cols(), cols);
        QCOMPARE(g.TextMatrix(0, kZokumei), QStringLiteral("俗名"));
        for (int r = 1; r < g.Rows(); ++r)
            QCOMPARE(g.TextMatrix(r, kZokumei), QString());
        d->menus.insertColumnAction->trigger();
        d->menus.addColumnAction->trigger();
        d->menus.moveColumnAction->trigger();
        QCOMPARE(f->prompt.texts(), (QStringList{GridToolText::kItemColNotInserted, GridToolText::kItemColNotInserted,
                                                 GridToolText::kItemColNotMoved}));
        QCOMPARE(g.Cols(), cols);
        QCOMPARE(g.TextMatrix(1, kKaimyo), firstKaimyo);
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 12);
        QCOMPARE(kakoColumn(QStringLiteral("戒名")).first(), firstKaimyo);
        QVERIFY(kakoColumn(QStringLiteral("俗名")).join(QString()).trimmed().isEmpty());

        // A comma file opened into the table: its headings are not the items.
        const QString opened = f->writeFile(QStringLiteral("shifted.csv"), "NO,戒名,俗名\r\n1,釋一,一郎\r\n");
        d->tools->openFileName = [opened](const QString &, const QString &) { return opened; };
        d->tools->askSaveFirst = [](const QString &) { return Answer::No; };
        answerFileKind(f->w->fileKindDialog(), 3, true);
        d->tools->FileOpen();
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("戒名"));
        f->prompt.clear();
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 0);
        QVERIFY2(d->lastReport().failure.contains(QStringLiteral("見出し")), qPrintable(d->lastReport().failure));
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 12);
        QCOMPARE(QFileInfo(f->state.files.kako).size(), 12 * kRecord);
        d->checkButton->click();
        QVERIFY(!d->findChild<CheckWindow *>());
        QVERIFY(f->prompt.texts().last().contains(QStringLiteral("見出し")));
    }

    // 終了 of the main window ends the program at once, but asks while the
    // import window is open, as the import window's own 終了 does.
    void quitAsksWhileImportIsOpen()
    {
        f->w->quitButton->click();
        QCOMPARE(f->endedWith, 0);
        QVERIFY(f->prompt.texts().isEmpty());
        f->endedWith = -1;
        ImportWindow *d = f->readIntoImport(2, kModeAppend, example("death-register.utf8.csv"));
        QVERIFY(d);
        f->prompt.clear();
        f->prompt.script({Answer::No});
        f->w->quitButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{GridToolText::kCloseQuestion});
        QCOMPARE(f->endedWith, -1);
        QVERIFY(d->isVisible());
        f->prompt.script({Answer::Yes});
        f->w->quitButton->click();
        QCOMPARE(f->endedWith, 0);
    }

    // 表題なし over a first line of item names: 読込実行 asks, はい makes it
    // the title line (marked in the preview), and no person named 「俗名」
    // is written. A first line of data asks nothing.
    void titleLineAsked()
    {
        f->choose(2, kModeAppend, false);
        f->pickSource(f->writeFile(QStringLiteral("t.csv"), deaths(2, QStringLiteral("甲"))), 3);
        QCOMPARE(f->w->preview().FixedRows(), 0);
        f->linkDeaths();
        f->prompt.clear();
        f->prompt.script({Answer::Yes});
        ImportWindow *d = f->runRead();
        QCOMPARE(f->prompt.texts().first(), SessionText::kFirstLineTitlesQuestion);
        QVERIFY(f->w->titleRowButtons[1]->isChecked());
        QCOMPARE(f->w->preview().FixedRows(), 1);
        QCOMPARE(d->grid().Rows(), 3);
        d->runButton->click();
        QCOMPARE(kakoColumn(QStringLiteral("俗名")), (QStringList{QStringLiteral("甲　1郎"), QStringLiteral("甲　2郎")}));

        f->w->titleRowButtons[0]->click();
        QCOMPARE(f->w->preview().FixedRows(), 0);
        f->pickSource(f->writeFile(QStringLiteral("data.csv"), "釋浄心,髙橋　清一,2003年5月17日,髙橋　一郎\r\n釋妙華,髙橋　トメ,2001年3月2日,髙橋　一郎\r\n"), 3);
        f->prompt.clear();
        f->w->runButton->click();
        QVERIFY(!f->prompt.texts().contains(SessionText::kFirstLineTitlesQuestion));
    }

    // A tab-separated .txt read as comma text is one column: the other
    // separator is offered; はい reads it in columns, いいえ leaves one.
    void otherSeparatorOffered_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("columns");
        QTest::newRow("はい") << int(Answer::Yes) << 4;
        QTest::newRow("いいえ") << int(Answer::No) << 1;
    }
    void otherSeparatorOffered()
    {
        QFETCH(int, answer);
        QFETCH(int, columns);
        const QString path = f->writeFile(QStringLiteral("tabs.txt"), "戒名\t俗名\t没年月日\t施主名\r\n釋浄心\t髙橋　清一\t2003年5月17日\t髙橋　一郎\r\n");
        f->prompt.script({Answer(answer)});
        f->pickSource(path, 3);
        QCOMPARE(f->prompt.texts().first(), SessionText::otherSeparatorQuestion(int(GridFileKind::Tsv)));
        QCOMPARE(f->w->preview().Cols(), columns);
        QCOMPARE(f->w->sourceItems->count(), columns);
        // A file that is one column either way asks nothing.
        f->prompt.clear();
        f->pickSource(f->writeFile(QStringLiteral("one.txt"), "戒名\r\n釋浄心\r\n"), 3);
        QVERIFY(f->prompt.texts().isEmpty());
    }

    // Members appended over existing ones: 検証, the summary and the run
    // report count new and updated rows apart; the list marks the updated.
    void membersNewAndUpdatedApart()
    {
        const QByteArray first = "氏名,性別\r\n髙橋　一郎,男\r\n﨑山　花子,女\r\n";
        const QByteArray second = "氏名,性別\r\n髙橋　一郎,男\r\n佐藤　武,男\r\n﨑山　花子,女\r\n";
        ImportWindow *d = f->readIntoImport(0, kModeAppend, f->writeFile(QStringLiteral("m1.csv"), first));
        QVERIFY(d);
        d->runButton->click();
        QCOMPARE(f->count(QStringLiteral("D_KOJIN")), 2);
        QVERIFY(d->lastReport().updatedRows.isEmpty());

        f->pickSource(f->writeFile(QStringLiteral("m2.csv"), second), 3);
        f->w->runButton->click();
        d->checkButton->click();
        auto *check = d->findChild<CheckWindow *>();
        QVERIFY(check);
        QCOMPARE(check->report().count(CheckKind::Updated), 2);
        QVERIFY2(check->summaryLabel->text().contains(QStringLiteral("新規 1 行、更新 2 行")),
                 qPrintable(check->summaryLabel->text()));
        QVERIFY(CheckKindColour(CheckKind::Updated) != CheckKindColour(CheckKind::Created));
        f->prompt.clear();
        f->prompt.script({Answer::No, Answer::No});
        d->runButton->click();
        QCOMPARE(d->lastReport().updatedRows, (QList<int>{1, 3}));
        QCOMPARE(f->count(QStringLiteral("D_KOJIN")), 3);
        QVERIFY2(f->prompt.texts().last().contains(QStringLiteral("書き込み 3 行（新規 1 行、更新 2 行）")),
                 qPrintable(f->prompt.texts().last()));
        const QString reportPath = f->prompt.texts().last().section(QStringLiteral("転記レポート: "), 1).section(QStringLiteral("\r\n"), 0, 0);
        QVERIFY2(QString::fromUtf8(readAll(reportPath)).contains(QStringLiteral("（新規 1 行、更新 2 行）")), qPrintable(reportPath));
    }

    // 既存データを削除して転記 asks before anything, the backup included:
    // いいえ says "処理を中止します" and leaves the register, kako.rnd and
    // the backups of the last run byte for byte. The question keeps its
    // warning and names the counts in the clerk's words.
    void replaceDeclinedKeepsTheBackups()
    {
        ImportWindow *d = f->readIntoImport(2, kModeAppend, example("death-register.utf8.csv"));
        QVERIFY(d);
        d->runButton->click();
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 12);
        const QByteArray kako = readAll(f->state.files.kako);
        const QByteArray tera2 = readAll(f->state.files.databaseBackup);
        const QByteArray kako2 = readAll(f->state.files.kakoBackup);
        QVERIFY(!tera2.isEmpty());

        d->executionModeButtons[kModeReplace]->click();
        QVERIFY(f->w->executionModeButtons[kModeReplace]->isChecked());
        f->prompt.clear();
        f->prompt.script({Answer::No});
        d->runButton->click();
        const QString asked = f->prompt.texts().first();
        for (const char *words : {"削除されたデータは復帰できません。", "ただし", "過去帳 12 件"})
            QVERIFY2(asked.contains(QString::fromUtf8(words)), qPrintable(asked));
        QVERIFY2(!asked.contains(QStringLiteral("W_KAKO")), qPrintable(asked));
        QCOMPARE(f->prompt.texts().size(), 2);
        QCOMPARE(f->prompt.texts().last(), QStringLiteral("処理を中止します"));
        QCOMPARE(f->prompt.shown().last().icon, Icon::Information);
        QCOMPARE(d->lastReport().outcome, TranscribeReport::Outcome::ReplaceDeclined);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 12);
        QVERIFY(readAll(f->state.files.kako) == kako);
        QVERIFY(readAll(f->state.files.databaseBackup) == tera2);
        QVERIFY(readAll(f->state.files.kakoBackup) == kako2);
    }

    // A row that would stop the run (a date that does not exist), or an era
    // table that lost the era of the rows' years, stops 実行 before anything
    // is written, the backup included: the rows to correct are listed as 検証
    // lists them, the lost era is named with its table. Once mended in the
    // table or in the database, the same window writes every row.
    void stopsBeforeWriting_data()
    {
        QTest::addColumn<QString>("date"); // row 4's; empty: 平成 removed from the era table
        QTest::newRow("平成元年13月40日") << QStringLiteral("平成元年13月40日");
        QTest::newRow("2023/02/30") << QStringLiteral("2023/02/30");
        QTest::newRow("era gone") << QString();
    }
    void stopsBeforeWriting()
    {
        QFETCH(QString, date);
        QString text = QString::fromUtf8(deaths(6, QStringLiteral("甲")));
        if (date.isEmpty()) {
            f->execute(QStringLiteral("CREATE TABLE [kept_era] AS SELECT * FROM [M_年号] WHERE [年号] = '平成'"));
            f->execute(QStringLiteral("DELETE FROM [M_年号] WHERE [年号] = '平成'"));
        } else {
            text.replace(QStringLiteral("2003年5月4日"), date);
        }
        ImportWindow *d = f->readDeaths(QStringLiteral("bad.csv"), text.toUtf8(), kModeAppend);
        QVERIFY(d);
        f->prompt.clear();
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 0);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 0);
        QCOMPARE(f->count(QStringLiteral("W_KAIKI")), 0);
        QCOMPARE(f->count(QStringLiteral("D_OMAIRI")), 0);
        QVERIFY(readAll(f->state.files.kako).isEmpty());
        QVERIFY(!QFileInfo::exists(f->state.files.databaseBackup));
        if (date.isEmpty()) {
            QVERIFY2(f->prompt.texts().join(QString()).contains(QStringLiteral("マスタ M_年号 に")),
                     qPrintable(f->prompt.texts().join(QStringLiteral("|"))));
            f->execute(QStringLiteral("INSERT INTO [M_年号] SELECT * FROM [kept_era]"));
        } else {
            QCOMPARE(d->lastReport().rowsToCorrect.size(), 1);
            QCOMPARE(d->lastReport().rowsToCorrect.first().row, 4);
            auto *list = d->findChild<CheckWindow *>();
            QVERIFY(list);
            QCOMPARE(list->report().firstStopRow(), 4);
            QVERIFY(list->isVisible());
            QAbstractItemModel *model = d->importGrid->model();
            QVERIFY(model->setData(model->index(4, kDate), QStringLiteral("2003年5月4日")));
        }
        f->prompt.script({Answer::No});
        d->runButton->click();
        QCOMPARE(d->lastReport().rowsWritten, 6);
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), 6);
        QCOMPARE(QFileInfo(f->state.files.kako).size(), 6 * kRecord);
    }

    // The example through the windows (links made in the link editor,
    // 読込実行, 実行 replacing) and through `transcribe` with the same links,
    // into two fresh databases: every table and kako.rnd are identical. The
    // windows ask the replace question, note that kako.rnd had nothing to
    // back up yet, and end with the summary.
    void windowsAndCommandLineAgree()
    {
        QTemporaryDir byWindows, byCommand;
        const QString windowsDb = CreateDemoDatabase(byWindows.path());
        const QString commandDb = CreateDemoDatabase(byCommand.path());
        f->picked = windowsDb;
        f->w->databaseBrowseButton->click();
        QCOMPARE(f->state.files.database, windowsDb);
        ImportWindow *d = f->readIntoImport(2, kModeReplace, example("death-register.cp932.csv"));
        QVERIFY(d);
        QCOMPARE(d->grid().Rows(), 13);
        f->prompt.clear();
        d->runButton->click();
        const TranscribeReport &r = d->lastReport();
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Completed);
        QCOMPARE(r.rowsRead, 12);
        QCOMPARE(r.rowsWritten, 12);
        const QStringList texts = f->prompt.texts();
        QCOMPARE(texts.size(), 3);
        QVERIFY2(texts.at(0).startsWith(TranscribeText::replaceQuestion().section(QStringLiteral("\r\n"), 0, 1)),
                 qPrintable(texts.at(0)));
        QVERIFY(texts.last().startsWith(QStringLiteral("転記が終わりました。\r\n書き込み 12 行")));
        QCOMPARE(f->prompt.shown().last().icon, Icon::Information);
        QVERIFY(QFileInfo::exists(f->state.files.databaseBackup));
        QCOMPARE(countIn(windowsDb, QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), 12 * 18);

        QStringList args = importArgs("transcribe", commandDb, example("death-register.cp932.csv"), "death", "replace")
                           << QStringLiteral("--yes");
        for (const DataLink &l : f->w->session().links())
            args << QStringLiteral("--link") << QStringLiteral("%1:%2").arg(l.sourceColumn).arg(l.importColumn);
        const ProgramRun run = runTera(args);
        QVERIFY2(run.code == 0, qPrintable(run.err + run.out));

        const QStringList viaWindows = dumpDatabase(windowsDb);
        const QStringList viaCommand = dumpDatabase(commandDb);
        QVERIFY(viaWindows.filter(QStringLiteral("W_KAKO: ")).size() == 12);
        QVERIFY(!viaWindows.filter(QStringLiteral("清風院釋正道居士")).isEmpty());
        QCOMPARE(viaWindows, viaCommand);
        const QByteArray kakoA = readAll(byWindows.filePath(QStringLiteral("kako.rnd")));
        QCOMPARE(kakoA.size(), 12 * kRecord);
        QVERIFY(kakoA == readAll(byCommand.filePath(QStringLiteral("kako.rnd"))));
    }
};

QTEST_MAIN(TestWindowSafety)
#include "tst_window_safety.moc"
