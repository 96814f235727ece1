// The import commands run as a script runs them: restore, on a full disk
// too; many findings of one kind and the list of them; init-demo.
#include "model/app_state.h"
#include "session/demo_database.h"
#include "platform/database.h"
#include "file_faults.h"
#include "program_run.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

class TestCliCheck : public QObject {
    Q_OBJECT

private slots:
    // restore without --yes and without a terminal declines; on a disk that
    // fills up it exits 1 with the system's reason; either way every file is
    // as it was. Then twice with room: the second keeps its copies under new
    // names, the first ones stay as they were. With no backup: exit 1.
    void restore()
    {
        QTemporaryDir dir, empty;
        const QString db = CreateDemoDatabase(dir.path());
        const QString tera2 = dir.filePath(QStringLiteral("tera2.mdb"));
        // A pair that agrees with itself: one entry, one record.
        Database::open(db)->insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 1}});
        QVERIFY(QFile::copy(db, tera2));
        Database::open(db)->insert(QStringLiteral("W_KAKO"), {{QStringLiteral("過去CD"), 2}});
        const QByteArray kako(780 * 2, 'k'), kako2(780, 'b');
        writeFile(dir.filePath(QStringLiteral("kako.rnd")), kako);
        writeFile(dir.filePath(QStringLiteral("kako2.rnd")), kako2);
        const auto before = folderBytes(dir.path());
        const QStringList args{QStringLiteral("restore"), QStringLiteral("--db"), db, QStringLiteral("--yes")};

        ProgramRun r = runTera(args.mid(0, 3));
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains(QStringLiteral("tera2.mdb")));
        QCOMPARE(folderBytes(dir.path()), before);
        r = runTera(args, [] { capFileSizeInChild(32 * 1024); });
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

        r = runTera({QStringLiteral("restore"), QStringLiteral("--db"), CreateDemoDatabase(empty.path()), QStringLiteral("--yes")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("元に戻すバックアップがありません")));
    }

    // Many rows with the same kind of finding are one notice with the first
    // rows and the count; up to ten stay one line each; the CSV keeps every
    // row. The exit code is the same either way.
    void groupsFindingsOfOneKind_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("ten rows") << 10;
        QTest::newRow("eleven rows") << 11;
    }
    void groupsFindingsOfOneKind()
    {
        QFETCH(int, rows);
        const bool grouped = rows > 10;
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
        const QString source = writeFile(dir.filePath(QStringLiteral("many.csv")), text);
        const QStringList args = importArgs("check", db, source, "death")
                                 << linkArgs({QStringLiteral("0:10"), QStringLiteral("1:11"), QStringLiteral("2:1"),
                                              QStringLiteral("3:12"), QStringLiteral("4:23")});
        ProgramRun r = runTera(args);
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.first().startsWith(QStringLiteral("読込 %1 行、書込 %1 行").arg(rows)), qPrintable(r.out));
        const QString unreadable = QStringLiteral("（1 列目「没年月日」） [読めない値]");
        const QStringList unreadableLines = lines.filter(unreadable), createdLines = lines.filter(QStringLiteral("[新規作成]"));
        // The single kako.rnd cut is a line of its own in every case.
        QCOMPARE(lines.filter(QStringLiteral("3 行目 [kako.rnd] kako.rnd の住所")).size(), 1);
        QCOMPARE(unreadableLines.size(), grouped ? 1 : rows);
        QCOMPARE(createdLines.size(), grouped ? 1 : rows);
        QCOMPARE(r.err.contains(QStringLiteral("--csv FILE")), grouped);
        if (grouped) {
            QCOMPARE(unreadableLines.first(),
                     QStringLiteral("1、2、3、4、5 行目ほか %1 行%2 同じ種類の指摘が %3 行にあります。1 行目: "
                                    "没年月日「2012年3月」から年・月・日が揃いません（年 2012、月 3、日 0）。回忌は作られません。")
                         .arg(rows - 5)
                         .arg(unreadable)
                         .arg(rows));
            QVERIFY2(createdLines.first().startsWith(QStringLiteral("1、2、3、4、5 行目ほか %1 行 [新規作成] 同じ種類の指摘が %2 行にあります。1 行目: 施主「施主1」")
                                                         .arg(rows - 5)
                                                         .arg(rows)),
                     qPrintable(createdLines.first()));
        }
        // The list keeps one line per finding (and a heading line), with CR
        // LF; CP932 for spreadsheet programs unless UTF-8 is asked for.
        const QString utf8 = dir.filePath(QStringLiteral("list.csv")), cp932 = dir.filePath(QStringLiteral("list932.csv"));
        r = runTera(QStringList(args) << QStringLiteral("--csv") << utf8 << QStringLiteral("--csv-encoding") << QStringLiteral("utf-8"));
        QCOMPARE(r.code, 0);
        QVERIFY(!r.err.contains(QStringLiteral("まとめて表示")));
        QCOMPARE(runTera(QStringList(args) << QStringLiteral("--csv=") + cp932).code, 0);
        const QByteArray a = readAll(cp932), b = readAll(utf8);
        QVERIFY(b.startsWith("\xEF\xBB\xBF") && !a.startsWith("\xEF\xBB\xBF") && a.endsWith("\r\n"));
        QStringDecoder fromCp932("windows-31j");
        const QString listed = fromCp932(a);
        QCOMPARE(listed, QString::fromUtf8(b.mid(3)));
        QCOMPARE(listed.count(QStringLiteral("読めない値")), rows);
        QCOMPARE(listed.count(QStringLiteral("新規作成")), rows);
    }

    // init-demo makes a database the commands take, and never overwrites one.
    void initDemo()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("デモ"));
        ProgramRun r = runTera({QStringLiteral("init-demo"), target});
        QCOMPARE(r.code, 0);
        const QString db = target + QStringLiteral("/tera.mdb");
        QVERIFY(r.out.contains(db));
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [OMAIRI]")), 21);
        const QByteArray made = readAll(db);
        r = runTera({QStringLiteral("init-demo"), target});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("上書きしません")));
        QCOMPARE(readAll(db), made);
        QCOMPARE(runTera({QStringLiteral("init-demo")}).code, 2);
    }
};

QTEST_GUILESS_MAIN(TestCliCheck)
#include "tst_cli_check.moc"
