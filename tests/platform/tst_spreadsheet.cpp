#include "platform/cell_format.h"
#include "platform/grid_model.h"
#include "platform/spreadsheet.h"
#include "platform/text_file.h"

#include <QHash>
#include <QTest>

using namespace tera;

// The workbooks under tests/data/spreadsheets are written by openpyxl, xlwt
// and LibreOffice (make_spreadsheets.py); expected/ holds LibreOffice's CSV
// of every sheet, saved "as shown".
namespace {

QString data(const QString &name)
{
    return QStringLiteral(TERA_SOURCE_DIR "/tests/data/spreadsheets/") + name;
}

QList<QStringList> cellsOf(const TextTable &t, int cols)
{
    QList<QStringList> out;
    for (const GridRow &row : t.rows)
        out.append(row.cells(cols));
    // The CSV keeps the used area's empty rows and columns at the end; the
    // source table drops them.
    while (!out.isEmpty() && out.last().join(QString()).isEmpty())
        out.removeLast();
    return out;
}

using Overrides = QHash<QString, QString>; // "row,col" -> text

} // namespace

Q_DECLARE_METATYPE(Overrides)

class TstSpreadsheet : public QObject {
    Q_OBJECT
private slots:
    void shownTexts_data();
    void shownTexts();
    void badInputs_data();
    void badInputs();
    void textNamedAsWorkbook_data();
    void textNamedAsWorkbook();
    void lastRowOfExcel();
    void formatCodes_data();
    void formatCodes();
    void gridLoadsSheet();
};

void TstSpreadsheet::shownTexts_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("sheetRead");
    QTest::addColumn<int>("hiddenRows");
    QTest::addColumn<int>("hiddenCols");
    QTest::addColumn<Overrides>("excel");

    // LibreOffice 7.4 knows neither the BCP 47 locale tags of Excel's era
    // formats nor the 1900 leap-year day that the .xlsx date system keeps
    // (serial 60 is 29 February 1900 there): for those cells the expected
    // text is Excel's.
    Overrides formats;
    formats.insert(QStringLiteral("15,1"), QStringLiteral("平成1年12月3日"));
    formats.insert(QStringLiteral("16,1"), QStringLiteral("令和元年5月1日"));
    formats.insert(QStringLiteral("21,1"), QStringLiteral("1900/2/29"));
    formats.insert(QStringLiteral("23,1"), QStringLiteral("1900/2/28"));

    QTest::newRow("xlsx active sheet: numbers, dates, eras")
        << "formats.xlsx" << "" << "formats.xlsx-書式.csv" << "書式" << 0 << 0 << formats;
    QTest::newRow("xlsx sheet by name: text zeros, merged, hidden")
        << "formats.xlsx" << "名簿" << "formats.xlsx-名簿.csv" << "名簿" << 1 << 1 << Overrides();
    QTest::newRow("xlsx sheet by number") << "formats.xlsx" << "1" << "formats.xlsx-名簿.csv" << "名簿" << 1 << 1 << Overrides();
    QTest::newRow("xlsx 1904 date system") << "date1904.xlsx" << "" << "date1904.xlsx-1904.csv" << "1904" << 0 << 0
                                           << Overrides();
    QTest::newRow("xlsx formulas, booleans, errors, merged (LibreOffice)")
        << "formula.xlsx" << "" << "formula.xlsx-計算.csv" << "計算" << 0 << 0 << Overrides();
    QTest::newRow("xlsx second sheet") << "formula.xlsx" << "二枚目" << "formula.xlsx-二枚目.csv" << "二枚目" << 0 << 0
                                       << Overrides();
    QTest::newRow("xlsx rich text, phonetic guide, inline string")
        << "richtext.xlsx" << "" << "richtext.xlsx-文字.csv" << "文字" << 0 << 0 << Overrides();
    QTest::newRow("ods first sheet, hidden") << "formats.ods" << "" << "formats.ods-名簿.csv" << "名簿" << 1 << 1
                                             << Overrides();
    QTest::newRow("ods formats") << "formats.ods" << "書式" << "formats.ods-書式.csv" << "書式" << 0 << 0 << Overrides();
    QTest::newRow("xls") << "book.xls" << "" << "book.xls-過去帳.csv" << "過去帳" << 0 << 0 << Overrides();
    QTest::newRow("xls second sheet") << "book.xls" << "2" << "book.xls-メモ.csv" << "メモ" << 0 << 0 << Overrides();
}

