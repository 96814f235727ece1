// A migration driven from the command line alone: the item numbers that
// items lists are the ones --link takes, --auto-link and a saved data link
// write what the hand-given links write, and an append of rows the database
// already holds is warned about or left out.
#include "convert/item_catalogue.h"
#include "model/run_settings.h"
#include "platform/grid_model.h"
#include "program_run.h"
#include "session/demo_database.h"
#include "transcribe/link_file.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {

// The links --auto-link said it made, as L:R.
QStringList autoLinks(const QString &err)
{
    QStringList out;
    const QRegularExpression said(QStringLiteral("^自動リンク: --link (\\d+:\\d+)"), QRegularExpression::MultilineOption);
    for (auto it = said.globalMatch(err); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

} // namespace

class TestCliMigration : public QObject {
    Q_OBJECT

private slots:
    // What items lists is what --link takes: a 可 item is linked, a 不可
    // item is refused as the link editor refuses it, and a number past the
    // list is refused with the range and a pointer to items.
    void itemsAreWhatLinkTakes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("source");
        QTest::newRow("members") << QStringLiteral("members") << example("members.utf8.csv");
        QTest::newRow("households") << QStringLiteral("households") << example("households.utf8.csv");
        QTest::newRow("death") << QStringLiteral("death") << example("death-register.utf8.csv");
    }

    void itemsAreWhatLinkTakes()
    {
        QFETCH(QString, kind);
        QFETCH(QString, source);
        const ProgramRun items = runTera({QStringLiteral("items"), QStringLiteral("--kind"), kind});
        QCOMPARE(items.code, 0);
        QStringList lines = items.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 20);
        QCOMPARE(lines.takeFirst(), QStringLiteral("番号\t項目\tリンク\t書き込む先"));
        int linkable = -1, fixed = -1, last = -1;
        for (const QString &line : lines) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            QCOMPARE(cells.size(), 4);
            const int number = cells.at(0).toInt();
            QCOMPARE(number, last + 1);
            last = number;
            if (cells.at(2) == QStringLiteral("可") && linkable < 0)
                linkable = number;
            else if (cells.at(2) == QStringLiteral("不可") && fixed < 0)
                fixed = number;
        }
        QVERIFY(linkable >= 0 && fixed >= 0);

        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const auto checkWith = [&](int item) {
            return runTera(importArgs("check", db, source, qPrintable(kind)) << QStringLiteral("--link") << QStringLiteral("0:%1").arg(item));
        };
        ProgramRun r = checkWith(linkable);
        QVERIFY2(r.code == 0 || r.code == 1, qPrintable(r.err));
        r = checkWith(fixed);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("この項目はリンク不可です。")), qPrintable(r.err));
        r = checkWith(last + 1);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("0 から %1 まで").arg(last)), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("tera-import items --kind %1").arg(kind)));

        r = runTera({QStringLiteral("items"), QStringLiteral("--kind"), QStringLiteral("deaths")});
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
    }

    // --auto-link makes the links a user would make by hand for the
    // example, and a saved link stands in for --kind, --title and every
    // --link: each run writes the very same entries as the hand-given links.
    // A --link wins over the auto-link of its column and of its item.
    void autoOrSavedLinksWriteWhatHandLinksWrite()
    {
        QTemporaryDir byHand, byAuto, bySaved;
        const QString handDb = CreateDemoDatabase(byHand.path());
        const QString autoDb = CreateDemoDatabase(byAuto.path());
        const QString savedDb = CreateDemoDatabase(bySaved.path());
        const QString source = example("death-register.cp932.csv");

        ProgramRun r = runTera(importArgs("transcribe", handDb, source, "death") << linkArgs(kDeathLinks));
        QCOMPARE(r.code, 0);
        r = runTera(importArgs("transcribe", autoDb, source, "death") << QStringLiteral("--auto-link"));
        QCOMPARE(r.code, 0);
        QCOMPARE(autoLinks(r.err), kDeathLinks);

        const QString links = bySaved.filePath(QStringLiteral("過去帳.json"));
        QList<DataLink> pairs;
        for (const QString &p : kDeathLinks)
            pairs << DataLink{p.section(QLatin1Char(':'), 0, 0).toInt(), p.section(QLatin1Char(':'), 1).toInt()};
        GridModel file;
        QVERIFY(file.LoadGrid(source, GridFileKind::Csv).ok);
        QString error;
        QVERIFY(WriteLinkFile(links, MakeLinkFile(kOutDeathRegister, 1, pairs, file.rowTexts(0), CatalogueOf(kOutDeathRegister)), error));
        const QStringList saved{QStringLiteral("transcribe"), QStringLiteral("--db"), savedDb, QStringLiteral("--source"), source,
                                QStringLiteral("--mode"), QStringLiteral("append"), QStringLiteral("--today"),
                                QStringLiteral("2024-05-10"), QStringLiteral("--links"), links};
        r = runTera(saved);
        QVERIFY2(r.code == 0, qPrintable(r.err));

        const QString entries = QStringLiteral("SELECT [過去CD] || '|' || [戒名] || '|' || [ﾖﾐ] || '|' || [俗名] || '|' || [bnen] || '/' || "
                                               "[btuki] || '/' || [bHi] || '|' || [享年] || '|' || [施主名] || '|' || [yubin] || '|' || "
                                               "[JYU] || '|' || [tel] || '|' || [地区] AS v FROM [W_KAKO] ORDER BY [過去CD]");
        const QStringList written = columnIn(handDb, entries);
        QCOMPARE(written.size(), 12);
        for (const QTemporaryDir *dir : {&byAuto, &bySaved}) {
            QCOMPARE(columnIn(dir->filePath(QStringLiteral("tera.mdb")), entries), written);
            QCOMPARE(readAll(dir->filePath(QStringLiteral("kako.rnd"))), readAll(byHand.filePath(QStringLiteral("kako.rnd"))));
        }

        // A kind that disagrees with the saved link's, and a file without
        // one of the linked columns: refused before anything is written.
        r = runTera(QStringList(saved) << QStringLiteral("--kind") << QStringLiteral("members"));
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains(QStringLiteral("出力区分")));
        QStringList members = saved;
        members[4] = example("members.utf8.csv");
        r = runTera(members);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("読込み列 0「戒名」")), qPrintable(r.err));
        QCOMPARE(columnIn(savedDb, entries), written);

        // Column 9 (住所) goes to 電話番号 instead: neither the auto-link of
        // column 9 nor that of 電話番号 (column 10) is made.
        QTemporaryDir other;
        const QString otherDb = CreateDemoDatabase(other.path());
        r = runTera(importArgs("transcribe", otherDb, source, "death") << QStringLiteral("--auto-link") << QStringLiteral("--link")
                                                                       << QStringLiteral("9:24"));
        QCOMPARE(r.code, 0);
        QStringList expected = kDeathLinks;
        expected.removeAll(QStringLiteral("9:23"));
        expected.removeAll(QStringLiteral("10:24"));
        QCOMPARE(autoLinks(r.err), expected);
        QVERIFY2(r.err.contains(QStringLiteral("自動リンクしなかった表題")), qPrintable(r.err));
        // The donor's new household takes its telephone from the row.
        const QString donorTel = QStringLiteral("SELECT [tel] AS v FROM [D_SETAI] WHERE [世帯主名] = '髙橋　一郎'");
        QCOMPARE(columnIn(handDb, donorTel), QStringList{QStringLiteral("03-3812-4471")});
        QCOMPARE(columnIn(otherDb, donorTel), QStringList{QStringLiteral("東京都文京区本郷三丁目4番2号")});

        // Without titles there is nothing to match: refused, nothing written.
        QTemporaryDir untitled;
        const QString untitledDb = CreateDemoDatabase(untitled.path());
        const QByteArray before = readAll(untitledDb);
        QStringList args = importArgs("transcribe", untitledDb, source, "death");
        args.removeAll(QStringLiteral("--title"));
        r = runTera(args << QStringLiteral("--auto-link"));
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains(QStringLiteral("--title")));
        QCOMPARE(readAll(untitledDb), before);
        QVERIFY(!QFile::exists(untitled.filePath(QStringLiteral("tera2.mdb"))));
    }

    // An append of rows the database holds: check warns about each, the run
    // with --skip-duplicates leaves them out and lists them in its report,
    // and the run without writes them with a warning each. Households are
    // fed heads typed with a half-width blank, which the rules take for new
    // households.
    void likelyDuplicates_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("count"); // rows of the kind's table
        QTest::addColumn<int>("repeated");
        QTest::addColumn<int>("grows"); // by the run that writes them
        // Each example member heads a household of its own, so the member
        // found there is written over (the check's 上書き), not doubled.
        QTest::newRow("members") << QStringLiteral("members") << QStringLiteral("members.utf8.csv")
                                 << QStringLiteral("SELECT count(*) AS n FROM [D_KOJIN]") << 12 << 0;
        QTest::newRow("households") << QStringLiteral("households") << QStringLiteral("households.utf8.csv")
                                    << QStringLiteral("SELECT count(*) AS n FROM [D_SETAI]") << 10 << 10;
        QTest::newRow("death") << QStringLiteral("death") << QStringLiteral("death-register.utf8.csv")
                               << QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]") << 12 << 12;
    }

    void likelyDuplicates()
    {
        QFETCH(QString, kind);
        QFETCH(QString, file);
        QFETCH(QString, count);
        QFETCH(int, repeated);
        QFETCH(int, grows);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = example(file.toLatin1().constData());
        const QByteArray kindKey = kind.toLatin1();
        const auto args = [&](const char *command, const QString &from) {
            return importArgs(command, db, from, kindKey.constData()) << QStringLiteral("--auto-link") << QStringLiteral("--yes");
        };

        ProgramRun r = runTera(args("transcribe", source));
        QCOMPARE(r.code, 0);
        QVERIFY2(!r.err.contains(QStringLiteral("重複の可能性")), qPrintable(r.err));
        const qint64 first = countIn(db, count);
        QVERIFY(first >= repeated);

        QString again = source;
        if (kind == QStringLiteral("households")) {
            QByteArray bytes = readAll(source);
            bytes.replace("　", " ");
            again = writeFile(dir.filePath(QStringLiteral("households-again.csv")), bytes);
        }

        r = runTera(args("check", again));
        QCOMPARE(r.code, 0);
        // More than ten are one notice with their count.
        QCOMPARE(int(r.out.count(QStringLiteral("[重複の可能性]"))), repeated > 10 ? 1 : repeated);
        if (repeated > 10)
            QVERIFY2(r.out.contains(QStringLiteral("[重複の可能性] 同じ種類の指摘が %1 行にあります").arg(repeated)), qPrintable(r.out));
        QVERIFY2(r.out.section(QLatin1Char('\n'), 0, 0).contains(QStringLiteral("重複の可能性 %1 行").arg(repeated)),
                 qPrintable(r.out));

        r = runTera(args("check", again) << QStringLiteral("--skip-duplicates"));
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("読込 %1 行、書込 0 行、スキップ %1 行").arg(repeated)));

        r = runTera(args("transcribe", again) << QStringLiteral("--skip-duplicates"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("読込 %1 行、書込 0 行、スキップ %1 行").arg(repeated));
        QCOMPARE(countIn(db, count), first);
        const QString report = newestRunReport(dir.path());
        QVERIFY2(report.contains(QStringLiteral("重複の可能性がある行（既にある行と同じ内容。除く指定のため書き込んでいません）（%1 行）")
                                     .arg(repeated)),
                 qPrintable(report));

        r = runTera(args("transcribe", again));
        QCOMPARE(r.code, 0);
        QCOMPARE(int(r.err.count(QStringLiteral("重複の可能性（"))), repeated);
        QCOMPARE(countIn(db, count), first + grows);
    }
};

QTEST_GUILESS_MAIN(TestCliMigration)
#include "tst_cli_migration.moc"
