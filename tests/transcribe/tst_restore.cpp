// Restore puts the backups of a run back byte for byte, after a question
// that names the files and their times, and keeps what it replaces.
#include "session/demo_database.h"
#include "file_faults.h"
#include "fixture.h"
#include "transcribe/kako_rnd.h"
#include "transcribe/run_lock.h"
#include "transcribe/restore.h"

#include <QDir>
#include <QFile>

using namespace tera;

namespace {

struct RestoreFixture : Fixture {
    // withEntry: the register holds one entry (W_KAKO and kako.rnd) before
    // the run; otherwise it is empty and kako.rnd does not exist yet.
    explicit RestoreFixture(bool withEntry = true) : Fixture(kOutDeathRegister)
    {
        if (!withEntry) {
            t.db().close();
            return;
        }
        t.db().insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}, {QStringLiteral("戒名"), QStringLiteral("元からの戒名")}});
        t.db().close();
        // The entry's record in kako.rnd, as the product keeps it.
        KakoRec rec;
        rec.過去CD = 1;
        rec.戒名 = QStringLiteral("元からの戒名");
        KakoRndFile(state.files.kako).put(rec);
    }
    // A death-register run of n rows: backups first, then the rows.
    void run(int n)
    {
        QVERIFY(Fixture::run(deathRows(n)).ok());
        db.reset();
    }
    qint64 kakoRows()
    {
        reopen();
        const qint64 n = count(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]"));
        db.reset();
        return n;
    }
};

void writeKako(const QString &path, char fill, int records) { writeFile(path, QByteArray(780 * records, fill)); }

QString aside(const QString &path, int n = 1)
{
    return path + QStringLiteral(".before-restore") + (n > 1 ? QStringLiteral(".%1").arg(n) : QString());
}

// A folder after a run: the demo database with one row more than its backup
// tera2.mdb, and kako.rnd with one record more than kako2.rnd.
AppState runLeftovers(const QString &folder)
{
    AppState s;
    s.files.database = CreateDemoDatabase(folder);
    DeriveSiblingPaths(s);
    Database::open(s.files.database)->insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}});
    QFile::copy(s.files.database, s.files.databaseBackup);
    Database::open(s.files.database)->insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 2}});
    writeKako(s.files.kako, 'k', 2);
    writeKako(s.files.kakoBackup, 'b', 1);
    return s;
}

// A failed restore: said with the words expected, and the folder exactly as
// it was, with no copy or temporary file left.
void checkNothingChanged(const RestoreResult &r, const ScriptedPrompt &p, const QStringList &words,
                         const QMap<QString, QByteArray> &before, const QString &folder)
{
    QCOMPARE(r.outcome, RestoreResult::Outcome::Failed);
    const ScriptedPrompt::Shown &last = p.shown().last();
    QCOMPARE(last.icon, Icon::Critical);
    QVERIFY(last.text.startsWith(QStringLiteral("元に戻せませんでした。")));
    for (const QString &word : words + QStringList{QStringLiteral("今のファイルはそのまま残っています")})
        QVERIFY2(last.text.contains(word), qPrintable(last.text + QStringLiteral(" / ") + word));
    QCOMPARE(folderBytes(folder), before);
}

} // namespace

