// The backup before every run: the copies, their notes, and the faults
// that must leave the previous pair whole.
#include "session/demo_database.h"
#include "file_faults.h"
#include "fixture.h"
#include "transcribe/backup.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace tera;

namespace {

// The households a database file holds: a backup is the same database,
// not necessarily the same bytes (the engine writes its copy page by page).
QStringList households(const QString &path)
{
    QStringList numbers;
    auto db = Database::open(path);
    Query q = db->exec(QStringLiteral("SELECT [SETAI_NO] FROM [D_SETAI] ORDER BY [SETAI_NO]"));
    while (q.next())
        numbers << q.text(QStringLiteral("SETAI_NO"));
    q.finish();
    db->close();
    return numbers;
}

AppState stateFor(const QString &dbPath)
{
    AppState s;
    s.files.database = dbPath;
    DeriveSiblingPaths(s);
    return s;
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private slots:
    // No kako.rnd yet: a note, no warning; tera2.mdb is made, and a
    // kako2.rnd of an earlier pair goes, as it belongs to no database now.
    // Later runs replace both copies without a word.
    void eachRunReplacesTheCopies()
    {
        TestDb t;
        t.db().close();
        AppState s = stateFor(t.path());
        writeFile(s.files.kakoBackup, QByteArray(780, 'p'));
        ScriptedPrompt prompt;
        BackupResult r = BackupDatabase(s.files, prompt);
        QVERIFY(r.ok);
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("kako.rnd はまだありません。バックアップするものはありません。\r\n")
                                             + QDir::toNativeSeparators(s.files.kako)});
        QCOMPARE(prompt.shown().first().icon, Icon::Information);
        QCOMPARE(r.made, QStringList{s.files.databaseBackup});
        QCOMPARE(households(s.files.databaseBackup), households(s.files.database));
        QVERIFY(!QFile::exists(s.files.kakoBackup));

