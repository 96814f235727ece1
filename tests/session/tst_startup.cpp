// Start-up: the search for the database, the sibling paths, the messages that
// end the program, and the master data read on the way.
#include "session/demo_database.h"
#include "model/master_data.h"
#include "session/startup.h"
#include "platform/database.h"
#include "scripted_prompt.h"
#include "test_db.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

Q_DECLARE_METATYPE(tera::Route)

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
        QTest::newRow("last candidate") << QStringLiteral("C:\\") << QStringList{QStringLiteral("C:\\架燐手\\tera.mdb")}
                                        << QStringLiteral("C:\\架燐手\\tera.mdb") << QStringLiteral("C:\\架燐手\\kako.rnd");
        QTest::newRow("other drive only") << QStringLiteral("C:\\") << QStringList{QStringLiteral("E:\\カリンデ\\tera.mdb")}
                                          << QString() << QString();
        QTest::newRow("only kako.rnd present") << QStringLiteral("C:\\") << QStringList{QStringLiteral("C:\\カリンデ\\kako.rnd")}
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
        QTest::newRow("nested") << QStringLiteral("D:\\a\\b\\tera.mdb") << QString()
                                << QStringList{QStringLiteral("D:\\a\\b\\kako.rnd"), QStringLiteral("D:\\a\\b\\kako2.rnd"), QStringLiteral("D:\\a\\b\\tera2.mdb")};
        QTest::newRow("search kept kako") << QStringLiteral("D:\\x\\tera.mdb") << QStringLiteral("D:\\x\\kako.rnd")
                                          << QStringList{QStringLiteral("D:\\x\\kako.rnd"), QStringLiteral("D:\\x\\kako2.rnd"), QStringLiteral("D:\\x\\tera2.mdb")};
        QTest::newRow("posix") << QStringLiteral("/srv/寺/TERA.MDB") << QString()
                               << QStringList{QStringLiteral("/srv/寺/kako.rnd"), QStringLiteral("/srv/寺/kako2.rnd"), QStringLiteral("/srv/寺/tera2.mdb")};
        QTest::newRow("bare name") << QStringLiteral("tera.mdb") << QString()
                                   << QStringList{QStringLiteral("kako.rnd"), QStringLiteral("kako2.rnd"), QStringLiteral("tera2.mdb")};
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

    void programRootOfPaths()
    {
        QCOMPARE(programRoot(QStringLiteral("C:\\tools\\tera")), QStringLiteral("C:\\"));
        const QString root = programRoot(QDir::tempPath());
        QVERIFY(root.endsWith(QLatin1Char('/')));
        QVERIFY(QDir::tempPath().startsWith(root) || QDir::tempPath() + QLatin1Char('/') == root);
    }

    // The whole sequence against real files in a scratch root.
    void searchHitKeepsItsKakoPath()
    {
        QTemporaryDir root;
        const QString dbDir = root.filePath(QStringLiteral("カリンデ"));
        CreateDemoDatabase(dbDir);
        AppState s;
        ScriptedPrompt prompt;
        FakeDialog dialog;
        StartupOptions o;
        o.appPath = root.path();
        o.searchRoot = root.path() + QLatin1Char('/');
        RunStartup(s, prompt, dialog, o);
        QCOMPARE(dialog.shown, 0);
        QCOMPARE(prompt.texts(), QStringList());
        QCOMPARE(s.files.database, dbDir + QStringLiteral("/tera.mdb"));
        QCOMPARE(s.files.kako, dbDir + QStringLiteral("/kako.rnd"));
        QCOMPARE(s.files.databaseBackup, dbDir + QStringLiteral("/tera2.mdb"));
        // The masters were read and the database closed again.
        QCOMPARE(s.master.services[7].NM, QStringLiteral("新盆"));
        QCOMPARE(s.master.services[7].Otuki, qint16(8));
        QCOMPARE(s.master.services[20].slot, qint16(20));
        QCOMPARE(s.master.kbnValues[1], qint16(1));
        QVERIFY(QFile::remove(s.files.database));
    }

    void endings_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        QTest::newRow("dialog cancelled") << QStringLiteral("cancel") << StartupText::kCancelled;
        QTest::newRow("dialog closed by its frame") << QStringLiteral("close") << StartupText::kNoDatabase;
        QTest::newRow("chosen file gone") << QStringLiteral("missing") << StartupText::kNoDatabase;
        QTest::newRow("not a database") << QStringLiteral("text") << StartupText::kDatabaseFault;
        QTest::newRow("given path not a database") << QStringLiteral("given-text") << StartupText::kDatabaseFault;
        QTest::newRow("given path missing") << QStringLiteral("given-missing") << StartupText::kNoDatabase;
    }
    void endings()
    {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString textFile = dir.filePath(QStringLiteral("tera.mdb"));
        QFile f(textFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("これはデータベースではありません\n");
        f.close();

        AppState s;
        ScriptedPrompt prompt;
        FakeDialog dialog;
        StartupOptions o;
        o.appPath = dir.path();
        o.searchRoot = dir.path() + QStringLiteral("/nowhere/");
        if (situation == QStringLiteral("cancel"))
            dialog.cancel = true;
        else if (situation == QStringLiteral("missing"))
            dialog.choose = dir.filePath(QStringLiteral("gone/tera.mdb"));
        else if (situation == QStringLiteral("text"))
            dialog.choose = textFile;
        else if (situation == QStringLiteral("given-text"))
            o.givenDbPath = textFile;
        else if (situation == QStringLiteral("given-missing"))
            o.givenDbPath = dir.filePath(QStringLiteral("none.mdb"));

        QVERIFY_THROWS_EXCEPTION(EndProgram, RunStartup(s, prompt, dialog, o));
        QCOMPARE(prompt.texts(), QStringList{message});
        QCOMPARE(prompt.shown().first().icon, Icon::Exclamation);
        QCOMPARE(prompt.shown().first().buttons, Buttons::Ok);
        if (situation == QStringLiteral("cancel"))
            QVERIFY(s.files.kakoBackup.isEmpty()); // nothing derived, nothing opened
        if (situation == QStringLiteral("missing"))
            QCOMPARE(s.files.kako, dir.filePath(QStringLiteral("gone/kako.rnd")));
        QCOMPARE(QFileInfo(textFile).size(), qint64(QByteArray("これはデータベースではありません\n").size()));
    }

    void dialogPathGetsKakoBesideIt()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.filePath(QStringLiteral("寺")));
        AppState s;
        ScriptedPrompt prompt;
        FakeDialog dialog;
        dialog.choose = db;
        StartupOptions o;
        o.appPath = dir.path();
        o.searchRoot = dir.path() + QStringLiteral("/nowhere/");
        RunStartup(s, prompt, dialog, o);
        QCOMPARE(dialog.shown, 1);
        QCOMPARE(s.files.kako, dir.filePath(QStringLiteral("寺/kako.rnd")));
        QVERIFY(prompt.texts().isEmpty());
    }

    void dialogEndsProgram()
    {
        QTemporaryDir dir;
        AppState s;
        ScriptedPrompt prompt;
        FakeDialog dialog;
        dialog.endProgram = true;
        StartupOptions o;
        o.appPath = dir.path();
        o.searchRoot = dir.path() + QStringLiteral("/nowhere/");
        QVERIFY_THROWS_EXCEPTION(EndProgram, RunStartup(s, prompt, dialog, o));
        QVERIFY(prompt.texts().isEmpty());
    }
};

