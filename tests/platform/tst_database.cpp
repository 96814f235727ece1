// The database layer, every case through Qt's SQLite driver and through the
// SQLite ODBC driver.
#include "platform/database.h"
#include "file_faults.h"
#include "test_db.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using namespace tera;

class TestDatabase : public QObject {
    Q_OBJECT

private slots:
    // The engine follows the content, not the name (a SQLite file called .txt
    // is still SQLite); an ODBC connection string is taken in place of a path.
    void engineFollowsContent_data() { addRoutes(); }
    void engineFollowsContent()
    {
        QFETCH(Route, route);
        TestDb t(route);
        const QString renamed = t.dir() + QStringLiteral("/register.txt");
        QVERIFY(QFile::copy(t.path(), renamed));
        QCOMPARE(Database::detect(renamed), FileKind::SQLite);
        auto db = route == Route::Direct ? openRoute(renamed, route)
                                         : Database::open(QStringLiteral("DRIVER={SQLite3};Database=%1;").arg(renamed));
        QCOMPARE(db->dialect(), Dialect::SQLite);
        QCOMPARE(db->engine(), route == Route::Direct ? Engine::SQLite : Engine::Odbc);
        Query q = db->exec(QStringLiteral("SELECT [年号] FROM [M_年号] WHERE [計算] = ?"), {1925});
        QVERIFY(q.next());
        QCOMPARE(q.text(QStringLiteral("年号")), QStringLiteral("昭和"));
    }