class TestRestore : public QObject {
    Q_OBJECT

private slots:
    // Two runs: the restore brings back the state between them, exactly, and
    // keeps what it replaces; every later restore keeps its own under a name
    // of its own, never over an earlier restore's copies.
    void bringsBackTheExactBytes()
    {
        RestoreFixture f;
        writeKako(f.state.files.kako, 'k', 1);
        f.run(2);
        const QByteArray dbBetween = fileBytes(f.state.files.database);
        const QByteArray kakoBetween = fileBytes(f.state.files.kako);
        const qint64 rowsBetween = f.kakoRows();
        f.run(3);
        QVERIFY(f.kakoRows() > rowsBetween);
        const QByteArray dbAfter = fileBytes(f.state.files.database);
        const QByteArray kakoAfter = fileBytes(f.state.files.kako);
        // The backups of the second run hold the state between the runs
        // (the database copied by the engine: the same rows, its own bytes).
        const QByteArray tera2 = fileBytes(f.state.files.databaseBackup);
        QCOMPARE(fileBytes(f.state.files.kakoBackup), kakoBetween);

        ScriptedPrompt p;
        p.script({Answer::Yes});
        const RestoreResult r = RestoreFromBackup(f.state.files, p);
        QCOMPARE(r.outcome, RestoreResult::Outcome::Restored);
        QCOMPARE(fileBytes(f.state.files.database), tera2);
        QCOMPARE(fileBytes(f.state.files.kako), kakoBetween);
        QCOMPARE(f.kakoRows(), rowsBetween);
        QVERIFY(dbBetween != dbAfter);
        // What was replaced is kept.
        QCOMPARE(fileBytes(aside(f.state.files.database)), dbAfter);
        QCOMPARE(fileBytes(aside(f.state.files.kako)), kakoAfter);

        // The question named both backups with their times, then the result.
        QCOMPARE(p.shown().size(), 2);
        const QString question = p.shown().at(0).text;
        QCOMPARE(p.shown().at(0).buttons, Buttons::YesNo);
        const QString time = QFileInfo(f.state.files.databaseBackup).lastModified().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        for (const QString &part : {QDir::toNativeSeparators(f.state.files.databaseBackup), QDir::toNativeSeparators(f.state.files.kakoBackup),
                                    QDir::toNativeSeparators(f.state.files.database), time, QStringLiteral("元に戻しますか？")})
            QVERIFY2(question.contains(part), qPrintable(part + QStringLiteral("\n") + question));
        const QString done = p.shown().at(1).text;
        QVERIFY(done.startsWith(RestoreText::kDone));
        // Which file holds which backup now, in words that cannot be read as
        // the database having been removed.
        QVERIFY2(done.contains(QStringLiteral("データベース %1 を、バックアップ %2 の内容に戻しました")
                                   .arg(QDir::toNativeSeparators(f.state.files.database), QDir::toNativeSeparators(f.state.files.databaseBackup))),
                 qPrintable(done));
        QVERIFY2(done.contains(QStringLiteral("%1 を、バックアップ %2 の内容に戻しました")
                                   .arg(QDir::toNativeSeparators(f.state.files.kako), QDir::toNativeSeparators(f.state.files.kakoBackup))),
                 qPrintable(done));
        QVERIFY(!done.contains(QStringLiteral("取り除")));
        for (const QString &kept : {aside(f.state.files.database), aside(f.state.files.kako)})
            QVERIFY2(done.contains(QDir::toNativeSeparators(kept)), qPrintable(done));

        for (int n = 2; n <= 3; ++n) {
            ScriptedPrompt again;
            QCOMPARE(RestoreFromBackup(f.state.files, again).outcome, RestoreResult::Outcome::Restored);
            for (const QString &path : {f.state.files.database, f.state.files.kako}) {
                const QString kept = QDir::toNativeSeparators(aside(path, n));
                QVERIFY2(again.shown().at(0).text.contains(kept), qPrintable(again.shown().at(0).text));
                QVERIFY2(again.shown().at(1).text.contains(kept), qPrintable(again.shown().at(1).text));
                QVERIFY(!QFile::exists(aside(path, n + 1)));
            }
            QCOMPARE(fileBytes(aside(f.state.files.database)), dbAfter);
            QCOMPARE(fileBytes(aside(f.state.files.kako)), kakoAfter);
            QCOMPARE(fileBytes(aside(f.state.files.database, n)), tera2);
            QCOMPARE(fileBytes(f.state.files.database), tera2);
            QCOMPARE(fileBytes(f.state.files.kako), kakoBetween);
        }
    }

    // The disk fills up, or a file may not grow, while the backups are
    // copied or while the current files are kept: nothing is replaced.
    void faultsLeaveEveryFileInPlace_data()
    {
        QTest::addColumn<WriteFault>("fault");
        QTest::addColumn<bool>("roomForTheBackups");
        QTest::newRow("file size cap") << WriteFault::SizeCap << false;
        QTest::newRow("full disk at the first copy") << WriteFault::FullDisk << false;
        QTest::newRow("full disk once the backups are copied") << WriteFault::FullDisk << true;
        QTest::newRow("read-only folder") << WriteFault::ReadOnlyFolder << false;
    }
    void faultsLeaveEveryFileInPlace()
    {
        QFETCH(WriteFault, fault);
        QFETCH(bool, roomForTheBackups);
        FaultyFolder dir(fault);
        if (!dir.skipReason().isEmpty())
            QSKIP(qPrintable(dir.skipReason()));
        const AppState s = runLeftovers(dir.path());
        const auto before = folderBytes(dir.path());
        const qint64 backups = QFileInfo(s.files.databaseBackup).size() + QFileInfo(s.files.kakoBackup).size();
        ScriptedPrompt p;
        dir.arm(roomForTheBackups ? backups + 16 * 1024 : 32 * 1024);
        const RestoreResult r = RestoreFromBackup(s.files, p);
        dir.disarm();
        if (fault != WriteFault::ReadOnlyFolder) {
            checkNothingChanged(r, p, dir.expectedWords(), before, dir.path());
            return;
        }
        // A folder that takes no file is refused before anything is copied:
        // the restore cannot even set its mark of use there.
        QCOMPARE(r.outcome, RestoreResult::Outcome::Failed);
        const QString said = p.shown().last().text;
        QVERIFY2(said.contains(QStringLiteral("読み取り専用")) && said.contains(QStringLiteral("何も書き込んでいません")),
                 qPrintable(said));
        QCOMPARE(folderBytes(dir.path()), before);
    }

