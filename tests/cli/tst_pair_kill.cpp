// tera.mdb and kako.rnd move as one pair, and so do tera2.mdb and kako2.rnd:
// the program is stopped by its pause hook exactly between the two halves of
// a replace, a backup or a restore, killed there, and then the next command
// must leave pairs with one kako.rnd record per entry, and a restore must
// still give back the state before the last run.
#include "session/demo_database.h"
#include "platform/database.h"
#include "program_run.h"
#include "transcribe/kako_rnd.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace tera;

namespace {

struct Pair {
    qint64 highest = -1; // max(過去CD)
    qint64 records = -1; // whole records of the kako file
    bool whole = false;  // the kako file is a whole number of records
};

Pair pairOf(const QString &dbPath, const QString &kakoPath)
{
    Pair p;
    p.highest = countIn(dbPath, QStringLiteral("SELECT coalesce(max([過去CD]), 0) AS n FROM [W_KAKO]"));
    const qint64 bytes = QFileInfo(kakoPath).isFile() ? QFileInfo(kakoPath).size() : 0;
    p.records = bytes / kKakoRecordBytes;
    p.whole = bytes % kKakoRecordBytes == 0;
    return p;
}

// Starts tera-import with args, to pause at point; its output goes into
// files in folder (a pipe nobody reads would stop it before its pause).
// True once it waits there, with signal the file whose removal lets it go on.
bool startPaused(QProcess &p, const char *point, const QStringList &args, const QString &folder, QString &signal)
{
    signal = QDir(folder).filePath(QStringLiteral("paused"));
    QProcessEnvironment env = headlessEnvironment();
    env.insert(QStringLiteral("TERA_PAUSE_AT"), QString::fromLatin1(point));
    env.insert(QStringLiteral("TERA_PAUSE_SIGNAL"), signal);
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QDir(folder).filePath(QStringLiteral("out")));
    p.setStandardErrorFile(QDir(folder).filePath(QStringLiteral("err")));
    p.start(QStringLiteral(TERA_BINARY), args);
    if (!p.waitForStarted())
        return false;
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(signal) && p.state() == QProcess::Running && waited.elapsed() < 120000)
        QThread::msleep(10);
    return QFileInfo::exists(signal) && p.state() == QProcess::Running;
}

// Runs tera-import with args until it reaches the pause point, then kills
// it there. False (with the program's output) when it never got there.
bool killAt(const char *point, const QStringList &args, QString &why)
{
    QTemporaryDir folder;
    QProcess p;
    QString signal;
    const bool paused = startPaused(p, point, args, folder.path(), signal);
    p.kill();
    p.waitForFinished(60000);
    if (!paused)
        why = QString::fromUtf8(readAll(folder.filePath(QStringLiteral("err"))));
    return paused;
}

} // namespace