// The master data, through both routes.
class TestMasterData : public QObject {
    Q_OBJECT

    static void routes()
    {
        QTest::addColumn<Route>("route");
        QTest::newRow("sqlite") << Route::Direct;
        QTest::newRow("odbc") << Route::Odbc;
    }
    static const QString kSystemDataError;

private slots:
    void kbnRowCounts_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<int>("rows");
        for (Route r : {Route::Direct, Route::Odbc})
            for (int n : {0, 12, 20, 21, 25})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2 rows").arg(routeName(r)).arg(n))) << r << n;
    }
    void kbnRowCounts()
    {
        QFETCH(Route, route);
        QFETCH(int, rows);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("DELETE FROM [M_KBN]"));
        // Stored in reverse: the values follow ascending ID, not the stored order.
        for (int id = rows; id >= 1; --id)
            db.insert(QStringLiteral("M_KBN"), {{QStringLiteral("ID"), id}, {QStringLiteral("項目NO"), 100 + id}});
        AppState s;
        ScriptedPrompt prompt;
        ReadMasterData(db, s, prompt);
        for (int k = 0; k < 20; ++k)
            QCOMPARE(s.master.kbnValues[k], qint16(k < rows ? 101 + k : 0));
        QCOMPARE(prompt.texts(), rows > 20 ? QStringList{kSystemDataError} : QStringList());
        if (rows > 20)
            QCOMPARE(prompt.shown().first().icon, Icon::None);
    }

    void kbnBadValueKeepsEarlierOnes_data() { routes(); }
    void kbnBadValueKeepsEarlierOnes()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("UPDATE [M_KBN] SET [項目NO] = ? WHERE [ID] = ?"), {40000, 4});
        db.execute(QStringLiteral("UPDATE [M_KBN] SET [項目NO] = ? WHERE [ID] = ?"), {7, 3});
        AppState s;
        ScriptedPrompt prompt;
        ReadMasterData(db, s, prompt);
        QCOMPARE(prompt.texts(), QStringList{kSystemDataError});
        QCOMPARE(s.master.kbnValues[2], qint16(7));
        QCOMPARE(s.master.kbnValues[3], qint16(0));
    }

    void omairiLoad_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("change");
        for (Route r : {Route::Direct, Route::Odbc})
            for (const char *c : {"none", "null name", "null month", "extra rows", "padded name"})
                QTest::newRow(qPrintable(routeName(r) + QLatin1Char(' ') + QLatin1String(c))) << r << QString::fromLatin1(c);
    }
    void omairiLoad()
    {
        QFETCH(Route, route);
        QFETCH(QString, change);
        TestDb t(route);
        Database &db = t.db();
        if (change == QStringLiteral("null name"))
            db.execute(QStringLiteral("UPDATE [OMAIRI] SET [NM] = NULL WHERE [ONO] = 5"));
        if (change == QStringLiteral("null month"))
            db.execute(QStringLiteral("UPDATE [OMAIRI] SET [Otuki] = NULL WHERE [ONO] = 9"));
        if (change == QStringLiteral("padded name"))
            db.execute(QStringLiteral("UPDATE [OMAIRI] SET [NM] = ? WHERE [ONO] = 3"), {QStringLiteral("  お盆　 ")});
        if (change == QStringLiteral("extra rows"))
            for (int ono : {30, 25, -1})
                db.insert(QStringLiteral("OMAIRI"), {{QStringLiteral("ONO"), ono}, {QStringLiteral("NM"), QStringLiteral("追加%1").arg(ono)},
                                                     {QStringLiteral("ODISP"), 0}, {QStringLiteral("ONEN"), 0},
                                                     {QStringLiteral("Otuki"), 1}, {QStringLiteral("OHi"), 1},
                                                     {QStringLiteral("訪問区分"), 0}});
        AppState s;
        s.master.services[15].NM = QStringLiteral("前回の値");
        LoadOmairiMaster(db, s.master);
        if (change == QStringLiteral("extra rows")) {
            // ONO -1 sorts first; ONO 20 falls off the end; no message exists to show.
            QCOMPARE(s.master.services[0].NM, QStringLiteral("追加-1"));
            QCOMPARE(s.master.services[20].NM, QStringLiteral("開山忌"));
            return;
        }
        if (change == QStringLiteral("null month")) {
            QCOMPARE(s.master.services[8].NM, QStringLiteral("棚経"));
            QCOMPARE(s.master.services[15].NM, QStringLiteral("前回の値")); // not reached
            return;
        }
        QCOMPARE(s.master.services[5].NM, change == QStringLiteral("null name") ? QString() : QStringLiteral("秋彼岸"));
        QCOMPARE(s.master.services[3].NM, QStringLiteral("お盆"));
        QCOMPARE(s.master.services[15].NM, QStringLiteral("涅槃会"));
        QCOMPARE(s.master.services[2].Otuki, qint16(3));
        QCOMPARE(s.master.services[2].OHi, qint16(18));
        QCOMPARE(s.master.services[2].訪問区分, qint16(2));
        QCOMPARE(s.master.services[2].ODISP, 3);
    }
};

const QString TestMasterData::kSystemDataError = QStringLiteral("システムﾃﾞｰﾀ読み込みが出来ません！ :: GetComSys_Err");

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        TestStartup t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestMasterData t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_startup.moc"
