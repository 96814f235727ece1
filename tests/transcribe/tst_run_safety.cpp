// What a run guarantees when things go wrong around it: entry numbers never
// write over entries, one run at a time, locks of other programs waited out,
// failed rows leave nothing behind (kako.rnd included), a killed run's
// uncommitted record taken back, masters checked before anything is written.
// Each case makes the fault happen for real and then reads the files.
#include "session/demo_database.h"
#include "file_faults.h"
#include "fixture.h"
#include "transcribe/check_run.h"
#include "transcribe/death_register.h"
#include "transcribe/kako_rnd.h"
#include "transcribe/progress.h"
#include "transcribe/run_lock.h"

#include <QFile>
#include <QLockFile>
#include <QProcess>

#include <atomic>
#include <thread>

using namespace tera;

namespace {

// The death register as the tables and kako.rnd hold it: the rows of
// W_KAKO, W_KAIKI and D_OMAIRI and the records of kako.rnd.
using Register = QList<qint64>;
const Register kEmpty{0, 0, 0, 0};

Register registerOf(Fixture &f)
{
    if (!f.db)
        f.reopen();
    return {f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")),
            f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")),
            f.count(QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), KakoRndFile(f.state.files.kako).entryCount()};
}

// Every W_KAKO entry n has record n in kako.rnd with its 戒名, and kako.rnd
// holds no other record.
void checkKakoMatchesRegister(Fixture &f)
{
    const KakoRndFile kako(f.state.files.kako);
    Query q = f.db->exec(QStringLiteral("SELECT [過去CD], [戒名] FROM [W_KAKO] ORDER BY [過去CD]"));
    qint64 expected = 1;
    while (q.next()) {
        QCOMPARE(q.integer(QStringLiteral("過去CD")), expected);
        QCOMPARE(kako.get(qint32(expected)).戒名, q.text(QStringLiteral("戒名")));
        ++expected;
    }
    q.finish();
    QCOMPARE(kako.entryCount(), expected - 1);
}

// Holds the database's write lock from another connection (another thread,
// as the temple product would from another process) for holdMs.
class LockHolder {
public:
    LockHolder(const QString &path, int holdMs)
    {
        m_thread = std::thread([this, path, holdMs] {
            auto db = Database::open(path);
            db->beginTransaction();
            db->execute(QStringLiteral("UPDATE [M_KBN] SET [名称] = [名称] WHERE [ID] = 1"));
            m_locked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            db->commit();
            db->close();
        });
        while (!m_locked)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~LockHolder() { m_thread.join(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_locked{false};
};

// A commit per row, batches of some rows, and one batch for the whole run.
void addBatchSizes(int some)
{
    QTest::addColumn<int>("batchRows");
    QTest::newRow("a commit per row") << 1;
    QTest::addRow("batches of %d", some) << some;
    QTest::newRow("one batch") << 500;
}

} // namespace

class TestRunSafety : public QObject {
    Q_OBJECT

private slots:
    // kako.rnd behind the register (missing, short), ahead of it, or cut
    // inside a record: an append stops before anything is written, the
    // backup included, and says both numbers; the entries stay as they were.
    void appendNeverNumbersOverEntries_data()
    {
        QTest::addColumn<int>("keptBytes");
        QTest::addColumn<QString>("said");
        QTest::newRow("kako.rnd deleted") << -1 << QStringLiteral("kako.rnd の記録は 0 件ですが、データベースの過去帳（W_KAKO）には過去CD 6 まで");
        QTest::newRow("cut to 4 records") << int(4 * kKakoRecordBytes) << QStringLiteral("記録は 4 件ですが");
        QTest::newRow("cut inside a record") << int(6 * kKakoRecordBytes - 100) << QStringLiteral("（4580 バイト）");
        QTest::newRow("longer by half a record") << int(6 * kKakoRecordBytes + 390) << QStringLiteral("（5070 バイト）");
        QTest::newRow("longer than the register") << int(8 * kKakoRecordBytes)
                                                  << QStringLiteral("8 件ですが、データベースの過去帳（W_KAKO）には過去CD 6 までの登録しかありません");
    }
    void appendNeverNumbersOverEntries()
    {
        QFETCH(int, keptBytes);
        QFETCH(QString, said);
        Fixture f(kOutDeathRegister, kModeAppend);
        QVERIFY(f.run(deathRows(6)).ok());
        QFile::remove(f.state.files.kakoBackup);
        QFile::remove(f.state.files.databaseBackup);
        if (keptBytes < 0) {
            QVERIFY(QFile::remove(f.state.files.kako));
        } else {
            QFile kako(f.state.files.kako);
            QVERIFY(kako.resize(keptBytes));
        }
        const QList<QByteArray> before{fileBytes(f.state.files.kako), fileBytes(f.state.files.database)};
        f.prompt.clear();

        const TranscribeReport r = f.run(deathRows(4, 100));
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QCOMPARE((QList<int>{r.rowsWritten, r.incompleteRows()}), (QList<int>{0, 4}));
        QVERIFY2(f.prompt.texts().join(QString()).contains(said), qPrintable(f.prompt.texts().join(QStringLiteral("|"))));
        QVERIFY(f.prompt.texts().join(QString()).contains(QStringLiteral("既存データを削除して転記")));
        QCOMPARE((QList<QByteArray>{fileBytes(f.state.files.kako), fileBytes(f.state.files.database)}), before);
        QVERIFY2(!QFile::exists(f.state.files.databaseBackup) && !QFile::exists(f.state.files.kakoBackup), "a backup was made");

        // The check says the same before anything is tried.
        const CheckReport check = CheckTranscription(*importTable(kOutDeathRegister, deathRows(4, 100)), f.state.runSettings(), f.state.master, f.clock);
        QVERIFY(check.made);
        QCOMPARE(check.firstStopRow(), 0);
    }

    // A second run on the same database is refused at once and names the
    // run that holds it; a lock left by a killed run is taken over.
    void oneRunAtATime()
    {
        Fixture f(kOutDeathRegister, kModeAppend);
        {
            RunLock other(f.state.files.database);
            QString refusal;
            QVERIFY(other.tryTake(refusal));
            const TranscribeReport r = f.run(deathRows(2));
            QCOMPARE(r.outcome, TranscribeReport::Outcome::Locked);
            const QString said = f.prompt.texts().join(QString());
            QVERIFY2(said.contains(QStringLiteral("別の転記または復元が使用中"))
                         && said.contains(QStringLiteral("プロセス %1").arg(QCoreApplication::applicationPid())),
                     qPrintable(said));
            QCOMPARE(registerOf(f), kEmpty);
            QVERIFY(!QFile::exists(f.state.files.databaseBackup));
        }

        // The lock file of a process that no longer runs.
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId();
        QVERIFY(gone.waitForFinished());
        {
            QFile stale(RunLockPath(f.state.files.database));
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write(QByteArray::number(deadPid) + "\ntst_run_safety\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        const TranscribeReport r = f.run(deathRows(2));
        QVERIFY2(r.ok(), qPrintable(f.prompt.texts().join(QStringLiteral("|"))));
        QCOMPARE(r.rowsWritten, 2);
        QVERIFY2(!QFile::exists(RunLockPath(f.state.files.database)), "the run left its lock behind");
    }

    // Another connection holding the write lock for a while: the run waits
    // and writes every row. Holding it past the wait stops the run with a
    // message about the other program, and nothing is written or skipped.
    // Through Qt's SQLite driver and through ODBC (the SQLite ODBC driver,
    // standing in for the Access driver, which has no busy wait of its own).
    void locksOfOtherProgramsAreWaitedOut_data()
    {
        QTest::addColumn<bool>("odbc");
        QTest::newRow("sqlite") << false;
        QTest::newRow("odbc") << true;
    }
    void locksOfOtherProgramsAreWaitedOut()
    {
        QFETCH(bool, odbc);
        Fixture f(kOutDeathRegister, kModeAppend);
        f.db.reset();
        f.t.db().close();
        const QString file = f.state.files.database;
        // The driver itself gives up on a lock after 0.1 s, as the Access
        // driver does at once: the run's own waiting must carry it.
        if (odbc)
            f.state.files.database = QStringLiteral("DRIVER={SQLite3};Database=%1;Timeout=100;").arg(file);
        TranscribeOptions options;
        options.backup = !odbc; // a connection string has no file to copy
        TranscribeReport r;
        {
            LockHolder holder(file, 1500);
            r = Transcribe(*importTable(kOutDeathRegister, deathRows(20)), f.state.runSettings(), f.state.master, f.prompt, f.clock, nullptr, options);
        }
        QVERIFY2(r.ok(), qPrintable(f.prompt.texts().join(QStringLiteral("|"))));
        QCOMPARE(r.rowsWritten, 20);
        QVERIFY(r.skipped.isEmpty() && r.rolledBack.isEmpty());
        f.reopen();
        checkKakoMatchesRegister(f);
        const Register before = registerOf(f);
        f.db.reset();

        f.prompt.clear();
        options.lockWaitMs = 600;
        {
            LockHolder holder(file, 2500);
            r = Transcribe(*importTable(kOutDeathRegister, deathRows(5, 40)), f.state.runSettings(), f.state.master, f.prompt, f.clock, nullptr, options);
        }
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QVERIFY(r.skipped.isEmpty() && r.rolledBack.isEmpty());
        QCOMPARE(r.rowsWritten, 0);
        QVERIFY2(f.prompt.texts().join(QString()).contains(QStringLiteral("別のプログラム（カリンデなど）がデータベースに書き込み中")),
                 qPrintable(f.prompt.texts().join(QStringLiteral("|"))));
        f.reopen();
        QCOMPARE(registerOf(f), before);
        QVERIFY(!QFile::exists(KakoJournalPath(f.state.files.kako)));
    }

    // While a row waits for another program's lock the progress display
    // stays alive: it shows the wait, and キャンセル stops the run there with
    // nothing of the row written.
    void cancelWhileWaitingForALock()
    {
        struct CancelOnWait : ProgressObserver {
            QStringList texts;
            void progress(int, int, const QString &text) override { texts << text; }
            bool cancelRequested() override
            {
                return !texts.isEmpty() && texts.last().contains(QStringLiteral("書き込みが終わるのを待っています"));
            }
        } progress;
        Fixture f(kOutDeathRegister, kModeAppend);
        f.db.reset();
        f.t.db().close();
        TranscribeReport r;
        {
            LockHolder holder(f.state.files.database, 4000);
            r = Transcribe(*importTable(kOutDeathRegister, deathRows(3)), f.state.runSettings(), f.state.master, f.prompt, f.clock, &progress);
        }
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Cancelled);
        QCOMPARE(r.rowsWritten, 0);
        QVERIFY(progress.texts.last().startsWith(QStringLiteral("1 番目のデータ: ")));
        QCOMPARE(registerOf(f), kEmpty);
        QVERIFY(!QFile::exists(KakoJournalPath(f.state.files.kako)));
    }

    // A column the run writes is missing: every row is rolled back whole,
    // kako.rnd included, and the run does not count as a success.
    void failedRowsLeaveNothingAndAreNoSuccess()
    {
        Fixture f(kOutDeathRegister, kModeAppend);
        f.t.db().execute(QStringLiteral("ALTER TABLE [W_KAKO] DROP COLUMN [享年和]"));
        const TranscribeReport r = f.run(deathRows(5));
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Completed);
        QVERIFY(!r.ok());
        QCOMPARE((QList<qsizetype>{r.rowsWritten, r.rolledBack.size(), r.incompleteRows()}), (QList<qsizetype>{0, 5, 5}));
        QCOMPARE(registerOf(f), kEmpty);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_KOJIN]")), 0);
        QVERIFY(!QFile::exists(KakoJournalPath(f.state.files.kako)));
    }

    // Rows are committed in batches, each row in a savepoint: a row the
    // engine refuses in the middle of a batch is taken back alone (its
    // kako.rnd record and M_お参り rows too), the rows before and after it
    // stay, and the next entry takes its number.
    void aFailedRowInsideABatchLeavesItsNeighbours_data() { addBatchSizes(4); }
    void aFailedRowInsideABatchLeavesItsNeighbours()
    {
        QFETCH(int, batchRows);
        Fixture f(kOutDeathRegister, kModeAppend);
        // A household that only the refused row touches keeps its services.
        f.addHousehold(QStringLiteral("施主九"), QStringLiteral("000050"));
        f.addMember(QStringLiteral("50"), QStringLiteral("施主九"), QStringLiteral("000050"));
        f.t.db().insert(QStringLiteral("M_お参り"), {{QStringLiteral("世帯CD"), QStringLiteral("000050")},
                                                    {QStringLiteral("お参りCD"), 3},
                                                    {QStringLiteral("お参り名称"), QStringLiteral("元の選択")}});
        f.t.db().execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON [W_KAKO] WHEN NEW.[戒名] = '釋浄7' "
                                        "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END"));
        QList<ImportRow> rows = deathRows(10);
        rows[6][kSeshu] = QStringLiteral("施主九");
        TranscribeOptions options;
        options.batchRows = batchRows;
        const TranscribeReport r = f.run(rows, options);