class TestPairKill : public QObject {
    Q_OBJECT

private slots:
    void killBetweenTheHalves_data()
    {
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("killed");  // the command killed: append, replace or restore
        QTest::addColumn<QString>("next");    // the command after it
        QTest::addColumn<int>("entriesAfterNext");
        QTest::addColumn<int>("entriesRestored");
        // The register holds 24 entries, the backups the 12 before the last run.
        QTest::newRow("replace, before its deletions commit; the same replace again")
            << "replace-before-commit" << "replace" << "replace" << 5 << 24;
        QTest::newRow("replace, after its deletions commit; the same replace again")
            << "replace-after-commit" << "replace" << "replace" << 5 << 24;
        QTest::newRow("replace, after its deletions commit; an append")
            << "replace-after-commit" << "replace" << "append" << 5 << 24;
        QTest::newRow("backup between its renames; a restore at once")
            << "backup-between-renames" << "append" << "restore" << 24 << 24;
        QTest::newRow("backup between its renames; the run again")
            << "backup-between-renames" << "append" << "append" << 29 << 24;
        QTest::newRow("restore between its renames; a run")
            << "restore-between-renames" << "restore" << "append" << 17 << 12;
        QTest::newRow("restore between its renames; the restore again")
            << "restore-between-renames" << "restore" << "restore" << 12 << 12;
    }
    void killBetweenTheHalves()
    {
        QFETCH(QString, point);
        QFETCH(QString, killed);
        QFETCH(QString, next);
        QFETCH(int, entriesAfterNext);
        QFETCH(int, entriesRestored);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString kako = dir.filePath(QStringLiteral("kako.rnd"));
        const QString tera2 = dir.filePath(QStringLiteral("tera2.mdb"));
        const QString kako2 = dir.filePath(QStringLiteral("kako2.rnd"));
        QDir().mkpath(dir.filePath(QStringLiteral("src")));
        const QString twelve = writeDeathSource(dir.filePath(QStringLiteral("src")), 12);
        const QString five = writeDeathSource(dir.path(), 5);
        for (int run = 0; run < 2; ++run) {
            const ProgramRun r = runTera(deathSourceArgs("transcribe", db, twelve));
            QVERIFY2(r.code == 0, qPrintable(r.err));
        }
        auto command = [&](const QString &what) {
            if (what == QLatin1String("restore"))
                return QStringList{QStringLiteral("restore"), QStringLiteral("--db"), db, QStringLiteral("--yes")};
            QStringList args = deathSourceArgs("transcribe", db, five);
            args[args.indexOf(QStringLiteral("--mode")) + 1] = what;
            return args;
        };

        QString why;
        QVERIFY2(killAt(qPrintable(point), command(killed), why), qPrintable(why));

        const ProgramRun after = runTera(command(next));
        QVERIFY2(after.code == 0, qPrintable(after.out + after.err));
        const Pair current = pairOf(db, kako);
        QVERIFY(current.whole);
        QCOMPARE(current.records, current.highest);
        QCOMPARE(current.highest, qint64(entriesAfterNext));
        const Pair backup = pairOf(tera2, kako2);
        QVERIFY(backup.whole);
        QCOMPARE(backup.records, backup.highest);
        // Nothing half done is left behind.
        const QStringList left = QDir(dir.path()).entryList({QStringLiteral("*.tmp"), QStringLiteral("*.pair"),
                                                             QStringLiteral("*.replacing"), QStringLiteral("*.journal")});
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));

        const ProgramRun restored = runTera(command(QStringLiteral("restore")));
        QVERIFY2(restored.code == 0, qPrintable(restored.out + restored.err));
        const Pair back = pairOf(db, kako);
        QVERIFY(back.whole);
        QCOMPARE(back.records, back.highest);
        QCOMPARE(back.highest, qint64(entriesRestored));
    }

    // check beside a run that is paused with rows written but not yet
    // committed: it reads the last committed state and works; the run then
    // goes on to its end.
    void checkBesideARunReadsTheLastCommittedState()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = writeDeathSource(dir.path(), 30);
        QCOMPARE(runTera(deathSourceArgs("transcribe", db, source)).code, 0);
        QTemporaryDir folder;
        QProcess run;
        QString signal;
        QVERIFY2(startPaused(run, "row-kept", deathSourceArgs("transcribe", db, source), folder.path(), signal),
                 readAll(folder.filePath(QStringLiteral("err"))).constData());
        // The first row's record is in kako.rnd, its entry not committed.
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("kako.rnd"))).size(), 31 * kKakoRecordBytes);

        const ProgramRun check = runTera(deathSourceArgs("check", db, source));
        QVERIFY2(check.code == 0, qPrintable(check.out + check.err));
        QVERIFY2((check.out + check.err).contains(QStringLiteral("別の転記が実行中のため")), qPrintable(check.out + check.err));
        QVERIFY2((check.out + check.err).contains(QStringLiteral("書込 30 行")), qPrintable(check.out + check.err));

        QFile::remove(signal);
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitCode(), 0);
        const Pair after = pairOf(db, dir.filePath(QStringLiteral("kako.rnd")));
        QCOMPARE(after.highest, 60);
        QCOMPARE(after.records, 60);
    }

    // A backup that does not work is refused before anything is touched:
    // the current pair keeps every byte, and the reason is told.
    void restoreRefusesWhatItCannotTrust_data()
    {
        QTest::addColumn<QByteArray>("tera2");   // empty: the real backup
        QTest::addColumn<int>("kako2Records");   // -1: a folder; -2: missing
        QTest::addColumn<int>("kako2Extra");     // bytes past the last whole record
        QTest::addColumn<QString>("reason");
        QTest::newRow("tera2.mdb of random bytes") << QByteArray::fromHex("8f3a11c0ffee00") .repeated(1000) << 12 << 0 << "データベースのファイルではない";
        QTest::newRow("tera2.mdb of zero length") << QByteArray("") << 12 << 0 << "データベースのファイルではない";
        QTest::newRow("kako2.rnd missing") << QByteArray() << -2 << 0 << "がありません";
        QTest::newRow("kako2.rnd a folder") << QByteArray() << -1 << 0 << "ファイルではない";
        QTest::newRow("kako2.rnd cut inside a record") << QByteArray() << 11 << 300 << "780 バイトの倍数ではありません";
        QTest::newRow("kako2.rnd longer than the register") << QByteArray() << 100 << 0 << "合っていない";
        QTest::newRow("kako2.rnd shorter than the register") << QByteArray() << 5 << 0 << "合っていない";
    }
    void restoreRefusesWhatItCannotTrust()
    {
        QFETCH(QByteArray, tera2);
        QFETCH(int, kako2Records);
        QFETCH(int, kako2Extra);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = writeDeathSource(dir.path(), 12);
        for (int run = 0; run < 2; ++run)
            QCOMPARE(runTera(deathSourceArgs("transcribe", db, source)).code, 0);
        const QString tera2Path = dir.filePath(QStringLiteral("tera2.mdb"));
        const QString kako2Path = dir.filePath(QStringLiteral("kako2.rnd"));
        // The zero-length row is the one whose data is set but empty.
        if (!tera2.isNull())
            writeFile(tera2Path, tera2);
        QFile::remove(kako2Path);
        if (kako2Records == -1)
            QVERIFY(QDir().mkpath(kako2Path));
        else if (kako2Records >= 0)
            writeFile(kako2Path, QByteArray(kako2Records * int(kKakoRecordBytes) + kako2Extra, ' '));
        QDir().remove(dir.filePath(QStringLiteral("death.csv")));
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        QMap<QString, QByteArray> before;
        for (const QString &f : files)
            before[f] = readAll(dir.filePath(f));

        const ProgramRun r = runTera({QStringLiteral("restore"), QStringLiteral("--db"), db, QStringLiteral("--yes")});
        QVERIFY(r.code != 0);
        QVERIFY2((r.out + r.err).contains(reason), qPrintable(r.out + r.err));
        QMap<QString, QByteArray> after;
        for (const QString &f : QDir(dir.path()).entryList(QDir::Files))
            after[f] = readAll(dir.filePath(f));
        QCOMPARE(after, before);
    }
};

QTEST_GUILESS_MAIN(TestPairKill)
#include "tst_pair_kill.moc"