    void badFilesGiveClearMessages_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QByteArray jet(64, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        QByteArray ace(64, '\0');
        ace.replace(4, 15, "Standard ACE DB");
        QByteArray broken("SQLite format 3");
        broken.append('\0');
        broken.append(QByteArray(4000, '\x7f'));
        QTest::newRow("text") << QByteArray("氏名,住所\n山田,東京\n") << QStringLiteral("データベースではないファイル");
        QTest::newRow("empty") << QByteArray("") << QStringLiteral("データベースではないファイル");
        QTest::newRow("jet") << jet << QStringLiteral("Microsoft Access Driver");
        QTest::newRow("ace") << ace << QStringLiteral("Microsoft Access Driver");
        QTest::newRow("damaged sqlite") << broken << QStringLiteral("データベースを開けません");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("ありません"); // null: no file at all
    }
    void badFilesGiveClearMessages()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tera.mdb"));
        QFile f(path);
        if (!bytes.isNull())
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush());
        try {
            Database::open(path);
            QFAIL("opened a file that is no usable database");
        } catch (const DbError &e) {
            QVERIFY2(e.description().contains(expected) || (bytes.startsWith("SQLite") && e.description().contains(QStringLiteral("SQL"))),
                     qPrintable(e.description()));
            if (!bytes.startsWith("SQLite"))
                QVERIFY2(e.description().contains(path), qPrintable(e.description()));
        }
        QCOMPARE(QFile::exists(path), !bytes.isNull());
        QCOMPARE(QFile(path).size(), qint64(bytes.size())); // nothing was written to it
    }

    void readOnlyFileIsRefused()
    {
        TestDb t;
        ReadOnlyFile readOnly(t.path());
        if (!readOnly.skipReason().isEmpty())
            QSKIP(qPrintable(readOnly.skipReason()));
        try {
            Database::open(t.path());
            QFAIL("a read-only database was opened for writing");
        } catch (const DbError &e) {
            QCOMPARE(e.cause(), DbError::Cause::ReadOnly);
        }
    }

    // Text values are bound: quotes and SQL in names are stored and found
    // exactly, and nothing else happens.
    void hostileTextIsStoredExactly_data() { addRoutes(); }
    void hostileTextIsStoredExactly()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        for (const QString &name : {QStringLiteral("山田'); DROP TABLE D_KOJIN;--"), QStringLiteral("\"髙橋\" [﨑山] ①"),
                                    QStringLiteral("100%_like")}) {
            db.insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QStringLiteral("1")}, {QStringLiteral("MEI"), name}});
            db.insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QStringLiteral("2")}, {QStringLiteral("MEI"), QStringLiteral("別人")}});
            Query q = db.exec(QStringLiteral("SELECT * FROM [D_KOJIN] WHERE [MEI] = ?"), {name});
            QVERIFY2(q.next(), qPrintable(name));
            QCOMPARE(q.text(QStringLiteral("MEI")) + q.text(QStringLiteral("KOJIN_NO")), name + QLatin1Char('1'));
            QVERIFY(!q.next());
            q.finish();
            QCOMPARE(db.execute(QStringLiteral("DELETE FROM [D_KOJIN] WHERE [MEI] = ?"), {name}), 1);
            QCOMPARE(db.execute(QStringLiteral("DELETE FROM [D_KOJIN]")), 1); // only the other one was left
        }
    }

    // Null reads as empty text or 0; an empty text is written as empty text,
    // a date as the database stores it.
    void nullEmptyAndDates_data() { addRoutes(); }
    void nullEmptyAndDates()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("INSERT INTO [W_KAKO] ([過去CD], [戒名], [bnen]) VALUES (?, NULL, NULL)"), {7});
        db.insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 8}, {QStringLiteral("戒名"), QString()}});
        db.insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("T_YMD"), db.dateValue(QDate(1999, 1, 1))}});
        Query q = db.exec(QStringLiteral("SELECT * FROM [W_KAKO] ORDER BY [過去CD]"));
        QVERIFY(q.next());
        QVERIFY(q.isNull(QStringLiteral("戒名")));
        QVERIFY(!q.text(QStringLiteral("戒名")).isNull() && q.text(QStringLiteral("戒名")).isEmpty());
        QCOMPARE(q.integer(QStringLiteral("bnen")) + q.integer(QStringLiteral("過去CD")), 7);
        QVERIFY(q.next());
        QVERIFY(!q.isNull(QStringLiteral("戒名")));
        Query d = db.exec(QStringLiteral("SELECT [T_YMD] FROM [D_KOJIN]"));
        QVERIFY(d.next());
        QCOMPARE(d.text(QStringLiteral("T_YMD")), QStringLiteral("1999/01/01"));
    }

    void readFailuresAreReported_data() { addRoutes(); }
    void readFailuresAreReported()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        Query q = db.exec(QStringLiteral("SELECT * FROM [M_KBN] WHERE [ID] = ?"), {1});
        QVERIFY(q.next());
        const auto number = [&](auto read) {
            try {
                read();
            } catch (const DbError &e) {
                return e.number();
            }
            return 0;
        };
        QCOMPARE(number([&] { q.integer(QStringLiteral("名称")); }), 13);          // text read as a number
        QCOMPARE(number([&] { q.text(QStringLiteral("存在しない列")); }), 3265); // a missing column
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec(QStringLiteral("SELECT * FROM [無いテーブル]")));
        // A value a field cannot hold is refused, never cut to what fits.
        QVERIFY_THROWS_EXCEPTION(DbError, toInt16(32768));
        QVERIFY_THROWS_EXCEPTION(DbError, toInt32(qint64(1) << 31));
        QCOMPARE(toInt16(-32768), qint16(-32768));
        QCOMPARE(toInt32(-(qint64(1) << 31)), std::numeric_limits<qint32>::min());
    }

    // A snapshot of a SQLite file while a second connection holds it: a
    // writer's uncommitted rows are left out, an exclusive lock that outlasts
    // the wait is named as a lock, into a file and into an open database.
    void snapshotUnderAnotherConnection_data()
    {
        QTest::addColumn<bool>("intoFile");
        QTest::addColumn<QString>("held");
        QTest::addColumn<bool>("locked");
        for (const bool intoFile : {true, false}) {
            const char *target = intoFile ? "file" : "memory";
            QTest::addRow("uncommitted write, %s", target) << intoFile << QStringLiteral("BEGIN IMMEDIATE") << false;
            QTest::addRow("exclusive lock, %s", target) << intoFile << QStringLiteral("BEGIN EXCLUSIVE") << true;
        }
    }
    void snapshotUnderAnotherConnection()
    {
        QFETCH(bool, intoFile);
        QFETCH(QString, held);
        QFETCH(bool, locked);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.db"));
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(source).constData(), &other), SQLITE_OK);
        const auto run = [other](const QString &sql) {
            return sqlite3_exec(other, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        };
        QCOMPARE(run(QStringLiteral("CREATE TABLE t (n); INSERT INTO t VALUES (1), (2), (3)")), SQLITE_OK);
        QCOMPARE(run(held), SQLITE_OK);
        QCOMPARE(run(QStringLiteral("INSERT INTO t VALUES (4)")), SQLITE_OK);
        const QByteArray sourceBytes = [&] {
            QFile f(source);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        const QString target = dir.filePath(QStringLiteral("copy.db"));
        QVERIFY(QFile(target).open(QIODevice::WriteOnly)); // the staged copy is an empty file
        std::unique_ptr<Database> memory = Database::openInMemory();
        bool lockNamed = false;
        try {
            if (intoFile)
                Database::copySqliteSnapshot(source, target, 200);
            else
                memory->copySqliteSnapshotFrom(source, 200);
        } catch (const SnapshotError &e) {
            QCOMPARE(e.step(), SnapshotError::Step::Copy);
            lockNamed = e.isLockConflict();
        }
        run(QStringLiteral("ROLLBACK"));
        sqlite3_close(other);
        QCOMPARE(lockNamed, locked);
        QFile after(source);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), sourceBytes); // never written
        if (locked)
            return;
        std::unique_ptr<Database> opened = intoFile ? Database::open(target) : nullptr;
        Database &copy = intoFile ? *opened : *memory;
        Query q = copy.exec(QStringLiteral("SELECT count(*) AS n FROM t"));
        QVERIFY(q.next());
        QCOMPARE(q.integer(QStringLiteral("n")), 3);
    }

    // Transactions (a failed row leaves nothing) and product tables with more
    // columns than the program writes are tested with the writers and the
    // run (tst_run_safety, tst_transcribe, tst_death_register).
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
