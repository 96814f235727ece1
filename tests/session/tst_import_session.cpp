// One import through the session, as the command line and the windows drive
// it: database, source, links, fill, check, run and report on a real
// database; and the refusals that come before anything is written.
#include "session/demo_database.h"
#include "session/import_session.h"
#include "session/startup.h"
#include "platform/clock.h"
#include "file_faults.h"
#include "program_run.h"
#include "scripted_prompt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

using Pairs = QList<std::pair<int, int>>;
Q_DECLARE_METATYPE(Pairs)

namespace {

// Opens the demo database in dir and reads source with its title line.
bool startOn(ImportSession &s, const QString &db, OutputKind kind, const QString &source)
{
    s.setOutputKind(kind);
    s.setExecutionMode(kModeAppend);
    s.setTitleRows(1);
    return s.openDatabase(db).ok() && s.readSource(source, GridFileKind::Csv).ok();
}

QList<DataLink> asLinks(const Pairs &pairs)
{
    QList<DataLink> links;
    for (const auto &[column, slot] : pairs)
        links << DataLink{column, slot};
    return links;
}

} // namespace

class TestImportSession : public QObject {
    Q_OBJECT

private slots:
    // Each example links itself as a person links it by hand, and the run
    // writes every row, with its report beside the database. Every date form
    // of the death register gives the era of its own day.
    void realImport_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Pairs>("links");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("eras"); // W_KAKO 年号/年号年 in entry order
        QTest::newRow("members") << int(kOutMembers) << QStringLiteral("members.cp932.csv")
                                 << Pairs{{0, 2},   {1, 8},   {2, 9},   {3, 10},  {4, 11},  {5, 12},  {6, 13},  {7, 14}, {8, 15},
                                          {9, 31},  {10, 19}, {11, 37}, {12, 35}, {13, 36}, {14, 22}, {15, 21}, {16, 50}}
                                 << QStringLiteral("D_KOJIN") << QStringList();
        QTest::newRow("households") << int(kOutHouseholds) << QStringLiteral("households.utf8.csv")
                                    << Pairs{{0, 2}, {1, 3}, {2, 4}, {3, 5}, {4, 10}, {5, 8}, {6, 9}, {7, 19}, {8, 23}, {9, 31}, {10, 32}}
                                    << QStringLiteral("D_SETAI") << QStringList();
        QTest::newRow("death") << int(kOutDeathRegister) << QStringLiteral("death-register.cp932.csv")
                               << Pairs{{0, 10}, {1, 9}, {2, 11}, {3, 1}, {4, 2}, {5, 7}, {6, 12}, {7, 13}, {8, 22}, {9, 23}, {10, 24}, {11, 25}}
                               << QStringLiteral("W_KAKO")
                               << QStringList{// 2003年5月17日, 平成元年12月3日, 二〇〇三年五月十七日, 昭和六十四年一月七日,
                                              // 千九百八十九年一月八日, ２０１９年１２月２４日, 令和元年6月1日, 平成15年5月17日,
                                              // 1998年8月15日, 2012年3月, 平成二十三年三月十一日, 2000年2月29日
                                              "平成/十五", "平成/一", "平成/十五", "昭和/六十四", "平成/一", "令和/一",
                                              "令和/一", "平成/十五", "平成/十", "平成/二十四", "平成/二十三", "平成/十二"};
    }
    void realImport()
    {
        QFETCH(int, kind);
        QFETCH(QString, file);
        QFETCH(Pairs, links);
        QFETCH(QString, table);
        QFETCH(QStringList, eras);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = example(file.toLatin1().constData());
        ImportSession s;
        QVERIFY(startOn(s, db, OutputKind(kind), source));
        QCOMPARE(s.state().files.kako, dir.filePath(QStringLiteral("kako.rnd")));

        const AutoLinkResult found = s.autoLink({});
        QCOMPARE(found.links, links);
        QVERIFY(found.unmatched.isEmpty());
        QVERIFY(s.checkLinks(asLinks(links)).ok());
        QVERIFY(s.fillImportTable(QStringLiteral("  ") + source, asLinks(links)).ok());
        QCOMPARE(s.state().sourcePath, source);
        const int rows = s.sourceTable().rowCount() - 1;
        QCOMPARE(s.importTable().rowCount(), rows);

        const FixedClock clock(QDate(2024, 5, 10));
        const CheckReport checked = s.check(clock, nullptr, false);
        QVERIFY2(checked.made && !checked.stops(), qPrintable(checked.failure));
        QCOMPARE(checked.rowsWrittenBeforeStop(), rows);
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(table)), 0);

        ScriptedPrompt prompt;
        const QDateTime started = QDateTime::currentDateTime();
        const TranscribeReport report = s.run(prompt, clock, nullptr, {});
        QCOMPARE(report.outcome, TranscribeReport::Outcome::Completed);
        QCOMPARE(report.rowsWritten, rows);
        QCOMPARE(countIn(db, QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(table)), rows);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("tera2.mdb"))));
        if (!eras.isEmpty())
            QCOMPARE(columnIn(db, QStringLiteral("SELECT [年号] || '/' || [年号年] AS v FROM [W_KAKO] ORDER BY [過去CD]")), eras);
        QString error;
        const QString path = s.writeReport(report, started, &error);
        QVERIFY2(QFileInfo(path).dir() == QDir(dir.path()), qPrintable(error));
    }

    // A link to a column the file no longer has (the file changed under a
    // saved link), and a source file gone since it was read: each is told
    // with the window's words, and nothing is written.
    void staleLinkOrMissingSource_data()
    {
        QTest::addColumn<bool>("removeSource");
        QTest::addColumn<QString>("says");
        QTest::newRow("stale link") << false
                                    << QStringLiteral("データリンクの 2 行目の読込み項目「地区」は、読込みファイルの 13 列目を指していますが、"
                                                      "今の読込みファイルは 12 列です。");
        QTest::newRow("source gone") << true << QStringLiteral("読込みデータのファイルが見つかりません（移動または削除されました）。");
    }
    void staleLinkOrMissingSource()
    {
        QFETCH(bool, removeSource);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QString source = dir.filePath(QStringLiteral("source.csv"));
        QVERIFY(QFile::copy(example("death-register.utf8.csv"), source));
        ImportSession s;
        QVERIFY(startOn(s, db, kOutDeathRegister, source));
        const auto before = folderBytes(dir.path());
        QList<DataLink> links{{0, 10}, {12, 11, QStringLiteral("地区")}};
        if (removeSource) {
            QVERIFY(QFile::remove(source));
            links.removeLast();
        }
        const SessionResult filled = s.fillImportTable(source, links);
        QCOMPARE(filled.cause, SessionResult::Cause::FillStopped);
        QVERIFY2(filled.message.startsWith(says), qPrintable(filled.message));
        QCOMPARE(s.importTable().rowCount(), 0);
        auto after = folderBytes(dir.path());
        if (removeSource)
            after.insert(QStringLiteral("source.csv"), before.value(QStringLiteral("source.csv")));
        QCOMPARE(after, before);
    }

    // The links are checked as the link editor checks them.
    void linksRefused_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("cause");
        QTest::addColumn<QString>("says");
        QTest::newRow("column past the file") << 12 << 10 << int(SessionResult::Cause::NoSourceColumn) << LinkText::kNoSourceItem;
        QTest::newRow("negative column") << -1 << 10 << int(SessionResult::Cause::NoSourceColumn) << LinkText::kNoSourceItem;
        QTest::newRow("slot past the catalogue") << 0 << 27 << int(SessionResult::Cause::NoTargetItem) << LinkText::kNoTargetItem;
        QTest::newRow("key, not linkable") << 0 << 0 << int(SessionResult::Cause::NotLinkable) << LinkText::kNotLinkable;
        QTest::newRow("placeholder, not linkable") << 0 << 8 << int(SessionResult::Cause::NotLinkable) << LinkText::kNotLinkable;
    }
    void linksRefused()
    {
        QFETCH(int, column);
        QFETCH(int, slot);
        QFETCH(int, cause);
        QFETCH(QString, says);
        QTemporaryDir dir;
        ImportSession s;
        QVERIFY(startOn(s, CreateDemoDatabase(dir.path()), kOutDeathRegister, example("death-register.utf8.csv")));
        const SessionResult r = s.checkLinks({{1, 9}, {column, slot}});
        QCOMPARE(int(r.cause), cause);
        QCOMPARE(r.message, says);
        QCOMPARE(r.link, 1);
    }

    // A database that is not there, or not a database: told, with the
    // engine's words underneath; a source that is not a table: told.
    void refusedBeforeTheLinks()
    {
        QTemporaryDir dir;
        ImportSession s;
        const QString demo = CreateDemoDatabase(dir.path());
        QVERIFY(s.openDatabase(demo).ok());
        const MasterData before = s.state().master;
        QVERIFY(before.kbnValues != MasterData().kbnValues);
        SessionResult r = s.openDatabase(dir.filePath(QStringLiteral("none/tera.mdb")));
        QCOMPARE(r.cause, SessionResult::Cause::NoDatabase);
        QCOMPARE(r.message, StartupText::kNoDatabase);
        // The database chosen before stays, with its paths and master data.
        QCOMPARE(s.state().files.database, QFileInfo(demo).absoluteFilePath());
        QCOMPARE(s.state().files.databaseBackup, dir.filePath(QStringLiteral("tera2.mdb")));
        QVERIFY(s.state().master.kbnValues == before.kbnValues);

        const QString text = writeFile(dir.filePath(QStringLiteral("garbage.mdb")), QByteArray("\x00\x01\x02\xff\xfe garbage", 16));
        r = s.openDatabase(text);
        QCOMPARE(r.cause, SessionResult::Cause::DatabaseFault);
        QCOMPARE(r.message, StartupText::kDatabaseFault);
        QVERIFY(!r.detail.isEmpty());

        r = s.readSource(text, GridFileKind::Csv);
        QCOMPARE(r.cause, SessionResult::Cause::SourceUnreadable);
        QVERIFY2(r.message.contains(QStringLiteral("garbage.mdb")), qPrintable(r.message));
        QCOMPARE(s.sourceTable().columnCount(), 0);
        QVERIFY(s.sourceItems().size() == 1 && s.sourceTitles().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestImportSession)
#include "tst_import_session.moc"
