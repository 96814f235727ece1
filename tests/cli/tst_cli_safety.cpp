// The command line as scripts use it when things go wrong: two runs on one
// database at once, another program's lock, a read-only tera.mdb, rows that
// fail, a member that cannot be written, a kako.rnd behind the register, the
// replace question declined. The exit code and the data must both tell the
// truth.
#include "session/demo_database.h"
#include "platform/database.h"
#include "file_faults.h"
#include "program_run.h"
#include "transcribe/kako_rnd.h"
#include "transcribe/run_lock.h"

#include <sqlite3.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <optional>

using namespace tera;

namespace {

// The folder's files but the run reports, which say what happened and are
// no part of the data.
QMap<QString, QByteArray> dataFiles(const QString &path)
{
    QMap<QString, QByteArray> files = folderBytes(path);
    for (const QString &name : files.keys())
        if (name.startsWith(QStringLiteral("import-report-")))
            files.remove(name);
    return files;
}

} // namespace

class TestCliSafety : public QObject {
    Q_OBJECT

private slots:
    // The second of two runs started together is refused at once (exit 5,
    // naming the first); the first writes everything, and the register and
    // kako.rnd agree.
    void twoRunsAtOnce()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = writeDeathSource(dir.path(), 1500);
        QProcess first;
        first.start(QStringLiteral(TERA_BINARY), deathSourceArgs("transcribe", db, source));
        QVERIFY(first.waitForStarted());
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(RunLockPath(db)) && t.elapsed() < 20000 && first.state() == QProcess::Running)
            QThread::msleep(10);
        QVERIFY2(QFile::exists(RunLockPath(db)), "the first run never took the lock");

        const ProgramRun second = runTera(deathSourceArgs("transcribe", db, source));
        QCOMPARE(second.code, 5);
        QVERIFY2(second.err.contains(QStringLiteral("プロセス %1").arg(first.processId())), qPrintable(second.err));

        QVERIFY(first.waitForFinished(120000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 1500);
        QCOMPARE(countIn(db, QStringLiteral("SELECT max([過去CD]) AS n FROM [W_KAKO]")), 1500);
        QCOMPARE(KakoRndFile(dir.filePath(QStringLiteral("kako.rnd"))).entryCount(), 1500);
        QVERIFY(!QFile::exists(RunLockPath(db)));
    }

    // Failing rows make the run a failure: exit 1, "未完了" with the count,
    // nothing of those rows written; check says the same beforehand.
    void failedRowsAreNoSuccess()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = writeDeathSource(dir.path(), 6);
        Database::open(db)->execute(QStringLiteral("ALTER TABLE [W_KAIKI] DROP COLUMN [回年号]"));

        const ProgramRun check = runTera(deathSourceArgs("check", db, source));
        QCOMPARE(check.code, 1);

        const ProgramRun run = runTera(deathSourceArgs("transcribe", db, source));
        QCOMPARE(run.code, 1);
        QVERIFY2(run.out.contains(QStringLiteral("書込 0 行、スキップ 0 行、未完了 6 行")), qPrintable(run.out));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 0);
        QCOMPARE(KakoRndFile(dir.filePath(QStringLiteral("kako.rnd"))).entryCount(), 0);
    }

    // A member that cannot be written at row 3 ends the program: exit 4, the
    // two rows before it kept in the register and kako.rnd alike, nothing of
    // row 3, and the run report filed all the same.
    void memberFailureEndsTheRun()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = writeDeathSource(dir.path(), 6);
        Database::open(db)->execute(QStringLiteral("CREATE TRIGGER [no_kojin] BEFORE INSERT ON [D_KOJIN] WHEN NEW.[MEI] = "
                                                   "'施主3' BEGIN SELECT RAISE(ABORT, 'member refused'); END"));

        const ProgramRun run = runTera(deathSourceArgs("transcribe", db, source));
        QCOMPARE(run.code, 4);
        QVERIFY2(run.out.contains(QStringLiteral("プログラムを終了しました")), qPrintable(run.out));
        QVERIFY2(run.err.contains(QStringLiteral("転記レポート: ")), qPrintable(run.err));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 2);
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO] WHERE [戒名] = '釋浄3'")), 0);
        QCOMPARE(KakoRndFile(dir.filePath(QStringLiteral("kako.rnd"))).entryCount(), 2);
    }

    // kako.rnd deleted after an import: the next append stops before the
    // backup, the entries and kako2.rnd stay as they are.
    void appendAfterKakoLost()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = writeDeathSource(dir.path(), 4);
        QCOMPARE(runTera(deathSourceArgs("transcribe", db, source)).code, 0);
        const QString kako = dir.filePath(QStringLiteral("kako.rnd"));
        QVERIFY(QFile::remove(kako));
        QFile kako2(dir.filePath(QStringLiteral("kako2.rnd")));
        const QDateTime backupTime = QFileInfo(kako2).lastModified();

        const ProgramRun check = runTera(deathSourceArgs("check", db, source));
        QCOMPARE(check.code, 1);
        QVERIFY(check.out.contains(QStringLiteral("過去CD 4 まで")));

        const ProgramRun run = runTera(deathSourceArgs("transcribe", db, source));
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("kako.rnd の記録は 0 件")), qPrintable(run.err));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 4);
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), 4 * 18);
        QVERIFY(!QFile::exists(kako));
        QCOMPARE(QFileInfo(kako2).lastModified(), backupTime);
    }

    // Another program holds the database exclusively for longer than a run
    // waits: the lock is named as a lock (exit 5), not as a fault of the
    // database. A tera.mdb that may not be written is named as such (exit 1).
    // Either way nothing is written beside it.
    void lockedOrReadOnlyDatabaseIsNamed_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("another program's lock") << true << 5 << "別のプログラム（カリンデなど）がデータベースに書き込み中";
        QTest::newRow("read-only tera.mdb") << false << 1 << "データベースが読み取り専用のため書き込めません";
    }
    void lockedOrReadOnlyDatabaseIsNamed()
    {
        QFETCH(bool, locked);
        QFETCH(int, code);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString src = writeDeathSource(dir.path(), 3);
        // Read before the lock is taken: closing any other handle of the
        // file in this process would drop the holder's locks.
        const auto before = dataFiles(dir.path());
        std::optional<ReadOnlyFile> readOnly;
        sqlite3 *holder = nullptr;
        if (locked) {
            QCOMPARE(sqlite3_open(QFile::encodeName(db).constData(), &holder), SQLITE_OK);
            QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        } else {
            readOnly.emplace(db);
            if (!readOnly->skipReason().isEmpty())
                QSKIP(qPrintable(readOnly->skipReason()));
        }
        const ProgramRun r = runTera(deathSourceArgs("transcribe", db, src));
        if (holder) {
            sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(holder);
        }
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("障害")));
        QCOMPARE(dataFiles(dir.path()), before);
    }

    // Replace without --yes: the question is asked (and answered いいえ)
    // before the backup, so the backups of the last run keep every byte.
    void replaceDeclinedKeepsTheBackups()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString src = writeDeathSource(dir.path(), 4);
        for (int run = 0; run < 2; ++run)
            QCOMPARE(runTera(deathSourceArgs("transcribe", db, src)).code, 0);
        QStringList args = deathSourceArgs("transcribe", db, src);
        args.removeAll(QStringLiteral("--yes"));
        args[args.indexOf(QStringLiteral("--mode")) + 1] = QStringLiteral("replace");
        const auto before = dataFiles(dir.path());
        const ProgramRun r = runTera(args);
        QCOMPARE(r.code, 3);
        QVERIFY2(QString(r.err).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                     .contains(QStringLiteral("削除されたデータは復帰できません。\nただし、実行の前に作るバックアップ（tera2.mdb、kako2.rnd）から元に戻せます")),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("過去帳 8 件、年回 ")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("バックアップ保存")));
        QCOMPARE(dataFiles(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestCliSafety)
#include "tst_cli_safety.moc"
