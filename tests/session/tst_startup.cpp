// Start-up: the search for the database, the sibling paths, the messages that
// end the program, and the master data read on the way.
#include "session/demo_database.h"
#include "session/master_data_reading.h"
#include "session/startup.h"
#include "transcribe/run_lock.h"
#include "platform/database.h"
#include "program_run.h"
#include "scripted_prompt.h"
#include "test_db.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {

// Scripted stand-in for frm確認.
class FakeDialog : public LocationDialog {
public:
    QString choose;      // path "picked" in the file dialog; empty: none
    bool cancel = false; // pressed キャンセル
    bool endProgram = false;
    int shown = 0;
    bool showLocationDialog(AppState &state) override
    {
        ++shown;
        if (endProgram)
            throw EndProgram();
        if (!choose.isEmpty())
            state.files.database = choose;
        return cancel;
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void locateDatabase_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("db");
        QTest::addColumn<QString>("kako");
        QTest::newRow("second candidate on D:")
            << QStringLiteral("D:\\") << QStringList{QStringLiteral("D:\\Program Files\\カリンデ\\tera.mdb")}
            << QStringLiteral("D:\\Program Files\\カリンデ\\tera.mdb") << QStringLiteral("D:\\Program Files\\カリンデ\\kako.rnd");
        QTest::newRow("first wins over later")
            << QStringLiteral("C:\\")
            << QStringList{QStringLiteral("C:\\架燐手\\tera.mdb"), QStringLiteral("C:\\Program Files\\カリンデ総合版\\tera.mdb")}
            << QStringLiteral("C:\\Program Files\\カリンデ総合版\\tera.mdb")
            << QStringLiteral("C:\\Program Files\\カリンデ総合版\\kako.rnd");
        QTest::newRow("other drive only") << QStringLiteral("C:\\") << QStringList{QStringLiteral("E:\\カリンデ\\tera.mdb")}
                                          << QString() << QString();
        QTest::newRow("unix root") << QStringLiteral("/media/usb/") << QStringList{QStringLiteral("/media/usb/カリンデ/tera.mdb")}
                                   << QStringLiteral("/media/usb/カリンデ/tera.mdb") << QStringLiteral("/media/usb/カリンデ/kako.rnd");
    }
    void locateDatabase()
    {
        QFETCH(QString, root);
        QFETCH(QStringList, present);
        QFETCH(QString, db);
        QFETCH(QString, kako);
        QString kakoPath = QStringLiteral("stale");
        const QString found = LocateDatabase(root, kakoPath, [&](const QString &p) { return present.contains(p); });
        QCOMPARE(found, db);
        QCOMPARE(kakoPath, kako);
    }

    void siblingPaths_data()
    {
        QTest::addColumn<QString>("db");
        QTest::addColumn<QString>("kakoBefore");
        QTest::addColumn<QStringList>("expected"); // kako, kako2, tera2
        QTest::newRow("drive root") << QStringLiteral("E:\\tera.mdb") << QString()
                                    << QStringList{QStringLiteral("E:\\kako.rnd"), QStringLiteral("E:\\kako2.rnd"), QStringLiteral("E:\\tera2.mdb")};
        QTest::newRow("search kept kako") << QStringLiteral("D:\\x\\tera.mdb") << QStringLiteral("D:\\x\\kako.rnd")
                                          << QStringList{QStringLiteral("D:\\x\\kako.rnd"), QStringLiteral("D:\\x\\kako2.rnd"), QStringLiteral("D:\\x\\tera2.mdb")};
        QTest::newRow("posix") << QStringLiteral("/srv/寺/TERA.MDB") << QString()
                               << QStringList{QStringLiteral("/srv/寺/kako.rnd"), QStringLiteral("/srv/寺/kako2.rnd"), QStringLiteral("/srv/寺/tera2.mdb")};
    }
    void siblingPaths()
    {
        QFETCH(QString, db);
        QFETCH(QString, kakoBefore);
        QFETCH(QStringList, expected);
        AppState s;
        s.files.database = db;
        s.files.kako = kakoBefore;
        DeriveSiblingPaths(s);
        QCOMPARE((QStringList{s.files.kako, s.files.kakoBackup, s.files.databaseBackup}), expected);
    }

    // The whole sequence against real files: a database found by the search
    // or picked in the dialog gets its kako.rnd beside it.
    void databaseFound_data()
    {
        QTest::addColumn<bool>("picked");
        QTest::newRow("search hit") << false;
        QTest::newRow("picked in the dialog") << true;
    }
    void databaseFound()
    {
        QFETCH(bool, picked);
        QTemporaryDir root;
        const QString dbDir = root.filePath(picked ? QStringLiteral("寺") : QStringLiteral("カリンデ"));
        AppState s;
        ScriptedPrompt prompt;
        FakeDialog dialog;
        dialog.choose = CreateDemoDatabase(dbDir);
        StartupOptions o;
        o.appPath = root.path();
        o.searchRoot = root.path() + (picked ? QStringLiteral("/nowhere/") : QStringLiteral("/"));
        RunStartup(s, prompt, dialog, o);
        QCOMPARE(dialog.shown, picked ? 1 : 0);
        QCOMPARE(prompt.texts(), QStringList());
        QCOMPARE((QStringList{s.files.database, s.files.kako, s.files.databaseBackup}),
                 (QStringList{dbDir + QStringLiteral("/tera.mdb"), dbDir + QStringLiteral("/kako.rnd"), dbDir + QStringLiteral("/tera2.mdb")}));
        // The masters were read (what they hold is the loaders' test below)
        // and the database closed again.
        QCOMPARE(s.master.services[7].NM, QStringLiteral("新盆"));
        QCOMPARE(s.master.kbnValues[1], qint16(1));
        QVERIFY(QFile::remove(s.files.database));
    }

