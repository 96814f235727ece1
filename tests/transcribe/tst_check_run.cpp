// The check before writing: it must say what a transcription started right
// after it then does (skips, creations, deceased, renumbering, kako.rnd
// texts, failures), and it must leave every real file as it was.
#include "file_faults.h"
#include "fixture.h"
#include "transcribe/check_run.h"
#include "transcribe/progress.h"

#include "transcribe/run_lock.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <atomic>
#include <thread>

using namespace tera;

namespace {

using Row = ImportRow;

struct CheckFixture : Fixture {
    using Fixture::Fixture;
    // Every file the check must leave alone.
    QList<QByteArray> files()
    {
        return {fileBytes(state.files.database), fileBytes(state.files.kako), fileBytes(state.files.databaseBackup),
                fileBytes(state.files.kakoBackup)};
    }
    CheckReport check(const ImportTable &grid)
    {
        t.db().close();
        const QList<QByteArray> before = files();
        const QStringList folder = QDir(t.dir()).entryList(QDir::Files);
        CheckReport r = CheckTranscription(grid, state.runSettings(), state.master, clock);
        // Not a byte of the database, kako.rnd or the backups has changed,
        // and no file was added beside them.
        checkLeftAlone = files() == before && QDir(t.dir()).entryList(QDir::Files) == folder;
        return r;
    }
    bool checkLeftAlone = false;
};

QList<int> rowsOf(const CheckReport &r, CheckKind kind)
{
    QList<int> out;
    for (const CheckFinding &f : r.findings)
        if (f.kind == kind)
            out << f.row;
    return out;
}

QList<int> rowsOf(const QList<RowNote> &notes)
{
    QList<int> out;
    for (const RowNote &n : notes)
        out << n.row;
    return out;
}

QString findingText(const CheckReport &r, CheckKind kind)
{
    QStringList out;
    for (const CheckFinding &f : r.findings)
        if (f.kind == kind)
            out << f.text;
    return out.join(QLatin1Char('\n'));
}

// Members and households the run added, as the check names them.
QStringList newMembers(Fixture &f, qint64 afterId)
{
    return f.column(QStringLiteral("SELECT '個人 ' || [KOJIN_NO] || '「' || [MEI] || '」' AS v FROM [D_KOJIN] WHERE [ID] > ? ORDER BY [ID]"),
                    {afterId});
}

QStringList newHouseholds(Fixture &f, qint64 afterSno)
{
    return f.column(QStringLiteral("SELECT '世帯 ' || [SETAI_NO] || '「' || [世帯主名] || '」' AS v FROM [D_SETAI] WHERE [SNO] > ? ORDER BY [SNO]"),
                    {afterSno});
}

QString lifOf(Fixture &f, const QString &name)
{
    return f.column(QStringLiteral("SELECT [LIF] AS v FROM [D_KOJIN] WHERE [MEI] = ?"), {name}).value(0, QStringLiteral("<none>"));
}

// A 戒名 of 22 characters whose first one CP932 lacks: one "?" and a cut.
const QString kLongKaimyo = QString::fromUtf8("\xF0\xA0\xAE\xB7") + QString(21, QChar(u'釋'));

QList<Row> checkedRows(bool withStop)
{
    QList<Row> rows{
        {{kKaimyo, QStringLiteral("釋浄心")}, {kZokumei, QStringLiteral("髙橋　清一")}, {kDate, QStringLiteral("2003年5月17日")},
         {kSeshu, QStringLiteral("髙橋　一郎")}},
        {{kZokumei, QStringLiteral("名無し")}},
        {{kKaimyo, QStringLiteral("釋勇心")}, {kZokumei, QStringLiteral("田中　勇")}, {kEraDate, QStringLiteral("令和元年6月1日")},
         {kSeshu, QStringLiteral("小林　隆")}},
        // The donor made by the row before is found now: no second household.
        {{kKaimyo, kLongKaimyo}, {kDate, QStringLiteral("2010年1月2日")}, {kSeshu, QStringLiteral("小林　隆")}},
        {{kKaimyo, QStringLiteral("釋妙華")}, {kAge, QStringLiteral("八十十歳")}, {kDate, QStringLiteral("2012年3月")},
         {kSeshu, QStringLiteral("髙橋　一郎")}},
    };
    if (withStop)
        rows << Row{{kKaimyo, QStringLiteral("釋誤記")}, {kDate, QStringLiteral("5月2003年")}};
    rows << Row{{kKaimyo, QStringLiteral("釋誠道")}, {kDate, QStringLiteral("2019年12月24日")},
                {kSeshu, QStringLiteral("鈴木　美智子")}};
    return rows;
}

} // namespace

