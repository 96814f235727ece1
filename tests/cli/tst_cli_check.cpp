// The command line of the additions: check (findings, exit code, nothing
// written), --links with a saved data link, the run report and restore.
#include "model/app_state.h"
#include "session/demo_database.h"
#include "convert/item_catalogue.h"
#include "platform/database.h"
#include "file_faults.h"
#include "program_run.h"
#include "transcribe/link_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {



const QList<DataLink> kDeathLinks{{0, 10}, {1, 9}, {2, 11}, {3, 1}, {4, 2}, {5, 7},
                                  {6, 12}, {7, 13}, {8, 22}, {9, 23}, {10, 24}, {11, 25}};

QStringList linkArgs(const QList<DataLink> &links)
{
    QStringList out;
    for (const DataLink &l : links)
        out << QStringLiteral("--link") << QStringLiteral("%1:%2").arg(l.Lpoj).arg(l.Rpoj);
    return out;
}

QStringList base(const char *command, const QString &db, const QString &source, const char *mode)
{
    return {QString::fromLatin1(command), QStringLiteral("--db"), db, QStringLiteral("--source"), source,
            QStringLiteral("--mode"), QString::fromLatin1(mode), QStringLiteral("--today"), QStringLiteral("2024-05-10")};
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray("<missing>");
}


// The death-register example with one line whose date is written the wrong
// way round (data line 9).
QString brokenCopy(const QString &dir)
{
    QFile in(example("death-register.utf8.csv"));
    in.open(QIODevice::ReadOnly);
    QList<QByteArray> lines = in.readAll().split('\n');
    lines[9].replace("1998年8月15日", "8月1998年15日");
    const QString path = QDir(dir).filePath(QStringLiteral("broken.csv"));
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(lines.join('\n'));
    return path;
}

} // namespace

class TestCliCheck : public QObject {
    Q_OBJECT

private slots:
    // The check names the row that would stop the run and exits 1, writing
    // nothing; the transcription then stops at that very row.
    void checkThenTranscribe()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = brokenCopy(dir.path());
        const QStringList files{db, dir.filePath(QStringLiteral("kako.rnd")), dir.filePath(QStringLiteral("tera2.mdb"))};
        QList<QByteArray> before;
        for (const QString &f : files)
            before << digest(f);
        const QStringList folder = QDir(dir.path()).entryList(QDir::Files);

