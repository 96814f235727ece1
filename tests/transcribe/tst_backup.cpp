// The backup before every run and the household renumbering.
#include "app/app_state.h"
#include "app/startup.h"
#include "platform/database.h"
#include "scripted_prompt.h"
#include "test_db.h"
#include "transcribe/backup.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace tera;

Q_DECLARE_METATYPE(tera::Route)

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

AppState stateFor(const QString &dbPath)
{
    AppState s;
    s.gDbPath = dbPath;
    DeriveSiblingPaths(s);
    return s;
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private slots:
    void firstRunWithoutKakoRnd()
    {
        TestDb t;
        t.db().close();
        AppState s = stateFor(t.path());
        ScriptedPrompt prompt;
        const BackupResult r = BackupDatabase(s, prompt);
        QVERIFY(r.ok);
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("元になるファイルがありません。")});
        QCOMPARE(prompt.shown().first().icon, Icon::Exclamation);
        QCOMPARE(r.made, QStringList{s.gTera2Path});
        QCOMPARE(readAll(s.gTera2Path), readAll(s.gDbPath));
        QVERIFY(!QFile::exists(s.gKako2Path));
    }

    void secondRunReplacesCopies()
    {
        TestDb t;
        t.db().close();
        AppState s = stateFor(t.path());
        ScriptedPrompt prompt;
        writeAll(s.gKakoPath, QByteArray(780, 'a'));
        QVERIFY(BackupDatabase(s, prompt).ok);
        writeAll(s.gKakoPath, QByteArray(1560, 'b'));
        {
            auto db = Database::open(s.gDbPath);
            db->insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), QStringLiteral("000009")}});
        }
        const BackupResult r = BackupDatabase(s, prompt);
        QVERIFY(r.ok);
        QVERIFY(prompt.texts().isEmpty());
        QCOMPARE(readAll(s.gKako2Path), QByteArray(1560, 'b'));
        QCOMPARE(readAll(s.gTera2Path), readAll(s.gDbPath));
        QCOMPARE(r.made, (QStringList{s.gKako2Path, s.gTera2Path}));
    }

    // A copy that cannot be made is a failure the driver must ask about.
    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("old copy cannot be removed") << QStringLiteral("old-is-dir");
        QTest::newRow("copy cannot be written") << QStringLiteral("no-folder");
    }
    void failuresAreReported()
    {
        QFETCH(QString, how);
        TestDb t;
        t.db().close();
        AppState s = stateFor(t.path());
        writeAll(s.gKakoPath, QByteArray(780, 'k'));
        if (how == QStringLiteral("old-is-dir")) {
            QVERIFY(QDir().mkpath(s.gKako2Path + QStringLiteral("/x")));
        } else {
            s.gTera2Path = t.dir() + QStringLiteral("/missing-folder/tera2.mdb");
        }
        ScriptedPrompt prompt;
        const BackupResult r = BackupDatabase(s, prompt);
        QVERIFY(!r.ok);
        QVERIFY(!r.failure.isEmpty());
        QVERIFY(prompt.texts().isEmpty());
        QCOMPARE(readAll(s.gKakoPath), QByteArray(780, 'k')); // the originals are untouched
    }

    // Rows still in the write-ahead log are part of the copy.
    void copyOfLoggedDatabaseIsWhole()
    {
        TestDb t;
        t.db().close();
        const QString name = QStringLiteral("writer");
        {
            QSqlDatabase w = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            w.setDatabaseName(t.path());
            QVERIFY(w.open());
            QSqlQuery q(w);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
            for (int i = 0; i < 50; ++i)
                QVERIFY(q.exec(QStringLiteral("INSERT INTO [D_SETAI] ([SETAI_NO]) VALUES ('%1')").arg(i)));
            QVERIFY(QFile::exists(t.path() + QStringLiteral("-wal")));

            AppState s = stateFor(t.path());
            ScriptedPrompt prompt;
            QVERIFY(BackupDatabase(s, prompt).ok);
            // Read the copy alone, in a folder of its own.
            QTemporaryDir other;
            const QString lone = other.filePath(QStringLiteral("tera.mdb"));
            QVERIFY(QFile::copy(s.gTera2Path, lone));
            auto copy = Database::open(lone);
            Query c = copy->exec(QStringLiteral("SELECT count(*) AS n FROM [D_SETAI]"));
            QVERIFY(c.next());
            QCOMPARE(c.integer(QStringLiteral("n")), 50);
            c.finish();
            copy->close();
            w.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
};

class TestRenumber : public QObject {
    Q_OBJECT

private slots:
    void movesEveryReference_data()
    {
        QTest::addColumn<Route>("route");
        QTest::newRow("sqlite") << Route::Direct;
        QTest::newRow("odbc") << Route::Odbc;
    }
    void movesEveryReference()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        for (const char *no : {"000012", "000013"}) {
            const QString n = QString::fromLatin1(no);
            const int plain = n.toInt();
            db.insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("SETAI_NO"), n}, {QStringLiteral("MEI"), n}});
            db.insert(QStringLiteral("D_OMAIRI"), {{QStringLiteral("世帯CD"), n}, {QStringLiteral("過去CD"), plain}});
            db.insert(QStringLiteral("W_KAIKI"), {{QStringLiteral("世帯CD"), n}, {QStringLiteral("過去CD"), plain}});
            db.insert(QStringLiteral("W_KAKO"), {{QStringLiteral("世帯CD"), plain}, {QStringLiteral("世帯ID"), n}, {QStringLiteral("過去CD"), plain}});
            db.insert(QStringLiteral("W_OMAIRI"), {{QStringLiteral("世帯CD"), plain}, {QStringLiteral("世帯ID"), n}, {QStringLiteral("過去CD"), plain}});
        }
        RenumberHousehold(db, QStringLiteral("12"), QStringLiteral(" 34 "));
        auto texts = [&](const QString &sql) {
            QStringList out;
            Query q = db.exec(sql + db.storedOrder());
            while (q.next())
                out << q.text(QStringLiteral("v"));
            return out;
        };
        QCOMPARE(texts(QStringLiteral("SELECT [SETAI_NO] AS v FROM [D_KOJIN]")), (QStringList{QStringLiteral("000034"), QStringLiteral("000013")}));
        QCOMPARE(texts(QStringLiteral("SELECT [世帯CD] AS v FROM [D_OMAIRI]")), (QStringList{QStringLiteral("000034"), QStringLiteral("000013")}));
        QCOMPARE(texts(QStringLiteral("SELECT [世帯CD] AS v FROM [W_KAIKI]")), (QStringList{QStringLiteral("000034"), QStringLiteral("000013")}));
        for (const char *table : {"W_KAKO", "W_OMAIRI"}) {
            const QString tb = QString::fromLatin1(table);
            QCOMPARE(texts(QStringLiteral("SELECT [世帯ID] AS v FROM [%1]").arg(tb)), (QStringList{QStringLiteral("000034"), QStringLiteral("000013")}));
            QCOMPARE(texts(QStringLiteral("SELECT [世帯CD] AS v FROM [%1]").arg(tb)), (QStringList{QStringLiteral("34"), QStringLiteral("13")}));
        }
        // An empty old number (the head was no member yet) changes nothing.
        RenumberHousehold(db, QStringLiteral("  "), QStringLiteral("99"));
        RenumberHousehold(db, QStringLiteral("13"), QString());
        QCOMPARE(texts(QStringLiteral("SELECT [SETAI_NO] AS v FROM [D_KOJIN]")), (QStringList{QStringLiteral("000034"), QStringLiteral("000013")}));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        TestBackup t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestRenumber t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_backup.moc"