class TestCheckRun : public QObject {
    Q_OBJECT

private slots:
    // A death register without a stopping row: every finding of the check
    // is what the transcription then does.
    void deathRegisterMatchesTheRun()
    {
        CheckFixture f(kOutDeathRegister);
        f.addMember(QStringLiteral("1"), QStringLiteral("髙橋　一郎"), QStringLiteral("000001"));
        f.addMember(QStringLiteral("2"), QStringLiteral("田中　勇"), QStringLiteral("000002"));
        f.addHousehold(QStringLiteral("髙橋　一郎"), QStringLiteral("000001"));
        f.addHousehold(QStringLiteral("田中　幸子"), QStringLiteral("000002"));
        auto grid = importTable(kOutDeathRegister, checkedRows(false));

        const CheckReport c = f.check(*grid);
        QVERIFY(f.checkLeftAlone);
        QVERIFY2(c.made, qPrintable(c.failure));
        QVERIFY(!c.stops());
        QCOMPARE(c.firstStopRow(), -1);
        QCOMPARE(rowsOf(c, CheckKind::Skip), QList<int>{2});
        QCOMPARE(rowsOf(c, CheckKind::Created), (QList<int>{3, 6}));
        QCOMPARE(rowsOf(c, CheckKind::Deceased), QList<int>{3});
        QCOMPARE(rowsOf(c, CheckKind::KakoText), QList<int>{4});
        QCOMPARE(rowsOf(c, CheckKind::Unreadable), (QList<int>{5, 5})); // the age and the date without a day
        QVERIFY(findingText(c, CheckKind::Unreadable).contains(QStringLiteral("八十十歳")));
        QVERIFY(findingText(c, CheckKind::KakoText).contains(QStringLiteral("切れます")));

        const TranscribeReport r = f.run(*grid);
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Completed);
        QCOMPARE(rowsOf(r.skipped), rowsOf(c, CheckKind::Skip));
        QCOMPARE(r.skipped.first().reason, c.run.skipped.first().reason);
        QCOMPARE((QList<qint64>{r.rowsWritten, r.firstKakoCd, r.lastKakoCd, r.kakoReplacedChars}),
                 (QList<qint64>{c.run.rowsWritten, c.run.firstKakoCd, c.run.lastKakoCd, c.replacedChars()}));
        QCOMPARE(c.replacedChars(), 1);

