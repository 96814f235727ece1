// The batch command line drives the same fill and transcription as the
// windows: the example files of every kind, refused links, refused questions.
#include "session/demo_database.h"
#include "platform/database.h"
#include "program_run.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {



QStringList links(const QList<std::pair<int, int>> &pairs)
{
    QStringList out;
    for (const auto &[l, r] : pairs)
        out << QStringLiteral("--link") << QStringLiteral("%1:%2").arg(l).arg(r);
    return out;
}

const QList<std::pair<int, int>> kMemberLinks = {{0, 2}, {1, 8}, {2, 9}, {3, 10}, {4, 11}, {5, 12}, {6, 13}, {7, 14}, {8, 15},
                                                 {9, 31}, {10, 19}, {11, 37}, {12, 35}, {13, 36}, {14, 22}, {15, 21}, {16, 50}};
const QList<std::pair<int, int>> kHouseholdLinks = {{0, 2}, {1, 3}, {2, 4}, {3, 5}, {4, 10}, {5, 8},
                                                    {6, 9}, {7, 19}, {8, 23}, {9, 31}, {10, 32}};
const QList<std::pair<int, int>> kDeathLinks = {{0, 10}, {1, 9}, {2, 11}, {3, 1}, {4, 2}, {5, 7},
                                                {6, 12}, {7, 13}, {8, 22}, {9, 23}, {10, 24}, {11, 25}};

QStringList transcribeArgs(const QString &db, const QString &source, const char *kind, const char *mode,
                           const QList<std::pair<int, int>> &pairs)
{
    return QStringList{QStringLiteral("transcribe"), QStringLiteral("--db"), db, QStringLiteral("--source"), source,
                       QStringLiteral("--kind"), QString::fromLatin1(kind), QStringLiteral("--mode"), QString::fromLatin1(mode),
                       QStringLiteral("--title"), QStringLiteral("--today"), QStringLiteral("2024-05-10")}
           + links(pairs);
}


int dataLines(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return int(f.readAll().count('\n')) - 1;
}

} // namespace

class TestCliTranscribe : public QObject {
    Q_OBJECT

private slots:
    // The examples, one kind after another, as a migration would run them.
    void examplesOfEveryKind_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::newRow("utf-8") << QStringLiteral("utf8");
        QTest::newRow("cp932") << QStringLiteral("cp932");
    }
    void examplesOfEveryKind()
    {
        QFETCH(QString, encoding);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString members = example("members.") + encoding + QStringLiteral(".csv");
        const QString households = example("households.") + encoding + QStringLiteral(".csv");
        const QString death = example("death-register.") + encoding + QStringLiteral(".csv");

        ProgramRun r = runTera(transcribeArgs(db, members, "members", "replace", kMemberLinks) << QStringLiteral("--yes"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("書込 %1 行").arg(dataLines(example("members.utf8.csv")))), qPrintable(r.out));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [D_KOJIN]")), dataLines(example("members.utf8.csv")));

        r = runTera(transcribeArgs(db, households, "households", "append", kHouseholdLinks));
        QVERIFY2(r.code == 0, qPrintable(r.err));

        r = runTera(transcribeArgs(db, death, "death", "append", kDeathLinks));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint64 entries = countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]"));
        QVERIFY(entries > 0);
        QCOMPARE(QFile(dir.filePath(QStringLiteral("kako.rnd"))).size(), entries * 780);
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")) % 18, 0);
        // Names with extension characters arrive whole from either encoding.
        QVERIFY(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO] WHERE [俗名] LIKE '髙橋%'")) > 0);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("tera2.mdb"))));
    }

    // Refusals happen before anything is written, with the editor's texts.
    void refusedBeforeWriting_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("item that may not be linked") << QStringList{QStringLiteral("--link"), QStringLiteral("0:0")}
                                                     << QStringLiteral("append") << 2
                                                     << QStringLiteral("この項目はリンク不可です。他の項目を選択してください。");
        QTest::newRow("slot past the catalogue") << QStringList{QStringLiteral("--link"), QStringLiteral("0:27")}
                                                 << QStringLiteral("append") << 2
                                                 << QStringLiteral("書き出しデータ項目を選択してください。");
        QTest::newRow("column the file lacks") << QStringList{QStringLiteral("--link"), QStringLiteral("40:10")}
                                               << QStringLiteral("append") << 2
                                               << QStringLiteral("読込みデータ項目を選択してください。");
        QTest::newRow("replace without --yes or terminal") << QStringList() << QStringLiteral("replace") << 3
                                                            << QStringLiteral("以前の登録データを削除して、転記します。");
    }
    void refusedBeforeWriting()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, mode);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        {
            auto d = Database::open(db);
            d->insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}, {QStringLiteral("戒名"), QStringLiteral("既存")}});
        }
        const ProgramRun r = runTera(transcribeArgs(db, example("death-register.utf8.csv"), "death", mode.toLatin1().constData(), kDeathLinks)
                           + extra);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("kako.rnd"))) || QFile(dir.filePath(QStringLiteral("kako.rnd"))).size() == 0);
    }

    void badSourceFile()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString binary = dir.filePath(QStringLiteral("broken.csv"));
        QFile f(binary);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x00\x01\x02\xff\xfe garbage", 16));
        f.close();
        const ProgramRun r = runTera(transcribeArgs(db, binary, "death", "append", {{0, 10}}));
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("broken.csv")), qPrintable(r.err));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 0);
    }
};

QTEST_GUILESS_MAIN(TestCliTranscribe)
#include "tst_cli_transcribe.moc"
