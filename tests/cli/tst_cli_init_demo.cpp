// The program itself: init-demo from the command line, with no display.
#include "platform/database.h"
#include "program_run.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

class TestCliInitDemo : public QObject {
    Q_OBJECT

    static int run(const QStringList &args, QByteArray *out = nullptr, QByteArray *err = nullptr)
    {
        const ProgramRun r = runTera(args);
        if (out)
            *out = r.out.toUtf8();
        if (err)
            *err = r.err.toUtf8();
        return r.code;
    }

private slots:
    void createsDemoDatabase()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("デモ"));
        QByteArray out;
        QCOMPARE(run({QStringLiteral("init-demo"), target}, &out), 0);
        const QString path = target + QStringLiteral("/tera.mdb");
        QVERIFY(QString::fromUtf8(out).contains(path));
        auto db = Database::open(path);
        for (const char *table : {"D_SETAI", "D_KOJIN", "W_KAKO", "W_KAIKI", "D_OMAIRI", "M_お参り", "W_OMAIRI",
                                  "M_KBN", "OMAIRI", "M_年号"})
            QVERIFY2(db->hasTable(QString::fromUtf8(table)), table);
        auto count = [&](const char *table) {
            Query q = db->exec(QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(QString::fromUtf8(table)));
            q.next();
            return q.integer(QStringLiteral("n"));
        };
        QCOMPARE(count("M_KBN"), 20);
        QCOMPARE(count("OMAIRI"), 21);
        QCOMPARE(count("M_年号"), 5);
        Query q = db->exec(QStringLiteral("SELECT [年号] FROM [M_年号] WHERE [終了] = 0"));
        QVERIFY(q.next());
        QCOMPARE(q.text(QStringLiteral("年号")), QStringLiteral("令和"));
        q.finish();
        // Auto-numbered keys start at 1.
        db->insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), QStringLiteral("000001")}});
        Query s = db->exec(QStringLiteral("SELECT [SNO] FROM [D_SETAI]"));
        QVERIFY(s.next());
        QCOMPARE(s.integer(QStringLiteral("SNO")), 1);
        s.finish();
        db->close();

        // A second run never overwrites what is there.
        const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        QByteArray err;
        QCOMPARE(run({QStringLiteral("init-demo"), target}, nullptr, &err), 1);
        QVERIFY(QString::fromUtf8(err).contains(QStringLiteral("上書きしません")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void usageErrors()
    {
        QCOMPARE(run({QStringLiteral("init-demo")}), 2);
        QByteArray out;
        QCOMPARE(run({QStringLiteral("help")}, &out), 0);
        QVERIFY(QString::fromUtf8(out).contains(QStringLiteral("init-demo")));
    }
};

QTEST_GUILESS_MAIN(TestCliInitDemo)
#include "tst_cli_init_demo.moc"