void TstSpreadsheet::shownTexts()
{
    QFETCH(QString, file);
    QFETCH(QString, sheet);
    QFETCH(QString, expected);
    QFETCH(QString, sheetRead);
    QFETCH(int, hiddenRows);
    QFETCH(int, hiddenCols);
    QFETCH(Overrides, excel);

    TextTable shown;
    QVERIFY(ReadDelimitedText(data(QStringLiteral("expected/")) + expected, u',', shown, TextEncoding::Utf8).ok);
    QList<QStringList> want = cellsOf(shown, shown.cols);
    for (auto it = excel.cbegin(); it != excel.cend(); ++it) {
        const QStringList rc = it.key().split(u',');
        want[rc.at(0).toInt()][rc.at(1).toInt()] = it.value();
    }

    SheetTable read;
    const Outcome outcome = ReadSheet(data(file), sheet, read);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(read.sheetName, sheetRead);
    QCOMPARE(read.hiddenRows, hiddenRows);
    QCOMPARE(read.hiddenCols, hiddenCols);
    QCOMPARE(outcome.hasWarning(), hiddenRows + hiddenCols > 0);
    // Trailing empty columns are not part of the table.
    int usedCols = 0;
    for (const QStringList &row : want)
        for (int c = 0; c < row.size(); ++c)
            if (!row.at(c).isEmpty())
                usedCols = std::max(usedCols, c + 1);
    QCOMPARE(read.table.cols, usedCols);
    const QList<QStringList> got = cellsOf(read.table, shown.cols);
    QCOMPARE(got.size(), want.size());
    for (int r = 0; r < want.size(); ++r)
        QCOMPARE(got.at(r), want.at(r));
}

void TstSpreadsheet::badInputs_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("message");

    QTest::newRow("download cut short") << "damaged.xlsx" << ""
                                        << "ファイル「damaged.xlsx」は壊れているため読み込めません（ZIP: Not a zip archive）。";
    QTest::newRow("no sheets") << "nosheets.xlsx" << "" << "ファイル「nosheets.xlsx」にはシートがありません。";
    QTest::newRow("inflates past the limit")
        << "bomb.xlsx" << "名簿"
        << "ファイル「bomb.xlsx」の中身（xl/worksheets/sheet1.xml）は展開すると 1024 MB を超えるため読み込めません。";
    const QString locked = QStringLiteral("はパスワードで保護されているため読み込めません。"
                                          "表計算ソフトでパスワードを外して保存し直してから読み込んでください。");
    QTest::newRow("ods with a password") << "encrypted.ods" << "" << QStringLiteral("ファイル「encrypted.ods」") + locked;
    QTest::newRow("xls with a password") << "encrypted.xls" << "" << QStringLiteral("ファイル「encrypted.xls」") + locked;
    QTest::newRow("xlsx with a password") << "encrypted.xlsx" << "" << QStringLiteral("ファイル「encrypted.xlsx」") + locked;
    // The archive claims 5,000 bytes for a sheet that inflates past 1 GB:
    // what is inflated is counted, the header is not believed.
    QTest::newRow("a sheet that lies about its size")
        << "lying.xlsx" << "名簿"
        << "ファイル「lying.xlsx」の中身（xl/worksheets/sheet1.xml）は展開すると 1024 MB を超えるため読み込めません。";
    QTest::newRow("no such sheet")
        << "formats.xlsx" << "三枚目"
        << "ファイル「formats.xlsx」にシート「三枚目」はありません。シートは 「名簿」、「書式」 です（番号なら 1 から 2）。";
    QTest::newRow("sheet number past the last") << "book.xls" << "3"
                                                << "ファイル「book.xls」にシート「3」はありません。シートは 「過去帳」、「メモ」 です（番号なら 1 から 2）。";
    QTest::newRow("missing file") << "none.xlsx" << "" << "";
}

void TstSpreadsheet::badInputs()
{
    QFETCH(QString, file);
    QFETCH(QString, sheet);
    QFETCH(QString, message);
    // The table the clerk had stays as it was.
    GridModel grid;
    grid.setRows(2);
    grid.setCols(2);
    grid.setTextMatrix(1, 1, QStringLiteral("前の表"));
    const Outcome outcome = grid.LoadSheet(data(file), sheet);
    QVERIFY(!outcome.ok);
    if (!message.isEmpty())
        QCOMPARE(outcome.message, QString(message).replace(QStringLiteral("「") + file + QStringLiteral("」"),
                                                           QStringLiteral("「") + displayName(data(file)) + QStringLiteral("」")));
    else
        QVERIFY(outcome.message.contains(file));
    QCOMPARE(grid.Rows(), 2);
    QCOMPARE(grid.TextMatrix(1, 1), QStringLiteral("前の表"));
}

void TstSpreadsheet::textNamedAsWorkbook_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("readAs");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::newRow("HTML table") << "web-table.xls" << "HTML"
                                << QList<QStringList>{{"戒名", "俗名"}, {"釋浄心", "髙橋 清一"}, {"合計&計", ""}};
    QTest::newRow("CSV") << "web-csv.xls" << "CSV" << QList<QStringList>{{"戒名", "俗名"}, {"釋浄心", "髙橋　清一"}};
}