        prompt.clear();
        writeFile(s.files.kako, QByteArray(780, 'a'));
        QVERIFY(BackupDatabase(s.files, prompt).ok);
        writeFile(s.files.kako, QByteArray(1560, 'b'));
        Database::open(s.files.database)->insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), QStringLiteral("000009")}});
        r = BackupDatabase(s.files, prompt);
        QVERIFY(r.ok);
        QVERIFY(prompt.texts().isEmpty());
        QCOMPARE(fileBytes(s.files.kakoBackup), QByteArray(1560, 'b'));
        QCOMPARE(households(s.files.databaseBackup), QStringList{QStringLiteral("000009")});
        QCOMPARE(r.made, (QStringList{s.files.kakoBackup, s.files.databaseBackup}));
    }

    void missingSourceIsNamed()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("tera.mdb"));
        ScriptedPrompt prompt;
        QVERIFY(!CopyIfPresent(source, dir.filePath(QStringLiteral("tera2.mdb")), prompt));
        QCOMPARE(prompt.texts().size(), 1);
        QCOMPARE(prompt.texts().first().split(QStringLiteral("\r\n")),
                 (QStringList{QStringLiteral("元になるファイルがありません。"), QDir::toNativeSeparators(source)}));
        QCOMPARE(prompt.shown().first().icon, Icon::Exclamation);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // kako.rnd fits in the room left, tera.mdb does not: the backup fails
    // with the cause, the previous pair stays whole and matching, and no
    // copy or temporary file is left.
    void faultsKeepThePreviousPair_data()
    {
        FaultyFolder::addRows();
    }
    void faultsKeepThePreviousPair()
    {
        QFETCH(WriteFault, fault);
        FaultyFolder dir(fault);
        if (!dir.skipReason().isEmpty())
            QSKIP(qPrintable(dir.skipReason()));
        AppState s = stateFor(CreateDemoDatabase(dir.path()));
        writeFile(s.files.kako, QByteArray(780 * 3, 'k'));
        writeFile(s.files.kakoBackup, QByteArray(780, 'p'));
        writeFile(s.files.databaseBackup, QByteArray("the previous tera2.mdb"));
        QVERIFY(QFileInfo(s.files.database).size() > 64 * 1024);
        ScriptedPrompt prompt;
        BackupResult r;
        expectSaveKeepsFolder(dir, 32 * 1024, [&](QString &why) {
            r = BackupDatabase(s.files, prompt);
            why = r.failure;
            return r.ok;
        });
        QVERIFY(r.made.isEmpty());
        QCOMPARE(prompt.texts().size(), 1);
        QVERIFY2(prompt.texts().first().contains(r.failure), qPrintable(prompt.texts().first()));
    }

    // Through the driver: a disk that fills up during the backup leads to
    // its question, and No writes nothing.
    void fullDiskAsksBeforeWriting()
    {
        Fixture f(kOutMembers);
        const QByteArray db = fileBytes(f.state.files.database);
        f.prompt.script({Answer::No});
        TranscribeReport r;
        {
            FileSizeCap cap(32 * 1024);
            r = f.run({{{kMemberName, QStringLiteral("新人")}}});
        }
        QCOMPARE(r.outcome, TranscribeReport::Outcome::BackupDeclined);
        QVERIFY(!r.backup.ok);
        QCOMPARE(f.prompt.texts().last(), TranscribeText::backupFailedQuestion());
        QVERIFY(f.prompt.texts().join(QString()).contains(systemReason(EFBIG)));
        f.db.reset();
        QCOMPARE(fileBytes(f.state.files.database), db);
        QVERIFY(!QFile::exists(f.state.files.databaseBackup));
    }

    // Rows still in the write-ahead log are part of the copy, also while
    // another program's reader holds a snapshot from before them (so that
    // no checkpoint could fold them into the file): the copy is the last
    // committed state, not the file's older bytes.
    void copyOfLoggedDatabaseIsWhole()
    {
        TestDb t;
        t.db().close();
        const QString name = QStringLiteral("writer");
        const QString readerName = QStringLiteral("reader");
        {
            QSqlDatabase w = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            w.setDatabaseName(t.path());
            QVERIFY(w.open());
            QSqlQuery q(w);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
            QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), readerName);
            reader.setDatabaseName(t.path());
            QVERIFY(reader.open());
            QSqlQuery snapshot(reader);
            QVERIFY(snapshot.exec(QStringLiteral("BEGIN")));
            QVERIFY(snapshot.exec(QStringLiteral("SELECT count(*) FROM [D_SETAI]")));
            QVERIFY(snapshot.next());
            QCOMPARE(snapshot.value(0).toInt(), 0);
            for (int i = 0; i < 50; ++i)
                QVERIFY(q.exec(QStringLiteral("INSERT INTO [D_SETAI] ([SETAI_NO]) VALUES ('%1')").arg(i)));
            QVERIFY(QFile::exists(t.path() + QStringLiteral("-wal")));

            AppState s = stateFor(t.path());
            ScriptedPrompt prompt;
            QVERIFY(BackupDatabase(s.files, prompt).ok);
            // Read the copy alone, in a folder of its own.
            QTemporaryDir other;
            const QString lone = other.filePath(QStringLiteral("tera.mdb"));
            QVERIFY(QFile::copy(s.files.databaseBackup, lone));
            auto copy = Database::open(lone);
            Query c = copy->exec(QStringLiteral("SELECT count(*) AS n FROM [D_SETAI]"));
            QVERIFY(c.next());
            QCOMPARE(c.integer(QStringLiteral("n")), 50);
            c.finish();
            copy->close();
            // The reader's snapshot was left alone.
            QVERIFY(snapshot.exec(QStringLiteral("SELECT count(*) FROM [D_SETAI]")));
            QVERIFY(snapshot.next());
            QCOMPARE(snapshot.value(0).toInt(), 0);
            snapshot.finish();
            QVERIFY(reader.commit() || snapshot.exec(QStringLiteral("COMMIT")));
            reader.close();
            w.close();
        }
        QSqlDatabase::removeDatabase(readerName);
        QSqlDatabase::removeDatabase(name);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
