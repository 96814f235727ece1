// What the command line refuses before anything is written: options given
// twice, a source that does not decode in the encoding named, and the
// replace question that comes before the backup.
// Each case reads the folder afterwards: nothing written, no backup made.
#include "session/demo_database.h"
#include "platform/cp932.h"
#include "file_faults.h"
#include "program_run.h"

#include <sqlite3.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {

// The folder's files but the run reports, which say what happened and are
// no part of the data.
QMap<QString, QByteArray> folderFiles(const QString &path)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(path).entryList(QDir::Files))
        if (!name.startsWith(QStringLiteral("import-report-")))
            files[name] = readAll(QDir(path).filePath(name));
    return files;
}

} // namespace

class TestCliRefusals : public QObject {
    Q_OBJECT

private slots:
    void refusedBeforeAnythingIsWritten_data()
    {
        QTest::addColumn<QStringList>("extra");    // added to a death-register append
        QTest::addColumn<QByteArray>("source");    // the source file's bytes
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("words");
        const QByteArray good = QStringLiteral("戒名,俗名,施主名,没年月日\r\n釋一,故人一,施主一,2003年5月17日\r\n").toUtf8();
        QTest::newRow("--yes twice") << QStringList{QStringLiteral("--yes")} << good << 2 << "--yes は一度だけ";
        QTest::newRow("--title twice") << QStringList{QStringLiteral("--title")} << good << 2 << "--title は一度だけ";
        QTest::newRow("--skip-duplicates twice")
            << QStringList{QStringLiteral("--skip-duplicates"), QStringLiteral("--skip-duplicates")} << good << 2
            << "--skip-duplicates は一度だけ";
        QTest::newRow("--encoding utf-8 on a CP932 file")
            << QStringList{QStringLiteral("--encoding"), QStringLiteral("utf-8")}
            << cp932::encode(QStringLiteral("戒名,俗名,施主名,没年月日\r\n釋一,髙橋,施主一,2003年5月17日\r\n")).value_or(QByteArray()) << -1
            << "UTF-8 として読めない文字";
        QTest::newRow("--encoding cp932 on a UTF-8 file")
            << QStringList{QStringLiteral("--encoding"), QStringLiteral("cp932")}
            << QStringLiteral("戒名,俗名,施主名,没年月日\r\n釋一,Café à,施主一,2003年5月17日\r\n").toUtf8() << -1
            << "として読めない文字";
    }
    void refusedBeforeAnythingIsWritten()
    {
        QFETCH(QStringList, extra);
        QFETCH(QByteArray, source);
        QFETCH(int, code);
        QFETCH(QString, words);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString src = writeFile(dir.filePath(QStringLiteral("source.csv")), source);
        const auto before = folderFiles(dir.path());
        const ProgramRun r = runTera(deathSourceArgs("transcribe", db, src) << extra);
        if (code >= 0)
            QCOMPARE(r.code, code);
        else
            QVERIFY(r.code != 0);
        QVERIFY2((r.out + r.err).contains(words), qPrintable(r.out + r.err));
        // Not a byte written: no entry, no kako.rnd, no backup.
        QCOMPARE(folderFiles(dir.path()), before);
    }

    // Another program holds the database exclusively for longer than a run
    // waits: the lock is named as a lock (exit 5), not as a fault of the
    // database, and nothing is written.
    void anotherProgramsLockIsNamed()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString src = writeDeathSource(dir.path(), 3);
        // Read before the lock is taken: closing any other handle of the
        // file in this process would drop the holder's locks.
        const auto before = folderFiles(dir.path());
        sqlite3 *holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(db).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const ProgramRun r = runTera(deathSourceArgs("transcribe", db, src));
        sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(holder);
        QCOMPARE(r.code, 5);
        QVERIFY2(r.err.contains(QStringLiteral("別のプログラム（カリンデなど）がデータベースに書き込み中")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("障害")));
        QCOMPARE(folderFiles(dir.path()), before);
    }

    // A tera.mdb that may not be written is named as such, not as a fault of
    // the database, and nothing is written beside it.
    void aReadOnlyDatabaseIsNamed()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString src = writeDeathSource(dir.path(), 3);
        const auto before = folderFiles(dir.path());
        ReadOnlyFile readOnly(db);
        if (!readOnly.skipReason().isEmpty())
            QSKIP(qPrintable(readOnly.skipReason()));
        const ProgramRun r = runTera(deathSourceArgs("transcribe", db, src));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("データベースが読み取り専用のため書き込めません")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("障害")));
        QCOMPARE(folderFiles(dir.path()), before);
    }

    // restore takes its options once too.
    void restoreOptionsOnce()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const ProgramRun r = runTera({QStringLiteral("restore"), QStringLiteral("--db"), db, QStringLiteral("--yes"), QStringLiteral("--yes")});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("--yes は一度だけ")), qPrintable(r.err));
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
        const auto before = folderFiles(dir.path());
        const ProgramRun r = runTera(args);
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains(QStringLiteral("削除されたデータは復帰できません。\r\nただし、実行の前に作るバックアップ（tera2.mdb、kako2.rnd）から元に戻せます"))
                     || r.err.contains(QStringLiteral("削除されたデータは復帰できません。\nただし、実行の前に作るバックアップ（tera2.mdb、kako2.rnd）から元に戻せます")),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("過去帳 8 件、年回 ")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QStringLiteral("バックアップ保存")));
        QCOMPARE(folderFiles(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestCliRefusals)
#include "tst_cli_refusals.moc"