void TstSpreadsheet::textNamedAsWorkbook()
{
    QFETCH(QString, file);
    QFETCH(QString, readAs);
    QFETCH(QList<QStringList>, rows);
    QCOMPARE(SpreadsheetKindOf(data(file)), SpreadsheetKind::None);
    SheetTable read;
    const Outcome outcome = ReadSheet(data(file), QString(), read);
    QVERIFY(outcome.hasWarning());
    QVERIFY2(outcome.message.contains(QStringLiteral("Excel のブックではなく")), qPrintable(outcome.message));
    QCOMPARE(read.readAs, readAs);
    QCOMPARE(cellsOf(read.table, 2), rows);
}

void TstSpreadsheet::lastRowOfExcel()
{
    // Excel's last row, 1,048,576: the empty rows before it cost a row
    // object each and nothing per cell.
    SheetTable read;
    QVERIFY(ReadSheet(data(QStringLiteral("million.xlsx")), QStringLiteral("名簿"), read).ok);
    QCOMPARE(read.table.rows.size(), 1048576);
    QCOMPARE(read.table.rows.last().cell(0), QStringLiteral("last"));
    QCOMPARE(read.table.rows.at(1).cell(1), QStringLiteral("髙橋　清一"));
}

void TstSpreadsheet::formatCodes_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("shown");
    QTest::newRow("General third") << 1.0 / 3 << "General" << "0.333333333";
    QTest::newRow("General huge") << 1.5e12 << "General" << "1.5E+12";
    QTest::newRow("General negative") << -85.0 << "General" << "-85";
    QTest::newRow("G/標準 with unit") << 85.0 << "G/標準\"歳\"" << "85歳";
    QTest::newRow("no integer zero") << 0.5 << "#.00" << ".50";
    QTest::newRow("two sections") << -5.0 << "0;(0)" << "(5)";
    QTest::newRow("zero section") << 0.0 << "0;-0;\"なし\"" << "なし";
    QTest::newRow("thousands scale") << 1234567.0 << "#,##0," << "1,235";
    QTest::newRow("half away from zero") << 2.675 << "0.00" << "2.68";
    QTest::newRow("12-hour") << 0.75 << "h:mm AM/PM" << "6:00 PM";
    QTest::newRow("elapsed hours") << 1.5 << "[h]:mm" << "36:00";
    QTest::newRow("seconds round up a day") << 37757.99999999 << "yyyy/m/d h:mm:ss" << "2003/5/17 0:00:00";
    QTest::newRow("weekday") << 37758.0 << "yyyy/m/d(aaa)" << "2003/5/17(土)";
    QTest::newRow("era initial") << 43586.0 << "[$-411]ge.m.d" << "R1.5.1";
    QTest::newRow("gannen") << 43586.0 << "[$-ja-JP-x-gannen]ggge\"年\"" << "令和元年";
    QTest::newRow("serial 0") << 0.0 << "yyyy/m/d" << "1900/1/0";
    QTest::newRow("built-in 14 is Japanese") << 37758.0 << BuiltInNumberFormat(14) << "2003/5/17";
    QTest::newRow("built-in 28 era") << 37758.0 << BuiltInNumberFormat(28) << "平成15年5月17日";
}

void TstSpreadsheet::formatCodes()
{
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, shown);
    QCOMPARE(FormatCellNumber(value, format, false), shown);
}

void TstSpreadsheet::gridLoadsSheet()
{
    // The grid takes a sheet as it takes a CSV, and cannot save one back.
    GridModel grid;
    SheetTable info;
    const Outcome loaded = grid.LoadSheet(data(QStringLiteral("formats.xlsx")), QStringLiteral("名簿"), &info);
    QVERIFY(loaded.ok);
    QCOMPARE(loaded.message, QStringLiteral("シート「名簿」の非表示の行 1 行と非表示の列 1 列も読み込みました。"));
    QCOMPARE(info.sheetCount, 2);
    QCOMPARE(grid.Rows(), 5);
    QCOMPARE(grid.TextMatrix(1, 0), QStringLiteral("0012"));
    QCOMPARE(grid.TextMatrix(1, 4), QStringLiteral("85歳"));
    QVERIFY(!grid.SaveGrid(data(QStringLiteral("formats.xlsx")), GridFileKind::Workbook).ok);
    QCOMPARE(FormatCellText(QStringLiteral("山田"), QStringLiteral("@\"様\"")), QStringLiteral("山田様"));
}

QTEST_GUILESS_MAIN(TstSpreadsheet)
#include "tst_spreadsheet.moc"
