// Workbooks from the command line: a death register imported from an .xlsx
// writes what the CSV the spreadsheet program saves for that sheet writes,
// the sheets command lists a workbook, and --sheet and the bad inputs are
// refused before anything is written.
#include "database_dump.h"
#include "program_run.h"
#include "session/demo_database.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

class TestCliSpreadsheet : public QObject {
    Q_OBJECT

private slots:
    void xlsxWritesWhatItsCsvWrites()
    {
        QTemporaryDir fromXlsx, fromCsv;
        const QString xlsxDb = CreateDemoDatabase(fromXlsx.path());
        const QString csvDb = CreateDemoDatabase(fromCsv.path());
        ProgramRun r = runTera(importArgs("transcribe", xlsxDb, workbook("death-register.xlsx"), "death")
                               << linkArgs(kDeathLinks));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        r = runTera(importArgs("transcribe", csvDb, workbook("death-register.csv"), "death") << linkArgs(kDeathLinks));
        QVERIFY2(r.code == 0, qPrintable(r.err));

        const QStringList written = dumpDatabase(xlsxDb);
        QVERIFY(written.filter(QStringLiteral("W_KAKO: ")).size() == 12);
        QCOMPARE(written, dumpDatabase(csvDb));
        QCOMPARE(readAll(fromXlsx.filePath(QStringLiteral("kako.rnd"))), readAll(fromCsv.filePath(QStringLiteral("kako.rnd"))));
        QVERIFY(!readAll(fromXlsx.filePath(QStringLiteral("kako.rnd"))).isEmpty());
        // The report names the sheet of a workbook, and none for a CSV.
        QVERIFY(newestRunReport(fromXlsx.path()).contains(QStringLiteral("シート: 過去帳")));
        QVERIFY(!newestRunReport(fromCsv.path()).contains(QStringLiteral("シート:")));
    }

    void sheetsCommand()
    {
        ProgramRun r = runTera({QStringLiteral("sheets"), workbook("formats.xlsx")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("番号\tシート\t行数\t列数\t備考\n"
                                       "1\t名簿\t5\t5\t\n"
                                       "2\t書式\t24\t2\t開くシート\n"));
        r = runTera({QStringLiteral("sheets"), workbook("web-csv.xls")});
        QCOMPARE(r.code, 0);
        QVERIFY(r.err.contains(QStringLiteral("カンマ区切りのテキスト（CSV）でした")));
        QCOMPARE(r.out.split(QLatin1Char('\n')).value(1), QStringLiteral("1\tweb-csv.xls\t2\t2\t開くシート"));
        r = runTera({QStringLiteral("sheets")});
        QCOMPARE(r.code, 2);
    }

    // Each is refused with its reason, exit code 2, and leaves the database
    // as it was.
    void refusedBeforeWriting_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("said");
        QTest::newRow("no such sheet") << workbook("death-register.xlsx") << QStringList{"--sheet", "二枚目"}
                                       << "シート「二枚目」はありません";
        QTest::newRow("sheet of a CSV") << workbook("death-register.csv") << QStringList{"--sheet", "1"}
                                        << "--sheet は表計算ソフトのブックにだけ指定できます";
        QTest::newRow("empty sheet name") << workbook("death-register.xlsx") << QStringList{"--sheet="}
                                          << "--sheet にはシートの名前か番号を指定してください。";
        // A workbook that does not read (each reason is the reader's test).
        QTest::newRow("damaged") << workbook("damaged.xlsx") << QStringList() << "壊れているため読み込めません";
    }

    void refusedBeforeWriting()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, extra);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const QStringList before = dumpDatabase(db);
        const ProgramRun r = runTera(importArgs("transcribe", db, source, "death") << linkArgs(kDeathLinks) << extra);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QCOMPARE(dumpDatabase(db), before);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("kako.rnd"))) || readAll(dir.filePath(QStringLiteral("kako.rnd"))).isEmpty());
    }

    // --sheet by number picks the second sheet; a workbook of several
    // sheets says which one it read.
    void sheetByNumber()
    {
        QTemporaryDir dir;
        const QString db = CreateDemoDatabase(dir.path());
        const ProgramRun r = runTera(importArgs("check", db, workbook("formula.xlsx"), "death")
                                     << QStringLiteral("--sheet") << QStringLiteral("2") << linkArgs({QStringLiteral("0:10")}));
        QVERIFY2(r.err.contains(QStringLiteral("シート「二枚目」を読み込みました（2 シートのうち）。")), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestCliSpreadsheet)
#include "tst_cli_spreadsheet.moc"