    // A backup SQLite finds damaged (cut short by an old full disk, or a
    // page overwritten) is never put in place.
    void damagedBackupIsRefused_data()
    {
        QTest::addColumn<bool>("cutShort");
        QTest::newRow("cut short") << true;
        QTest::newRow("page overwritten") << false;
    }
    void damagedBackupIsRefused()
    {
        QFETCH(bool, cutShort);
        QTemporaryDir dir;
        const AppState s = runLeftovers(dir.path());
        {
            QFile tera2(s.files.databaseBackup);
            QVERIFY(tera2.open(QIODevice::ReadWrite));
            const qint64 size = tera2.size();
            if (cutShort) {
                QVERIFY(tera2.resize(size / 2));
            } else {
                QVERIFY(tera2.seek(size / 2 / 4096 * 4096));
                tera2.write(QByteArray(4096, '\x5a'));
            }
        }
        const auto before = folderBytes(dir.path());
        ScriptedPrompt p;
        const RestoreResult r = RestoreFromBackup(s.files, p);
        checkNothingChanged(r, p, {QDir::toNativeSeparators(s.files.databaseBackup), QStringLiteral("壊れている")}, before, dir.path());
    }

    // A backup made before kako.rnd existed: the restore takes away the
    // kako.rnd the run created (kept aside), so database and file match.
    void kakoMadeByTheRunIsTakenAway()
    {
        RestoreFixture f(false);
        f.run(2);
        QVERIFY(!QFile::exists(f.state.files.kakoBackup));
        QVERIFY(QFile::exists(f.state.files.kako));
        const QByteArray kakoAfter = fileBytes(f.state.files.kako);
        ScriptedPrompt p;
        const RestoreResult r = RestoreFromBackup(f.state.files, p);
        QCOMPARE(r.outcome, RestoreResult::Outcome::Restored);
        QVERIFY(p.shown().at(0).text.contains(QStringLiteral("取り除きます")));
        QVERIFY(!QFile::exists(f.state.files.kako));
        QCOMPARE(fileBytes(aside(f.state.files.kako)), kakoAfter);
        QCOMPARE(f.kakoRows(), 0);
    }

    // No backup: says so. No: nothing changes. A restore never runs under a
    // transcription: with the run lock held it is refused and nothing
    // changes, kako.rnd included.
    void refusalsChangeNothing()
    {
        RestoreFixture f;
        const QByteArray before = fileBytes(f.state.files.database);
        ScriptedPrompt p;
        QCOMPARE(RestoreFromBackup(f.state.files, p).outcome, RestoreResult::Outcome::NoBackup);
        QCOMPARE(p.shown().size(), 1);
        QVERIFY(p.shown().at(0).text.contains(QDir::toNativeSeparators(f.state.files.databaseBackup)));

        f.run(1);
        const QByteArray after = fileBytes(f.state.files.database), kako = fileBytes(f.state.files.kako);
        QVERIFY(after != before);
        p.clear();
        p.script({Answer::No});
        QCOMPARE(RestoreFromBackup(f.state.files, p).outcome, RestoreResult::Outcome::Declined);
        QCOMPARE(p.shown().last().text, RestoreText::kStopped);

        RunLock running(f.state.files.database);
        QString refusal;
        QVERIFY(running.tryTake(refusal));
        p.clear();
        QCOMPARE(RestoreFromBackup(f.state.files, p).outcome, RestoreResult::Outcome::Locked);
        QVERIFY(p.texts().join(QString()).contains(QStringLiteral("別の転記または復元が使用中")));
        QCOMPARE(fileBytes(f.state.files.database), after);
        QCOMPARE(fileBytes(f.state.files.kako), kako);
        QVERIFY(!QFile::exists(aside(f.state.files.database)));
    }

    // What a killed process left: a record of a run left uncommitted is
    // taken back before the current files are kept aside, and the restore
    // says so; side files of SQLite belong to the replaced file and must not
    // be applied to the restored one.
    void leftoversOfAKilledRunGo()
    {
        RestoreFixture f;
        f.run(2);
        const QByteArray backup = fileBytes(f.state.files.databaseBackup);
        writeFile(f.state.files.database + QStringLiteral("-shm"), "stale");
        const QByteArray kakoCommitted = fileBytes(f.state.files.kako);
        KakoRndFile kako(f.state.files.kako);
        kako.setJournaled(true);
        KakoRec rec;
        rec.過去CD = qint16(kako.entryCount() + 1);
        rec.戒名 = QStringLiteral("釋途中");
        kako.put(rec); // the process is "killed" here: no commit, no undo
        ScriptedPrompt p;
        QCOMPARE(RestoreFromBackup(f.state.files, p).outcome, RestoreResult::Outcome::Restored);
        QVERIFY(p.texts().join(QString()).contains(QStringLiteral("確定していない記録（過去CD %1）").arg(rec.過去CD)));
        QCOMPARE(fileBytes(aside(f.state.files.kako)), kakoCommitted);
        QVERIFY(!QFile::exists(KakoJournalPath(f.state.files.kako)));
        QCOMPARE(fileBytes(f.state.files.kako), fileBytes(f.state.files.kakoBackup));
        QVERIFY(!QFile::exists(f.state.files.database + QStringLiteral("-shm")));
        QCOMPARE(fileBytes(f.state.files.database), backup);
        QCOMPARE(f.kakoRows(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRestore)
#include "tst_restore.moc"