        // Exactly the members and households the check named were made.
        const QStringList members = newMembers(f, 2), households = newHouseholds(f, 2);
        QCOMPARE((QList<qsizetype>{members.size(), households.size()}), (QList<qsizetype>{2, 2}));
        const QString created = findingText(c, CheckKind::Created);
        for (const QString &made : members + households)
            QVERIFY2(created.contains(made), qPrintable(made + QStringLiteral(" / ") + created));
        QCOMPARE(lifOf(f, QStringLiteral("田中　勇")), QStringLiteral("1"));
        QCOMPARE(lifOf(f, QStringLiteral("髙橋　一郎")), QStringLiteral("0"));
    }

    // A row that stops the run: the check names it (row and column), lists
    // the rows after it too, and everything before it matches the run.
    void deathRegisterStopMatchesTheRun()
    {
        CheckFixture f(kOutDeathRegister);
        f.addMember(QStringLiteral("1"), QStringLiteral("髙橋　一郎"), QStringLiteral("000001"));
        f.addMember(QStringLiteral("2"), QStringLiteral("田中　勇"), QStringLiteral("000002"));
        auto grid = importTable(kOutDeathRegister, checkedRows(true));

        const CheckReport c = f.check(*grid);
        QVERIFY(f.checkLeftAlone);
        QVERIFY(c.stops());
        QCOMPARE(c.firstStopRow(), 6);
        QCOMPARE(c.count(CheckKind::Stop), 1);
        // The rows after the stop are checked as well.
        QCOMPARE(rowsOf(c, CheckKind::Created), (QList<int>{3, 7}));
        QVERIFY(CheckSummaryText(c).contains(QStringLiteral("最初は 6 行目")));

        const TranscribeReport r = f.run(*grid);
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QCOMPARE(r.failureRow, c.firstStopRow());
        // The check goes on past the stop, but counts what the run writes.
        QVERIFY(c.run.rowsWritten > r.rowsWritten);
        QCOMPARE(c.rowsWrittenBeforeStop(), r.rowsWritten);
        // A cell to correct: the run writes nothing at all, and says so.
        QCOMPARE(r.rowsWritten, 0);
        QCOMPARE(r.rowsToCorrect.size(), 1);
        QVERIFY2(CheckSummaryLine(c).startsWith(QStringLiteral("書込 0 行、直す必要のある値が 1 行にあるため転記は始まりません（最初は 6 行目")),
                 qPrintable(CheckSummaryLine(c)));
        const CheckFinding stop =
            *std::find_if(c.findings.cbegin(), c.findings.cend(), [](const CheckFinding &x) { return x.kind == CheckKind::Stop; });
        QCOMPARE(stop.column, r.failureColumn);
        QCOMPARE(stop.column, kDate);
        QVERIFY(stop.text.contains(r.rowsToCorrect.first().reason));
        // The run's refusal lists its rows as the check does.
        const CheckReport refused = RowsToCorrectReport(r);
        QCOMPARE(refused.firstStopRow(), c.firstStopRow());
        QCOMPARE(refused.findings.first().column, stop.column);
        QCOMPARE(refused.findings.first().text, stop.text);
        QCOMPARE(refused.rowsWrittenBeforeStop(), 0);
        QVERIFY(r.failure.contains(r.rowsToCorrect.first().reason));
        // Nothing of the rows before it was written, and no backup made.
        QVERIFY(newMembers(f, 2).isEmpty());
        QCOMPARE(lifOf(f, QStringLiteral("田中　勇")), QStringLiteral("0"));
        QVERIFY(!QFile::exists(f.state.files.databaseBackup));
    }

    // Writer failures and the members' end of the program, made with
    // triggers: the check lists both and goes on; the run leaves out the
    // first row and ends at the second.
    void failuresMatchTheRun()
    {
        CheckFixture f(kOutDeathRegister);
        f.t.db().execute(QStringLiteral("CREATE TRIGGER [no_setai] BEFORE INSERT ON [D_SETAI] WHEN NEW.[世帯主名] = '壊れ世帯' "
                                      "BEGIN SELECT RAISE(ABORT, 'household refused'); END"));
        f.t.db().execute(QStringLiteral("CREATE TRIGGER [no_kojin] BEFORE INSERT ON [D_KOJIN] WHEN NEW.[MEI] = '壊れ個人' "
                                      "BEGIN SELECT RAISE(ABORT, 'member refused'); END"));
        auto grid = importTable(kOutDeathRegister,
                                {{{kKaimyo, QStringLiteral("釋一")}, {kSeshu, QStringLiteral("壊れ世帯")}},
                                 {{kKaimyo, QStringLiteral("釋二")}, {kSeshu, QStringLiteral("山本　一")}},
                                 {{kKaimyo, QStringLiteral("釋三")}, {kSeshu, QStringLiteral("壊れ個人")}},
                                 {{kKaimyo, QStringLiteral("釋四")}, {kSeshu, QStringLiteral("山本　一")}}});
        const CheckReport c = f.check(*grid);
        QVERIFY(f.checkLeftAlone);
        QCOMPARE(rowsOf(c, CheckKind::NotWritten), QList<int>{1});
        QCOMPARE(rowsOf(c, CheckKind::Stop), QList<int>{3});
        QVERIFY(findingText(c, CheckKind::Stop).contains(QStringLiteral("プログラムが終了します")));
        QCOMPARE(rowsOf(c, CheckKind::Created), QList<int>{2});
        QCOMPARE(c.run.rowsWritten, 2);

        const TranscribeReport r = f.run(*grid);
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Ended);
        QCOMPARE(r.failureRow, 3);
        QCOMPARE(rowsOf(r.rolledBack), rowsOf(c, CheckKind::NotWritten));
        QCOMPARE(r.rowsWritten, 1);
        QVERIFY(f.prompt.texts().contains(kMemberDbFailure));
        // The ending row is not half-written: its household is gone too.
        QCOMPARE((QList<qsizetype>{newMembers(f, 0).size(), newHouseholds(f, 0).size()}), (QList<qsizetype>{1, 1}));
    }

    // The check leaves the anniversaries and services of its entries unstored
    // where nothing in the schema could refuse them; a table that can refuse
    // (here a trigger) is written as the run writes it, so the refused row
    // is found all the same.
    void refusedAnniversariesAndServicesMatchTheRun_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("anniversaries") << QStringLiteral("W_KAIKI");
        QTest::newRow("services") << QStringLiteral("D_OMAIRI");
    }
    void refusedAnniversariesAndServicesMatchTheRun()
    {
        QFETCH(QString, table);
        CheckFixture f(kOutDeathRegister);
        f.t.db().execute(QStringLiteral("CREATE TRIGGER [refuse] BEFORE INSERT ON [%1] WHEN NEW.[戒名] = '釋二' "
                                        "BEGIN SELECT RAISE(ABORT, 'refused by the temple database'); END")
                             .arg(table));
        QList<Row> rows;
        for (const char *name : {"釋一", "釋二", "釋三"})
            rows << Row{{kKaimyo, QString::fromUtf8(name)}, {kDate, QStringLiteral("2003年5月17日")},
                        {kSeshu, QStringLiteral("山本　一")}};
        auto grid = importTable(kOutDeathRegister, rows);
        const CheckReport c = f.check(*grid);
        QVERIFY(f.checkLeftAlone);
        QCOMPARE(rowsOf(c, CheckKind::NotWritten), QList<int>{2});
        QVERIFY(findingText(c, CheckKind::NotWritten).contains(QStringLiteral("refused by the temple database")));
        QCOMPARE(c.run.rowsWritten, 2);

        const TranscribeReport r = f.run(*grid);
        QCOMPARE(rowsOf(r.rolledBack), rowsOf(c, CheckKind::NotWritten));
        QCOMPARE(r.rowsWritten, c.run.rowsWritten);
    }

    // Members: a household made for a new member, an existing member written
    // over, a number that is no number, and a registration date that stops.
    void membersMatchTheRun()
    {
        CheckFixture f(kOutMembers);
        f.addHousehold(QStringLiteral("髙橋　一郎"), QStringLiteral("000001"));
        f.addMember(QStringLiteral("1"), QStringLiteral("髙橋　一郎"), QStringLiteral("000001"));
        auto grid = importTable(kOutMembers, {{{kMemberName, QStringLiteral("髙橋　一郎")}, {kMemberJyu, QStringLiteral("本郷")}},
                                              {{kMemberName, QStringLiteral("佐藤　花子")}},
                                              {{kMemberJyu, QStringLiteral("氏名なし")}},
                                              {{kMemberName, QStringLiteral("鈴木　茂")}, {kBirthMonth, QStringLiteral("不明")}},
                                              {{kMemberName, QStringLiteral("山田　太郎")}, {kRegistered, QStringLiteral("20031345")}}});
        const CheckReport c = f.check(*grid);
        QVERIFY(f.checkLeftAlone);
        QCOMPARE(rowsOf(c, CheckKind::Updated), QList<int>{1});
        QCOMPARE(rowsOf(c, CheckKind::Created), (QList<int>{2, 4}));
        QCOMPARE(rowsOf(c, CheckKind::Skip), QList<int>{3});
        QCOMPARE(rowsOf(c, CheckKind::Unreadable), QList<int>{4});
        QCOMPARE(c.firstStopRow(), 5);

        const TranscribeReport r = f.run(*grid);
        QCOMPARE(r.failureRow, 5);
        QCOMPARE(rowsOf(r.skipped), rowsOf(c, CheckKind::Skip));
        const QStringList households = newHouseholds(f, 1);
        QCOMPARE(households.size(), 2);
        for (const QString &h : households)
            QVERIFY2(findingText(c, CheckKind::Created).contains(h), qPrintable(h));
        // The existing member was written over, not added.
        QCOMPARE(newMembers(f, 1).size(), 2);
    }

    // Households: a head who is a member of another household has his
    // references moved; the check says from which number to which.
    void householdRenumberingMatchesTheRun()
    {
        CheckFixture f(kOutHouseholds);
        f.addHousehold(QStringLiteral("他家"), QStringLiteral("000001"));
        f.addMember(QStringLiteral("1"), QStringLiteral("髙橋　一郎"), QStringLiteral("000007"));
        auto grid = importTable(kOutHouseholds,
                                {{{kHead, QStringLiteral("髙橋　一郎")}}, {{kHead, QStringLiteral("他家")}}});
        const CheckReport c = f.check(*grid);
        QCOMPARE(rowsOf(c, CheckKind::Renumbered), QList<int>{1});
        QVERIFY(findingText(c, CheckKind::Renumbered).contains(QStringLiteral("000007 を 000002")));
        QCOMPARE(rowsOf(c, CheckKind::Skip), QList<int>{2});

        const TranscribeReport r = f.run(*grid);
        QCOMPARE(rowsOf(r.skipped), QList<int>{2});
        QCOMPARE(f.column(QStringLiteral("SELECT [SETAI_NO] AS v FROM [D_KOJIN] WHERE [MEI] = ?"), {QStringLiteral("髙橋　一郎")}),
                 QStringList{QStringLiteral("000002")});
    }

    // Replace mode: the check says what would be deleted, asks nothing and
    // deletes nothing real, kako.rnd included.
    void replaceModeDeletesNothing()
    {
        CheckFixture f(kOutDeathRegister, kModeReplace);
        f.t.db().insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}, {QStringLiteral("戒名"), QStringLiteral("既存")}});
        writeFile(f.state.files.kako, QByteArray(780 * 2, ' '));
        auto grid = importTable(kOutDeathRegister, {{{kKaimyo, QStringLiteral("釋新")}}});
        const CheckReport c = f.check(*grid);
        QVERIFY(f.checkLeftAlone);
        // In the clerk's words; kako.rnd named because it holds another count.
        QVERIFY(findingText(c, CheckKind::Notice).contains(QStringLiteral("過去帳 1 件")));
        QVERIFY(findingText(c, CheckKind::Notice).contains(QStringLiteral("kako.rnd の記録 2 件")));
        QCOMPARE(c.run.firstKakoCd, 1); // numbered from 1 after the deletion
    }

    // The check reads one committed state of the database through the
    // engine and takes no run lock: another run, a writer in the middle of
    // its transaction, or one holding the file exclusively for a while
    // change nothing of what it reports. The writer's row (entry 99) would
    // stop the check's numbering test if the check saw it.
    void checkBesideOtherHolders_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::newRow("run lock") << QStringLiteral("run lock");
        QTest::newRow("write transaction") << QStringLiteral("write transaction");
        QTest::newRow("exclusive lock for a second") << QStringLiteral("exclusive");
    }
    void checkBesideOtherHolders()
    {
        QFETCH(QString, holder);
        CheckFixture f(kOutDeathRegister);
        auto grid = importTable(kOutDeathRegister, checkedRows(true));
        const CheckReport alone = f.check(*grid);
        QVERIFY(alone.made);
        QVERIFY(!alone.findings.isEmpty());

        const QByteArray path = QFile::encodeName(f.state.files.database);
        const QList<QByteArray> files = f.files();
        const char *const uncommitted = "INSERT INTO [W_KAKO] ([過去CD], [戒名]) VALUES (99, '未確定')";
        RunLock runLock(f.state.files.database);
        sqlite3 *writer = nullptr;
        std::thread exclusive;
        std::atomic<bool> held{false};
        if (holder == QLatin1String("run lock")) {
            QString refusal;
            QVERIFY2(runLock.tryTake(refusal), qPrintable(refusal));
        } else if (holder == QLatin1String("write transaction")) {
            QCOMPARE(sqlite3_open(path.constData(), &writer), SQLITE_OK);
            QCOMPARE(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_exec(writer, uncommitted, nullptr, nullptr, nullptr), SQLITE_OK);
        } else {
            exclusive = std::thread([&]() {
                sqlite3 *db = nullptr;
                sqlite3_open(path.constData(), &db);
                sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
                sqlite3_exec(db, uncommitted, nullptr, nullptr, nullptr);
                held = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1000));
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                sqlite3_close(db);
            });
            while (!held)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }

        const CheckReport c = f.check(*grid);
        if (exclusive.joinable())
            exclusive.join();
        QVERIFY2(c.made, qPrintable(c.failure));
        // The exclusive holder's own journal comes and goes beside the
        // database while the check waits; the files themselves stay.
        QVERIFY(f.checkLeftAlone || holder == QLatin1String("exclusive"));
        QCOMPARE(f.files(), files);
        // Beside a run, the check says that it read the run's last committed
        // state; the findings are otherwise the same.
        QList<CheckFinding> findings = c.findings;
        if (holder == QLatin1String("run lock")) {
            const auto note = std::find_if(findings.begin(), findings.end(), [](const CheckFinding &x) {
                return x.text.startsWith(QStringLiteral("別の転記が実行中のため"));
            });
            QVERIFY(note != findings.end());
            findings.erase(note);
        }
        QCOMPARE(findings.size(), alone.findings.size());
        for (int i = 0; i < findings.size(); ++i) {
            QCOMPARE(findings.at(i).row, alone.findings.at(i).row);
            QCOMPARE(findings.at(i).text, alone.findings.at(i).text);
        }
        QCOMPARE(c.run.rowsWritten, alone.run.rowsWritten);
        if (writer) {
            // The writer's transaction is still its own to commit.
            QCOMPARE(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(writer);
            f.reopen();
            QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO] WHERE [過去CD] = 99")), 1);
        }
    }

    // What cannot be checked says why.
    void refusals()
    {
        AppState s;
        s.files.database = QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=C:\\tera.mdb;");
        FixedClock clock(QDate(2024, 5, 10));
        GridModel empty;
        const ImportTable g(empty);
        CheckReport c = CheckTranscription(g, s.runSettings(), s.master, clock);
        QVERIFY(!c.made);
        QVERIFY(c.stops());
        QVERIFY(c.failure.contains(QStringLiteral("接続文字列")));
        s.files.database = QDir::temp().filePath(QStringLiteral("no-such-folder-tera/tera.mdb"));
        c = CheckTranscription(g, s.runSettings(), s.master, clock);
        QVERIFY(!c.made);
        QVERIFY(CheckSummaryText(c).contains(QStringLiteral("検証できませんでした")));
    }

    // A list that cannot be saved whole leaves the one saved before; once
    // the fault is gone, the list is saved as CSV: a heading line, one line
    // per finding, the column named.
    void savesCsvOrKeepsTheOldList_data() { FaultyFolder::addRows(); }
    void savesCsvOrKeepsTheOldList()
    {
        QFETCH(WriteFault, fault);
        FaultyFolder dir(fault);
        if (!dir.skipReason().isEmpty())
            QSKIP(qPrintable(dir.skipReason()));
        CheckFixture f(kOutDeathRegister);
        auto grid = importTable(kOutDeathRegister, checkedRows(true));
        const CheckReport c = f.check(*grid);
        QVERIFY(c.findings.size() > 1);
        QStringList headings;
        for (int col = 0; col < grid->table.columnCount(); ++col)
            headings << grid->table.heading(col);
        const QString path = dir.filePath(QStringLiteral("検証.csv"));
        QString error;
        QVERIFY2(SaveCheckCsv(CheckReport(), {}, path, error), qPrintable(error));
        expectSaveKeepsFolder(dir, QFileInfo(path).size() + 16, [&](QString &why) { return SaveCheckCsv(c, headings, path, why); });

        QVERIFY2(SaveCheckCsv(c, headings, path, error), qPrintable(error));
        GridModel back;
        QVERIFY(back.LoadGrid(path, GridFileKind::Csv).ok);
        QCOMPARE(back.Rows(), int(c.findings.size()) + 1);
        QCOMPARE(back.TextMatrix(0, 2), QStringLiteral("区分"));
        bool named = false;
        for (int r = 1; r < back.Rows(); ++r)
            named |= back.TextMatrix(r, 2) == QStringLiteral("中止") && back.TextMatrix(r, 0) == QStringLiteral("6")
                     && back.TextMatrix(r, 1) == QStringLiteral("1 没年月日");
        QVERIFY(named);
    }
};

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_check_run.moc"