        QVERIFY(!r.ok());
        QCOMPARE(r.rolledBack.size(), 1);
        QCOMPARE((QList<int>{r.rowsWritten, r.rolledBack.first().row, r.lastKakoCd}), (QList<int>{9, 7, 9}));
        checkKakoMatchesRegister(f);
        QCOMPARE(registerOf(f).last(), 9);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI] WHERE [戒名] = '釋浄7'")), 0);
        QCOMPARE(f.column(QStringLiteral("SELECT [お参り名称] AS v FROM [M_お参り] WHERE [世帯CD] = '000050'")),
                 QStringList{QStringLiteral("元の選択")});
        QVERIFY(!QFile::exists(KakoJournalPath(f.state.files.kako)));
    }

    // M_お参り is written once per household and commit, yet leaves the
    // table as a rewrite for every row would: each household's seventeen
    // services, the households in the order of their last rows.
    void servicesOfEachHouseholdFollowItsLastRow_data() { addBatchSizes(3); }
    void servicesOfEachHouseholdFollowItsLastRow()
    {
        QFETCH(int, batchRows);
        Fixture f(kOutDeathRegister, kModeAppend);
        const QStringList donors{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("甲"), QStringLiteral("丙"),
                                 QStringLiteral("乙"), QStringLiteral("丁"), QStringLiteral("甲")};
        QList<ImportRow> rows = deathRows(int(donors.size()));
        for (int i = 0; i < donors.size(); ++i)
            rows[i][kSeshu] = donors.at(i);
        TranscribeOptions options;
        options.batchRows = batchRows;
        QVERIFY(f.run(rows, options).ok());

        // The household of each row, in row order, and the order of last rows.
        const QStringList households = f.column(QStringLiteral("SELECT [世帯CD] AS v FROM [W_KAKO] ORDER BY [過去CD]"));
        QCOMPARE(households.size(), donors.size());
        QStringList byLastRow;
        for (const QString &h : households) {
            byLastRow.removeAll(h);
            byLastRow << h;
        }
        QStringList stored;
        Query q = f.db->exec(QStringLiteral("SELECT [世帯CD], [お参りCD] FROM [M_お参り] ORDER BY rowid"));
        int expectedService = 1;
        while (q.next()) {
            const QString h = QString::number(q.integer(QStringLiteral("世帯CD")));
            if (stored.isEmpty() || stored.last() != h) {
                QCOMPARE(expectedService, 1); // the previous household's rows were complete
                stored << h;
            }
            QCOMPARE(q.integer(QStringLiteral("お参りCD")), qint64(expectedService));
            expectedService = expectedService == 17 ? 1 : expectedService + 1;
        }
        QCOMPARE(stored, byLastRow);
    }

    // A donor lookup that fails (a member row the engine cannot read) is no
    // "not found": the row stops at the lookup and is rolled back, listed
    // under the lookup's name. The household a "not found" would make for a
    // member who exists is never even tried: a trigger refuses it, and its
    // words would be in the row's failure.
    void failedLookupNeverMakesASecondHousehold()
    {
        Fixture f(kOutDeathRegister, kModeAppend);
        f.addHousehold(QStringLiteral("山田花子"), QStringLiteral("000001"));
        f.addMember(QStringLiteral("1"), QStringLiteral("山田花子"), QStringLiteral("000001"));
        f.t.db().execute(QStringLiteral("UPDATE [D_KOJIN] SET [sei] = 'abc'"));
        f.t.db().execute(QStringLiteral("CREATE TRIGGER [no_second_household] BEFORE INSERT ON [D_SETAI] "
                                        "BEGIN SELECT RAISE(ABORT, 'second household tried'); END"));
        const TranscribeReport r = f.run({{{kKaimyo, QStringLiteral("釋浄念")},
                                           {kSeshu, QStringLiteral("山田花子")},
                                           {kDate, QStringLiteral("2003年5月17日")}}});
        QCOMPARE(r.rowsWritten, 0);
        QCOMPARE(r.rolledBack.size(), 1);
        const QString reason = r.rolledBack.first().reason;
        QVERIFY2(reason.contains(QStringLiteral("「山田花子」の検索に失敗しました")), qPrintable(reason));
        QVERIFY2(!reason.contains(QStringLiteral("second household tried")), qPrintable(reason));
        for (const QString &shown : f.prompt.texts())
            QVERIFY2(!shown.startsWith(QStringLiteral("ErrCode")), qPrintable(shown));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_SETAI]")), 1);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_KOJIN]")), 1);
        QCOMPARE(registerOf(f), kEmpty);
    }

    // A run killed between a kako.rnd record and its commit leaves the
    // journal; the next run takes the record back (or keeps it when the row
    // was committed after all) and numbers on without a gap.
    void uncommittedRecordOfAKilledRunIsTakenBack_data()
    {
        QTest::addColumn<bool>("committed");
        QTest::newRow("killed before the commit") << false;
        QTest::newRow("killed after the commit") << true;
    }
    void uncommittedRecordOfAKilledRunIsTakenBack()
    {
        QFETCH(bool, committed);
        Fixture f(kOutDeathRegister, kModeAppend);
        QVERIFY(f.run(deathRows(3)).ok());
        {
            // What the killed run got as far as: a batch of three records
            // written (the middle row's first try taken back), the journal
            // beside them, the batch committed or not.
            KakoRndFile kako(f.state.files.kako);
            kako.setJournaled(true);
            KakoRec rec;
            for (qint32 n = 4; n <= 6; ++n) {
                rec.過去CD = qint16(n);
                rec.戒名 = QStringLiteral("釋途中%1").arg(n);
                if (n == 5) {
                    kako.put(rec);
                    kako.undoRow();
                    QCOMPARE(kako.entryCount(), 4);
                }
                kako.put(rec);
                kako.keepRow();
                if (committed)
                    f.db->insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), n}, {QStringLiteral("戒名"), rec.戒名}});
            }
        }
        QVERIFY(QFile::exists(KakoJournalPath(f.state.files.kako)));
        QCOMPARE(KakoRndFile(f.state.files.kako).entryCount(), 6);

        f.prompt.clear();
        const TranscribeReport r = f.run(deathRows(2, 10));
        QVERIFY(r.ok());
        QCOMPARE(r.recoveredKakoCd, committed ? 0 : 4);
        QCOMPARE(f.prompt.texts().join(QString()).contains(QStringLiteral("確定していない記録（過去CD 4〜6）")), !committed);
        QCOMPARE(r.firstKakoCd, committed ? 7 : 4);
        QVERIFY(!QFile::exists(KakoJournalPath(f.state.files.kako)));
        if (committed) {
            // The committed rows have their W_KAKO rows only (made by hand here).
            QCOMPARE(KakoRndFile(f.state.files.kako).entryCount(), 8);
            QCOMPARE(KakoRndFile(f.state.files.kako).get(5).戒名, QStringLiteral("釋途中5"));
        } else {
            checkKakoMatchesRegister(f);
        }
    }

    // The disk fills up (or a file may grow no further, or the folder is
    // read-only) while a run writes: the run stops at that row naming the
    // cause, the rows before it stay, the failed row leaves nothing (its
    // kako.rnd record included), and a later run goes on from there.
    void writeFaultsMidRun_data() { FaultyFolder::addRows(); }
    void writeFaultsMidRun()
    {
        QFETCH(WriteFault, fault);
        FaultyFolder folder(fault, 8 << 20);
        if (!folder.skipReason().isEmpty())
            QSKIP(qPrintable(folder.skipReason()));
        // The fixture's master data, its run in the faulty folder.
        Fixture f(kOutDeathRegister);
        AppState &state = f.state;
        state.files.database = CreateDemoDatabase(folder.path());
        DeriveSiblingPaths(state);
        ScriptedPrompt &prompt = f.prompt;
        TranscribeOptions options;
        options.backup = false;
        QVERIFY(f.run(deathRows(10), options).ok());

        const qint64 room = 1 << 20;
        folder.arm(fault == WriteFault::SizeCap ? QFileInfo(state.files.database).size() + room : room);
        // Small batches, so that some are committed before the disk fills:
        // the batch that meets the fault is lost whole and the run says so.
        options.batchRows = 20;
        prompt.clear();
        const TranscribeReport r = f.run(deathRows(400, 11), options);
        folder.disarm();

        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QVERIFY(r.rolledBack.isEmpty());
        const QString said = prompt.texts().join(QString());
        qInfo("stopped at row %d: %s", r.failureRow, qPrintable(r.failure.section(QStringLiteral("\r\n"), 0, 1)));
        if (fault == WriteFault::ReadOnlyFolder) {
            QCOMPARE(r.rowsWritten, 0);
            QVERIFY2(said.contains(QStringLiteral("読み取り専用")), qPrintable(said));
        } else {
            QVERIFY2(r.rowsWritten > 0 && r.rowsWritten < 400, qPrintable(QString::number(r.rowsWritten)));
            QCOMPARE(r.failureRow, r.rowsWritten + 1);
            QVERIFY2(said.contains(QStringLiteral("ディスク")) || said.contains(systemReason(ENOSPC))
                         || said.contains(systemReason(EFBIG)),
                     qPrintable(said));
        }
        QVERIFY(!QFile::exists(KakoJournalPath(state.files.kako)));

        f.db = Database::open(state.files.database);
        QCOMPARE(f.column(QStringLiteral("SELECT [integrity_check] AS v FROM pragma_integrity_check()")), QStringList{QStringLiteral("ok")});
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), qint64(10 + r.rowsWritten));
        checkKakoMatchesRegister(f);
        f.db.reset();

        // With room again, the next run numbers on without a gap.
        QVERIFY(f.run(deathRows(5, 900), options).ok());
        f.db = Database::open(state.files.database);
        checkKakoMatchesRegister(f);
    }

    // The 32,767-entry limit: the run stops at the row past it with a
    // message naming the limit; the check reports it once for all the rows.
    void entryLimitIsNamedOnce()
    {
        Fixture f(kOutDeathRegister, kModeAppend);
        {
            QFile kako(f.state.files.kako);
            QVERIFY(kako.open(QIODevice::WriteOnly));
            QVERIFY(kako.resize(qint64(kMaxKakoCd - 2) * kKakoRecordBytes));
        }
        f.t.db().insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), kMaxKakoCd - 2}});
        const CheckReport check = CheckTranscription(*importTable(kOutDeathRegister, deathRows(40)), f.state.runSettings(), f.state.master, f.clock);
        QVERIFY(check.made);
        QCOMPARE(check.count(CheckKind::Stop), 1);
        QCOMPARE(check.firstStopRow(), 3);
        bool named = false;
        for (const CheckFinding &finding : check.findings)
            named = named || (finding.kind == CheckKind::Stop && finding.text.contains(QStringLiteral("32,767"))
                              && finding.text.contains(QStringLiteral("37 行")));
        QVERIFY(named);

        const TranscribeReport r = f.run(deathRows(40));
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QCOMPARE((QList<int>{r.rowsWritten, r.failureRow, r.incompleteRows()}), (QList<int>{2, 3, 38}));
        QVERIFY(r.failure.contains(QStringLiteral("32,767")));
        QCOMPARE(KakoRndFile(f.state.files.kako).entryCount(), qint64(kMaxKakoCd));
        QVERIFY(!QFile::exists(KakoJournalPath(f.state.files.kako)));
    }
};

QTEST_GUILESS_MAIN(TestRunSafety)
#include "tst_run_safety.moc"
