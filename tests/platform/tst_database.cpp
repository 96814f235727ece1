// The database layer, every case through Qt's SQLite driver and through the
// SQLite ODBC driver.
#include "platform/database.h"
#include "test_db.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

Q_DECLARE_METATYPE(tera::Route)

class TestDatabase : public QObject {
    Q_OBJECT

private:
    static void routes()
    {
        QTest::addColumn<Route>("route");
        QTest::newRow("sqlite") << Route::Direct;
        QTest::newRow("odbc") << Route::Odbc;
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void engineFollowsContent_data() { routes(); }
    void engineFollowsContent()
    {
        QFETCH(Route, route);
        TestDb t(route);
        QCOMPARE(t.db().dialect(), Dialect::SQLite);
        QCOMPARE(t.db().engine(), route == Route::Direct ? Engine::SQLite : Engine::Odbc);
        // The name says nothing: a SQLite file called .txt is still SQLite.
        const QString renamed = t.dir() + QStringLiteral("/register.txt");
        QVERIFY(QFile::copy(t.path(), renamed));
        QCOMPARE(Database::detect(renamed), FileKind::SQLite);
        auto db = openRoute(renamed, route);
        QCOMPARE(db->exec(QStringLiteral("SELECT count(*) AS n FROM [M_年号]")).next(), true);
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
        if (!bytes.isNull())
            writeFile(path, bytes);
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
        QFile::setPermissions(t.path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        if (QFileInfo(t.path()).isWritable())
            QSKIP("running with rights that ignore file permissions");
        QVERIFY_THROWS_EXCEPTION(DbError, Database::open(t.path()));
    }

    void connectionStringIsAccepted()
    {
        TestDb t;
        auto db = Database::open(QStringLiteral("DRIVER={SQLite3};Database=%1;").arg(t.path()));
        QCOMPARE(db->engine(), Engine::Odbc);
        QCOMPARE(db->dialect(), Dialect::SQLite);
        Query q = db->exec(QStringLiteral("SELECT [年号] FROM [M_年号] WHERE [計算] = ?"), {1925});
        QVERIFY(q.next());
        QCOMPARE(q.text(QStringLiteral("年号")), QStringLiteral("昭和"));
    }

    // Text values are bound: quotes and SQL in names are stored and found
    // exactly, and nothing else happens.
    void hostileTextIsStoredExactly_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("name");
        const QStringList names = {QStringLiteral("O'Neil"), QStringLiteral("山田'); DROP TABLE D_KOJIN;--"),
                                   QStringLiteral("\"二重\"引用"), QStringLiteral("髙橋 﨑山 ①"),
                                   QStringLiteral("[角括弧]"), QStringLiteral("100%_like")};
        for (Route r : {Route::Direct, Route::Odbc})
            for (const QString &n : names)
                QTest::newRow(qPrintable(routeName(r) + QLatin1Char(' ') + n)) << r << n;
    }
    void hostileTextIsStoredExactly()
    {
        QFETCH(Route, route);
        QFETCH(QString, name);
        TestDb t(route);
        Database &db = t.db();
        db.insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QStringLiteral("1")},
                                              {QStringLiteral("MEI"), name},
                                              {QStringLiteral("LIF"), QStringLiteral("0")}});
        db.insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QStringLiteral("2")},
                                              {QStringLiteral("MEI"), QStringLiteral("別人")}});
        Query q = db.exec(QStringLiteral("SELECT * FROM [D_KOJIN] WHERE [MEI] = ?"), {name});
        QVERIFY(q.next());
        QCOMPARE(q.text(QStringLiteral("MEI")), name);
        QCOMPARE(q.text(QStringLiteral("KOJIN_NO")), QStringLiteral("1"));
        QVERIFY(!q.next());
        QCOMPARE(db.execute(QStringLiteral("DELETE FROM [D_KOJIN] WHERE [MEI] = ?"), {name}), 1);
        Query all = db.exec(QStringLiteral("SELECT count(*) AS n FROM [D_KOJIN]"));
        QVERIFY(all.next());
        QCOMPARE(all.integer(QStringLiteral("n")), 1);
        QVERIFY(db.hasTable(QStringLiteral("D_KOJIN")));
    }

    void nullReadsAsEmptyOrZero_data() { routes(); }
    void nullReadsAsEmptyOrZero()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("INSERT INTO [W_KAKO] ([過去CD], [戒名], [bnen]) VALUES (?, NULL, NULL)"), {7});
        Query q = db.exec(QStringLiteral("SELECT * FROM [W_KAKO] WHERE [過去CD] = ?"), {7});
        QVERIFY(q.next());
        QVERIFY(q.isNull(QStringLiteral("戒名")));
        QCOMPARE(q.text(QStringLiteral("戒名")), QString());
        QVERIFY(!q.text(QStringLiteral("戒名")).isNull()); // empty text, not a null string
        QCOMPARE(q.integer(QStringLiteral("bnen")), 0);
        QCOMPARE(q.integer(QStringLiteral("過去CD")), 7);
        // An empty text is written as empty text, not as Null.
        db.insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 8}, {QStringLiteral("戒名"), QString()}});
        Query e = db.exec(QStringLiteral("SELECT * FROM [W_KAKO] WHERE [過去CD] = ?"), {8});
        QVERIFY(e.next());
        QVERIFY(!e.isNull(QStringLiteral("戒名")));
    }

    void readFailuresAreReported_data() { routes(); }
    void readFailuresAreReported()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        Query q = db.exec(QStringLiteral("SELECT * FROM [M_KBN] WHERE [ID] = ?"), {1});
        QVERIFY(q.next());
        try {
            q.integer(QStringLiteral("名称"));
            QFAIL("text read as a number");
        } catch (const DbError &e) {
            QCOMPARE(e.number(), 13);
        }
        try {
            q.text(QStringLiteral("存在しない列"));
            QFAIL("missing column read");
        } catch (const DbError &e) {
            QCOMPARE(e.number(), 3265);
        }
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec(QStringLiteral("SELECT * FROM [無いテーブル]")));
        QVERIFY_THROWS_EXCEPTION(DbError, toInt16(32768));
        QCOMPARE(toInt16(-32768), qint16(-32768));
    }

    // Where a rule relies on it, rows come back in the order they were stored,
    // not in key or name order.
    void storedOrder_data() { routes(); }
    void storedOrder()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("DELETE FROM [M_年号]"));
        const QStringList stored = {QStringLiteral("令和"), QStringLiteral("明治"), QStringLiteral("平成")};
        for (const QString &e : stored)
            db.insert(QStringLiteral("M_年号"), {{QStringLiteral("年号"), e}, {QStringLiteral("開始"), 0}});
        db.execute(QStringLiteral("CREATE INDEX [IX_era_name] ON [M_年号] ([年号])"));
        Query q = db.exec(QStringLiteral("SELECT * FROM [M_年号] WHERE [年号] <> ?") + db.storedOrder(), {QString()});
        QStringList seen;
        while (q.next())
            seen << q.text(QStringLiteral("年号"));
        QCOMPARE(seen, stored);
    }

    void statementsAreReused_data() { routes(); }
    void statementsAreReused()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        const QString find = QStringLiteral("SELECT [NM] FROM [OMAIRI] WHERE [ONO] = ?");
        Query first = db.exec(find, {2});
        QVERIFY(first.next()); // left unfinished on purpose
        for (int i = 0; i < 200; ++i)
            db.insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), i}, {QStringLiteral("戒名"), QString::number(i)}});
        for (int ono : {7, 3, 7}) {
            Query q = db.exec(find, {ono});
            QVERIFY(q.next());
            QCOMPARE(q.text(QStringLiteral("NM")), ono == 7 ? QStringLiteral("新盆") : QStringLiteral("お盆"));
        }
        Query n = db.exec(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]"));
        QVERIFY(n.next());
        QCOMPARE(n.integer(QStringLiteral("n")), 200);
    }

    void transactions_data() { routes(); }
    void transactions()
    {
        QFETCH(Route, route);
        TestDb t(route);
        auto count = [&](Database &db) {
            Query q = db.exec(QStringLiteral("SELECT count(*) AS n FROM [D_SETAI]"));
            q.next();
            const qint64 n = q.integer(QStringLiteral("n"));
            q.finish();
            return n;
        };
        Database &db = t.db();
        {
            Transaction tx(db);
            db.insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), QStringLiteral("000001")}});
            tx.commit();
        }
        try {
            Transaction tx(db);
            db.insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), QStringLiteral("000002")}});
            db.insert(QStringLiteral("存在しない"), {{QStringLiteral("x"), 1}});
            tx.commit();
            QFAIL("insert into a missing table succeeded");
        } catch (const DbError &) {
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(count(db), 1);
        auto again = t.openAgain();
        QCOMPARE(count(*again), 1);
    }

    // A product database carries more columns, in another order, with
    // defaults and NOT NULL constraints: the layer writes only what it names.
    void productTablesWithExtraColumns_data() { routes(); }
    void productTablesWithExtraColumns()
    {
        QFETCH(Route, route);
        TestDb t(route);
        t.db().execute(QStringLiteral("DROP TABLE [D_KOJIN]"));
        t.db().execute(QStringLiteral(
            "CREATE TABLE [D_KOJIN] ([更新日] TEXT NOT NULL DEFAULT '2000/01/01', [MEI] TEXT, "
            "[旧コード] INTEGER NOT NULL DEFAULT 42, [ID] INTEGER PRIMARY KEY AUTOINCREMENT, "
            "[KOJIN_NO] TEXT, [備考] TEXT DEFAULT '－', [LIF] TEXT)"));
        auto db = t.openAgain();
        db->insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QStringLiteral("5")},
                                               {QStringLiteral("MEI"), QStringLiteral("鈴木")},
                                               {QStringLiteral("LIF"), QStringLiteral("0")}});
        QCOMPARE(db->update(QStringLiteral("D_KOJIN"), {{QStringLiteral("LIF"), QStringLiteral("1")}},
                            QStringLiteral("[KOJIN_NO] = ?"), {QStringLiteral("5")}),
                 1);
        Query q = db->exec(QStringLiteral("SELECT * FROM [D_KOJIN]"));
        QVERIFY(q.next());
        QCOMPARE(q.text(QStringLiteral("更新日")), QStringLiteral("2000/01/01"));
        QCOMPARE(q.integer(QStringLiteral("旧コード")), 42);
        QCOMPARE(q.text(QStringLiteral("備考")), QStringLiteral("－"));
        QCOMPARE(q.text(QStringLiteral("MEI")), QStringLiteral("鈴木"));
        QCOMPARE(q.text(QStringLiteral("LIF")), QStringLiteral("1"));
        QCOMPARE(q.integer(QStringLiteral("ID")), 1);
    }

    void datesAsTheDatabaseStoresThem()
    {
        TestDb t;
        t.db().insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("T_YMD"), t.db().dateValue(QDate(1999, 1, 1))}});
        Query q = t.db().exec(QStringLiteral("SELECT [T_YMD] FROM [D_KOJIN]"));
        QVERIFY(q.next());
        QCOMPARE(q.text(QStringLiteral("T_YMD")), QStringLiteral("1999/01/01"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