    // A backup killed between its two renames: start-up finishes it, says
    // so, and removes the copy a killed restore left; while a run holds the
    // database, it leaves everything to that run.
    void startUpFinishesAKilledStep_data()
    {
        QTest::addColumn<bool>("runGoingOn");
        QTest::newRow("nothing else running") << false;
        QTest::newRow("a run holds the lock") << true;
    }
    void startUpFinishesAKilledStep()
    {
        QFETCH(bool, runGoingOn);
        QTemporaryDir root;
        const QString db = CreateDemoDatabase(root.path());
        const QDir dir(root.path());
        const auto write = [&](const char *name, const QByteArray &bytes) { writeFile(dir.filePath(QString::fromUtf8(name)), bytes); };
        // kako2.rnd was renamed already, tera2.mdb's copy was not.
        write("kako2.rnd", QByteArray(780, 'n'));
        write("tera2.mdb", QByteArray("the previous backup"));
        write("tera2.mdb.t1t1t1.tmp", QByteArray("the new backup"));
        write("kako.rnd.pair", QByteArray("tera-import pair 1\nop=backup\nmove=kako2.rnd.k1k1k1.tmp\tkako2.rnd\n"
                                          "move=tera2.mdb.t1t1t1.tmp\ttera2.mdb\nend\n"));
        write("tera.mdb.Ab12Cd.tmp", QByteArray("half a restore"));
        RunLock lock(db);
        QString refusal;
        if (runGoingOn)
            QVERIFY(lock.tryTake(refusal));
        const QStringList before = dir.entryList(QDir::Files);
        AppState s;
        ScriptedPrompt prompt;
        FakeDialog dialog;
        StartupOptions o;
        o.appPath = root.path();
        o.givenDbPath = db;
        RunStartup(s, prompt, dialog, o);
        if (runGoingOn) {
            QVERIFY(prompt.texts().isEmpty());
            QCOMPARE(dir.entryList(QDir::Files), before);
            return;
        }
        QCOMPARE(prompt.texts().size(), 2);
        QVERIFY2(prompt.texts().at(0).contains(QStringLiteral("前回のバックアップが途中で終わっていたため、最後まで仕上げました")),
                 qPrintable(prompt.texts().at(0)));
        QVERIFY2(prompt.texts().at(1).contains(QStringLiteral("tera.mdb.Ab12Cd.tmp")), qPrintable(prompt.texts().at(1)));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("tera2.mdb"))), QByteArray("the new backup"));
        for (const QString &gone : {QStringLiteral("kako.rnd.pair"), QStringLiteral("tera2.mdb.t1t1t1.tmp"), QStringLiteral("tera.mdb.Ab12Cd.tmp")})
            QVERIFY2(!dir.exists(gone), qPrintable(gone));
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("kako2.rnd"))).size(), 780);
    }

    void endings_data()
    {
        QTest::addColumn<QString>("pick");  // in the dialog: cancel, end, a file in the folder, or nothing
        QTest::addColumn<QString>("given"); // a file in the folder named at start-up
        QTest::addColumn<QString>("message");
        QTest::newRow("dialog cancelled") << "cancel" << "" << StartupText::kCancelled;
        QTest::newRow("dialog closed by its frame") << "" << "" << StartupText::kNoDatabase;
        QTest::newRow("chosen file gone") << "gone/tera.mdb" << "" << StartupText::kNoDatabase;
        QTest::newRow("not a database") << "tera.mdb" << "" << StartupText::kDatabaseFault;
        QTest::newRow("given path not a database") << "" << "tera.mdb" << StartupText::kDatabaseFault;
        QTest::newRow("given path missing") << "" << "none.mdb" << StartupText::kNoDatabase;
        QTest::newRow("dialog ends the program") << "end" << "" << QString();
    }
    void endings()
    {
        QFETCH(QString, pick);
        QFETCH(QString, given);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QByteArray notADatabase("これはデータベースではありません\n");
        const QString textFile = writeFile(dir.filePath(QStringLiteral("tera.mdb")), notADatabase);

        AppState s;
        ScriptedPrompt prompt;
        FakeDialog dialog;
        StartupOptions o;
        o.appPath = dir.path();
        o.searchRoot = dir.path() + QStringLiteral("/nowhere/");
        dialog.cancel = pick == QLatin1String("cancel");
        dialog.endProgram = pick == QLatin1String("end");
        if (pick.endsWith(QLatin1String(".mdb")))
            dialog.choose = dir.filePath(pick);
        if (!given.isEmpty())
            o.givenDbPath = dir.filePath(given);

        QVERIFY_THROWS_EXCEPTION(EndProgram, RunStartup(s, prompt, dialog, o));
        QCOMPARE(prompt.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QVERIFY(prompt.shown().first().icon == Icon::Exclamation && prompt.shown().first().buttons == Buttons::Ok);
        if (dialog.cancel)
            QVERIFY(s.files.kakoBackup.isEmpty()); // nothing derived, nothing opened
        if (pick.startsWith(QLatin1String("gone")))
            QCOMPARE(s.files.kako, dir.filePath(QStringLiteral("gone/kako.rnd")));
        QCOMPARE(readAll(textFile), notADatabase);
    }

    // The master data, through both routes. More than 20 rows, or a value
    // past 16 bits, is said; the values read before it stay.
    void kbnRowCounts_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("bad"); // the ID whose value is past 16 bits; 0: none
        for (Route r : {Route::Direct, Route::Odbc}) {
            for (int n : {0, 12, 20, 21, 25})
                if (r == Route::Direct || n == 21) // counted alike on both routes: one case shows it
                    QTest::newRow(qPrintable(QStringLiteral("%1 %2 rows").arg(routeName(r)).arg(n))) << r << n << 0;
            QTest::newRow(qPrintable(routeName(r) + QStringLiteral(" bad value at ID 4"))) << r << 12 << 4;
        }
    }
    void kbnRowCounts()
    {
        QFETCH(Route, route);
        QFETCH(int, rows);
        QFETCH(int, bad);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("DELETE FROM [M_KBN]"));
        // Stored in reverse: the values follow ascending ID, not the stored order.
        for (int id = rows; id >= 1; --id)
            db.insert(QStringLiteral("M_KBN"), {{QStringLiteral("ID"), id}, {QStringLiteral("項目NO"), id == bad ? 40000 : 100 + id}});
        AppState s;
        ScriptedPrompt prompt;
        ReadMasterData(db, s, prompt);
        const int read = bad ? bad - 1 : rows;
        for (int k = 0; k < 20; ++k)
            QCOMPARE(s.master.kbnValues[k], qint16(k < read ? 101 + k : 0));
        const bool said = rows > 20 || bad;
        QCOMPARE(prompt.texts(), said ? QStringList{kSystemDataUnreadable} : QStringList());
        if (said)
            QCOMPARE(prompt.shown().first().icon, Icon::None);
    }

    // OMAIRI in ascending ONO; a NULL month stops the reading where it is.
    void omairiLoad_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("sql"); // the change made first
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("name"); // services[slot].NM after the load
        for (Route r : {Route::Direct, Route::Odbc}) {
            const auto row = [&](const char *what) { return &QTest::newRow(qPrintable(routeName(r) + QLatin1Char(' ') + QLatin1String(what))); };
            *row("as made") << r << QString() << QVariant() << 5 << QStringLiteral("秋彼岸");
            *row("null name") << r << QStringLiteral("UPDATE [OMAIRI] SET [NM] = NULL WHERE [ONO] = 5") << QVariant() << 5 << QString();
            *row("null month") << r << QStringLiteral("UPDATE [OMAIRI] SET [Otuki] = NULL WHERE [ONO] = 9") << QVariant() << 15
                               << QStringLiteral("前回の値");
            *row("padded name") << r << QStringLiteral("UPDATE [OMAIRI] SET [NM] = ? WHERE [ONO] = 3")
                                << QVariant(QStringLiteral("  お盆　 ")) << 3 << QStringLiteral("お盆");
            *row("lower ONO first") << r << QStringLiteral("INSERT INTO [OMAIRI] ([ONO], [NM], [ODISP], [ONEN], [Otuki], [OHi], [訪問区分]) "
                                                           "VALUES (-1, ?, 0, 0, 1, 1, 0)")
                                    << QVariant(QStringLiteral("追加")) << 0 << QStringLiteral("追加");
        }
    }
    void omairiLoad()
    {
        QFETCH(Route, route);
        QFETCH(QString, sql);
        QFETCH(QVariant, value);
        QFETCH(int, slot);
        QFETCH(QString, name);
        TestDb t(route);
        if (!sql.isEmpty())
            value.isValid() ? t.db().execute(sql, {value}) : t.db().execute(sql);
        MasterData m;
        m.services[15].NM = QStringLiteral("前回の値");
        ReadServiceMaster(t.db(), m);
        QCOMPARE(m.services[slot].NM, name);
        if (sql.isEmpty()) {
            QCOMPARE(m.services[15].NM, QStringLiteral("涅槃会"));
            const OmairiRec &s = m.services[2];
            QCOMPARE((QList<int>{s.Otuki, s.OHi, s.訪問区分, s.ODISP}), (QList<int>{3, 18, 2, 3}));
        }
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