        const QString csv = QDir::temp().filePath(QStringLiteral("tera-check-%1.csv").arg(QCoreApplication::applicationPid()));
        ProgramRun r = runTera(base("check", db, source, "append") << QStringLiteral("--kind") << QStringLiteral("death")
                                                            << QStringLiteral("--title") << linkArgs(kDeathLinks)
                                                            << QStringLiteral("--csv") << csv);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.contains(QStringLiteral("9 行目（1 列目「没年月日」） [中止]")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("1 行目 [新規作成] 施主「髙橋　一郎」")), qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("10 行目（1 列目「没年月日」） [読めない値]")));
        // The summary comes first and counts only the rows before the stop:
        // the run below writes exactly those.
        QVERIFY2(r.out.startsWith(QStringLiteral("書込 8 行、9 行目で停止")), qPrintable(r.out));
        QVERIFY(QFile::exists(csv));
        QFile::remove(csv);
        QList<QByteArray> after;
        for (const QString &f : files)
            after << digest(f);
        QCOMPARE(after, before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), folder);

        r = runTera(base("transcribe", db, source, "append") << QStringLiteral("--kind") << QStringLiteral("death")
                                                             << QStringLiteral("--title") << linkArgs(kDeathLinks));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("9 行目（1 列目「没年月日」）")), qPrintable(r.err));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 8);

        // The run report lies beside the database and names the stop.
        const QStringList reports = QDir(dir.path()).entryList({QStringLiteral("import-report-*.txt")});
        QCOMPARE(reports.size(), 1);
        QVERIFY(r.err.contains(reports.first()));
        QFile report(QDir(dir.path()).filePath(reports.first()));
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(report.readAll());
        QVERIFY2(text.contains(QStringLiteral("9 行目（1 列目）")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("tera2.mdb")));

        // The example as it is checks clean.
        r = runTera(base("check", db, example("death-register.utf8.csv"), "append")
                    << QStringLiteral("--kind") << QStringLiteral("death") << QStringLiteral("--title") << linkArgs(kDeathLinks));
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains(QStringLiteral("転記を止める行はありません")));
    }

    // A saved link stands in for --kind, --title and every --link, and the
    // run it drives writes what the hand-given links write.
    void savedLinks()
    {
        QTemporaryDir dir;
        const QString source = example("death-register.cp932.csv");
        const QString links = dir.filePath(QStringLiteral("過去帳.json"));
        QStringList titles{QStringLiteral("戒名"), QStringLiteral("戒名ヨミカナ--(ｱｲｳの形式)"), QStringLiteral("俗名"),
                           QStringLiteral("没年月日（9999年99月99日）"), QStringLiteral("没年(年号xx年xx月xx日)"),
                           QStringLiteral("享年------(1,2,3の形式)"), QStringLiteral("施主名"), QStringLiteral("続柄"),
                           QStringLiteral("郵便番号(xxx-xxxx)"), QStringLiteral("住所"), QStringLiteral("電話番号(xxx-xxx-xxxx)"),
                           QStringLiteral("地区")};
        QString error;
        QVERIFY(WriteLinkFile(links, MakeLinkFile(kOutDeathRegister, 1, kDeathLinks, titles, CatalogueOf(kOutDeathRegister)),
                              error));

        QTemporaryDir a, b;
        const QString dbA = CreateDemoDatabase(a.path()), dbB = CreateDemoDatabase(b.path());
        ProgramRun r = runTera(base("transcribe", dbA, source, "append") << QStringLiteral("--links") << links);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        r = runTera(base("transcribe", dbB, source, "append") << QStringLiteral("--kind") << QStringLiteral("death")
                                                              << QStringLiteral("--title") << linkArgs(kDeathLinks));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(digest(a.filePath(QStringLiteral("kako.rnd"))), digest(b.filePath(QStringLiteral("kako.rnd"))));
        QCOMPARE(countIn(dbA, QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")),
                 countIn(dbB, QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")));

        // A kind that disagrees with the link's, and a file without one of
        // the linked columns: refused before anything is written.
        r = runTera(base("transcribe", dbA, source, "append") << QStringLiteral("--links") << links
                                                              << QStringLiteral("--kind") << QStringLiteral("members"));
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains(QStringLiteral("出力区分")));
        const QString members = example("members.utf8.csv");
        const qint64 before = countIn(dbA, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]"));
        r = runTera(base("check", dbA, members, "append") << QStringLiteral("--links") << links);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("読込み列 Lpoj 0「戒名」")), qPrintable(r.err));
        r = runTera(base("transcribe", dbA, members, "append") << QStringLiteral("--links") << links);
        QCOMPARE(r.code, 2);
        QCOMPARE(countIn(dbA, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), before);
    }

    // restore --yes puts the bytes of before the last run back; without
    // --yes and without a terminal it declines and changes nothing.
    void restore()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QByteArray original = digest(db);
        ProgramRun r = runTera(base("transcribe", db, example("death-register.utf8.csv"), "append")
                        << QStringLiteral("--kind") << QStringLiteral("death") << QStringLiteral("--title") << linkArgs(kDeathLinks));
        QCOMPARE(r.code, 0);
        const QByteArray written = digest(db);
        QVERIFY(written != original);

        r = runTera({QStringLiteral("restore"), QStringLiteral("--db"), db});
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains(QStringLiteral("tera2.mdb")));
        QCOMPARE(digest(db), written);

        r = runTera({QStringLiteral("restore"), QStringLiteral("--db"), db, QStringLiteral("--yes")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(digest(db), original);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("kako.rnd"))));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 0);

        QTemporaryDir empty;
        const QString bare = CreateDemoDatabase(empty.path());
        r = runTera({QStringLiteral("restore"), QStringLiteral("--db"), bare, QStringLiteral("--yes")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("元に戻すバックアップがありません")));
        r = runTera({QStringLiteral("restore")});
        QCOMPARE(r.code, 2);
    }

    // restore --yes on a disk that fills up: exit 1 with the system's reason,
    // every file as it was. Then twice with room: the second keeps its copies
    // under new names, the first ones stay as they were.
    void restoreOnAFullDisk()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString tera2 = dir.filePath(QStringLiteral("tera2.mdb"));
        QVERIFY(QFile::copy(db, tera2));
        Database::open(db)->insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}});
        const QByteArray kako(780 * 2, 'k'), kako2(780, 'b');
        for (const auto &[name, bytes] : {std::pair{"kako.rnd", kako}, std::pair{"kako2.rnd", kako2}}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        const auto before = folderBytes(dir.path());
        const QStringList args{QStringLiteral("restore"), QStringLiteral("--db"), db, QStringLiteral("--yes")};

        ProgramRun r = runTera(args, [] { capFileSizeInChild(32 * 1024); });
        QCOMPARE(r.code, 1);
        for (const QString &word : {QStringLiteral("元に戻せませんでした"), systemReason(EFBIG)})
            QVERIFY2(r.err.contains(word), qPrintable(r.err));
        QCOMPARE(folderBytes(dir.path()), before);

        for (const char *kept : {".before-restore", ".before-restore.2"}) {
            r = runTera(args);
            QVERIFY2(r.code == 0, qPrintable(r.err));
            for (const char *name : {"tera.mdb", "kako.rnd"})
                QVERIFY2(r.err.contains(QDir::toNativeSeparators(dir.filePath(QString::fromLatin1(name) + QString::fromLatin1(kept)))),
                         qPrintable(r.err));
        }
        const auto after = folderBytes(dir.path());
        QCOMPARE(after.value(QStringLiteral("tera.mdb")), before.value(QStringLiteral("tera2.mdb")));
        QCOMPARE(after.value(QStringLiteral("kako.rnd")), kako2);
        QCOMPARE(after.value(QStringLiteral("tera.mdb.before-restore")), before.value(QStringLiteral("tera.mdb")));
        QCOMPARE(after.value(QStringLiteral("kako.rnd.before-restore")), kako);
        QCOMPARE(after.value(QStringLiteral("kako.rnd.before-restore.2")), kako2);
    }

    // Many rows with the same kind of finding are one notice with the first
    // rows and the count; up to ten stay one line each; the CSV keeps every
    // row. The exit code is the same either way.
    void groupsFindingsOfOneKind_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("grouped");
        QTest::newRow("ten rows") << 10 << false;
        QTest::newRow("eleven rows") << 11 << true;
        QTest::newRow("forty rows") << 40 << true;
    }
    void groupsFindingsOfOneKind()
    {
        QFETCH(int, rows);
        QFETCH(bool, grouped);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        // Every row: a date without its day (読めない値) and a donor of its
        // own (新規作成); row 3 also an address kako.rnd cuts.
        QByteArray text = "戒名,俗名,没年月日,施主名,住所\n";
        for (int r = 1; r <= rows; ++r)
            text += QStringLiteral("釋道%1,故人%1,2012年3月,施主%1,%2\n")
                        .arg(r)
                        .arg(r == 3 ? QStringLiteral("東京都港区南青山二丁目8番1号青山パークハイツ305号室") : QString())
                        .toUtf8();
        const QString source = dir.filePath(QStringLiteral("many.csv"));
        QFile out(source);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text);
        out.close();
        const QStringList args = base("check", db, source, "append")
                                 << QStringLiteral("--kind") << QStringLiteral("death") << QStringLiteral("--title")
                                 << QStringLiteral("--link") << QStringLiteral("0:10") << QStringLiteral("--link")
                                 << QStringLiteral("1:11") << QStringLiteral("--link") << QStringLiteral("2:1")
                                 << QStringLiteral("--link") << QStringLiteral("3:12") << QStringLiteral("--link")
                                 << QStringLiteral("4:23");
        ProgramRun r = runTera(args);
        QCOMPARE(r.code, 0);
        QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.first().startsWith(QStringLiteral("読込 %1 行、書込 %1 行").arg(rows)), qPrintable(r.out));
        const QString unreadable = QStringLiteral("（1 列目「没年月日」） [読めない値]");
        const QStringList unreadableLines = lines.filter(unreadable);
        const QStringList createdLines = lines.filter(QStringLiteral("[新規作成]"));
        // The single kako.rnd cut is a line of its own in every case.
        QCOMPARE(lines.filter(QStringLiteral("3 行目 [kako.rnd] kako.rnd の住所")).size(), 1);
        if (!grouped) {
            QCOMPARE(unreadableLines.size(), rows);
            QCOMPARE(createdLines.size(), rows);
            QVERIFY(!r.err.contains(QStringLiteral("まとめて表示")));
        } else {
            QCOMPARE(unreadableLines.size(), 1);
            QCOMPARE(unreadableLines.first(),
                     QStringLiteral("1、2、3、4、5 行目ほか %1 行%2 同じ種類の指摘が %3 行にあります。1 行目: "
                                    "没年月日「2012年3月」から年・月・日が揃いません（年 2012、月 3、日 0）。回忌は作られません。")
                         .arg(rows - 5)
                         .arg(unreadable)
                         .arg(rows));
            QCOMPARE(createdLines.size(), 1);
            QVERIFY2(createdLines.first().startsWith(QStringLiteral("1、2、3、4、5 行目ほか %1 行 [新規作成] 同じ種類の指摘が %2 行にあります。1 行目: 施主「施主1」")
                                                         .arg(rows - 5)
                                                         .arg(rows)),
                     qPrintable(createdLines.first()));
            QVERIFY(r.err.contains(QStringLiteral("--csv FILE")));
        }
        // The list keeps one line per finding (and a heading line).
        const QString csv = dir.filePath(QStringLiteral("list.csv"));
        r = runTera(QStringList(args) << QStringLiteral("--csv") << csv << QStringLiteral("--csv-encoding")
                                      << QStringLiteral("utf-8"));
        QCOMPARE(r.code, 0);
        QVERIFY(!r.err.contains(QStringLiteral("まとめて表示")));
        QFile list(csv);
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QString listed = QString::fromUtf8(list.readAll());
        QCOMPARE(listed.count(QStringLiteral("読めない値")), rows);
        QCOMPARE(listed.count(QStringLiteral("新規作成")), rows);
    }

    void help()
    {
        const ProgramRun r = runTera({QStringLiteral("help")});
        QCOMPARE(r.code, 0);
        for (const char *command : {"check", "restore", "items --kind"})
            QVERIFY2(r.out.contains(QStringLiteral("tera-import ") + QString::fromLatin1(command)), command);
    }
};

QTEST_GUILESS_MAIN(TestCliCheck)
#include "tst_cli_check.moc"
