#include "platform/grid_model.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tera;

using Rows = QList<QStringList>;

namespace {

// A grid holding rows (the widest row giving the column count).
void fill(GridModel &g, const Rows &rows, int fixedRows = 0, int fixedCols = 0)
{
    int cols = 0;
    for (const QStringList &r : rows)
        cols = std::max(cols, int(r.size()));
    g.setCols(cols);
    g.setRows(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            g.setTextMatrix(r, c, rows[r][c]);
    g.setFixedRows(fixedRows);
    g.setFixedCols(fixedCols);
}

Rows texts(const GridModel &g)
{
    Rows out;
    for (int r = 0; r < g.Rows(); ++r)
        out.append(g.rowTexts(r));
    return out;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

QStringList column(const GridModel &g, int col)
{
    QStringList out;
    for (int r = 0; r < g.Rows(); ++r)
        out.append(g.TextMatrix(r, col));
    return out;
}

} // namespace

class TstGridModel : public QObject {
    Q_OBJECT
private slots:
    void sizesKeepWhatFits();
    void cursorStaysInsideTheTable();
    void clipPastes_data();
    void clipPastes();
    void rowOperations();
    void columnOperations();
    void fixedRowsAreNeverMoved();
    void sizesInTwips();
    void editableFlag();
    void sortModes_data();
    void sortModes();
    void sortUsesSelectedRowsAndKeyColumns();
    void sortPerColumnModes();
    void sortRefusals();
    void clearKeepsTheSize();
    void loadTextMakesOneRowPerLine();
    void failedLoadLeavesTableAsItWas();
    void numbers_data();
    void numbers();
};

void TstGridModel::sizesKeepWhatFits()
{
    GridModel g;
    fill(g, {{"a", "b", "c"}, {"d", "e", "f"}});
    QVERIFY(g.setCols(2));
    QVERIFY(g.setCols(3)); // a column that comes back is empty
    QCOMPARE(texts(g), (Rows{{"a", "b", ""}, {"d", "e", ""}}));
    QVERIFY(g.setRows(1));
    QVERIFY(g.setRows(2));
    QCOMPARE(texts(g), (Rows{{"a", "b", ""}, {"", "", ""}}));
    QVERIFY(!g.setRows(-1));
    QVERIFY(!g.setTextMatrix(2, 0, "x"));
    QCOMPARE(g.TextMatrix(5, 5), QString());

    // Fixed counts follow a shrinking table; they cannot exceed it.
    QVERIFY(g.setFixedRows(2));
    QVERIFY(!g.setFixedRows(3));
    g.setRows(0);
    QCOMPARE(g.FixedRows(), 0);
}

void TstGridModel::cursorStaysInsideTheTable()
{
    GridModel g;
    QCOMPARE(g.Row(), -1); // a fresh grid has no current cell
    fill(g, Rows(5, QStringList(4)));
    QVERIFY(g.select(4, 3, 1, 0));
    QVERIFY(g.setRow(2)); // a click collapses the selection
    QCOMPARE(QList<int>({g.Row(), g.Col(), g.RowSel(), g.ColSel()}), QList<int>({2, 3, 2, 3}));
    QVERIFY(!g.setRow(5));
    QVERIFY(!g.select(0, 4, 0, 0));
    g.select(4, 3, 4, 3);
    QSignalSpy moved(&g, &GridModel::cursorChanged);
    g.setRows(3);
    g.setCols(2);
    QCOMPARE(QList<int>({g.Row(), g.Col(), g.RowSel(), g.ColSel()}), QList<int>({2, 1, 2, 1}));
    QVERIFY(moved.count() >= 1);
    g.setRows(0);
    QCOMPARE(g.Row(), -1);
}

void TstGridModel::clipPastes_data()
{
    QTest::addColumn<QList<int>>("selection"); // Row, Col, RowSel, ColSel
    QTest::addColumn<QString>("text");
    QTest::addColumn<Rows>("expected");
    const QList<int> one{1, 1, 1, 1};
    QTest::newRow("one cell takes the whole text") << one << QStringLiteral("a\tb\rc\td")
                                                   << Rows{{"", "", "", ""}, {"", "a", "b", ""}, {"", "c", "d", ""}};
    QTest::newRow("copied text with CR LF, last line end ignored")
        << one << QStringLiteral("a\tb\r\nc\td\r\n") << Rows{{"", "", "", ""}, {"", "a", "b", ""}, {"", "c", "d", ""}};
    QTest::newRow("cut off at the table's edge") << QList<int>{2, 2, 2, 2} << QStringLiteral("a\tb\tc\rd")
                                                 << Rows{{"", "", "", ""}, {"", "", "", ""}, {"", "", "a", "b"}};
    QTest::newRow("larger selection takes only its part")
        << QList<int>{0, 0, 1, 1} << QStringLiteral("a\tb\tc\rd\te\tf\rg") << Rows{{"a", "b", "", ""}, {"d", "e", "", ""}, {"", "", "", ""}};
    QTest::newRow("cells the text misses stay") << QList<int>{0, 0, 2, 3} << QStringLiteral("a")
                                                << Rows{{"a", "", "", ""}, {"", "", "", ""}, {"", "", "", ""}};
}

void TstGridModel::clipPastes()
{
    QFETCH(QList<int>, selection);
    QFETCH(QString, text);
    QFETCH(Rows, expected);
    GridModel g;
    fill(g, Rows(3, QStringList(4)));
    g.select(selection[0], selection[1], selection[2], selection[3]);
    QVERIFY(g.setClip(text));
    QCOMPARE(texts(g), expected);
}

void TstGridModel::rowOperations()
{
    GridModel g;
    Rows rows;
    for (int r = 0; r < 10; ++r)
        rows.append({QString::number(r), QStringLiteral("x")});
    fill(g, rows, 1, 1);

    QVERIFY(g.AddItem(QStringLiteral("new\tone\tdropped"), 5)); // insert row at 5
    QCOMPARE(g.rowTexts(5), (QStringList{"new", "one"}));
    QCOMPARE(g.TextMatrix(6, 0), QStringLiteral("5"));
    QVERIFY(g.AddItem(QString())); // at the end
    QCOMPARE(g.Rows(), 12);
    QCOMPARE(g.rowTexts(11), (QStringList{"", ""}));
    QVERIFY(g.RemoveItem(5));
    QVERIFY(g.RemoveItem(10));
    QCOMPARE(column(g, 0), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));

    // Moving row 7 to 2 shifts the old rows 2 to 6 down by one, and back.
    QVERIFY(g.setRowPosition(7, 2));
    QCOMPARE(column(g, 0), (QStringList{"0", "1", "7", "2", "3", "4", "5", "6", "8", "9"}));
    QVERIFY(g.setRowPosition(2, 7));
    QCOMPARE(column(g, 0), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    QVERIFY(!g.setRowPosition(3, 10));
    QVERIFY(!g.RemoveItem(10));
}

// Cells, widths and sort modes move with their columns (the menu's insert
// and delete are moves plus a count change, tested with the import window).
void TstGridModel::columnOperations()
{
    GridModel g;
    fill(g, {{"c0", "c1", "c2", "c3", "c4"}, {"0", "1", "2", "3", ""}}, 1, 1);
    g.setColWidth(1, 2000);
    g.setColSort(1, SortCaseDescending);
    QVERIFY(g.setColPosition(1, 4));
    QCOMPARE(g.ColWidth(4), 2000);
    QCOMPARE(g.ColSort(4), int(SortCaseDescending));
    QCOMPARE(g.ColWidth(1), GridModel::kDefaultColWidth);
    QCOMPARE(g.rowTexts(0), (QStringList{"c0", "c2", "c3", "c4", "c1"}));
}

void TstGridModel::fixedRowsAreNeverMoved()
{
    GridModel g;
    fill(g, {{"見出し", "h"}, {"1", "a"}}, 1, 1);
    QVERIFY(!g.AddItem(QStringLiteral("x"), 0));
    QVERIFY(!g.RemoveItem(0));
    QVERIFY(!g.setRowPosition(1, 0));
    QVERIFY(!g.setColPosition(1, 0));
    QCOMPARE(texts(g), (Rows{{"見出し", "h"}, {"1", "a"}}));
    // Without fixed rows (the preview) row 0 is an ordinary row.
    GridModel p;
    fill(p, {{"a"}});
    QVERIFY(p.AddItem(QStringLiteral("b"), 0));
    QCOMPARE(column(p, 0), (QStringList{"b", "a"}));
}

void TstGridModel::sizesInTwips()
{
    GridModel g;
    fill(g, Rows(4, QStringList(3)));
    QVERIFY(g.hasUniformRowHeights());
    QVERIFY(g.setRowHeight(2, 600));
    QVERIFY(!g.hasUniformRowHeights());
    QCOMPARE(g.RowHeight(2), 600);
    QCOMPARE(g.RowHeight(1), GridModel::kDefaultRowHeight);
    QVERIFY(g.setRowHeight(-1, 400)); // every row, and rows added later
    QVERIFY(g.hasUniformRowHeights());
    g.setRows(6);
    QCOMPARE(g.RowHeight(5), 400);
    QVERIFY(g.setRowHeight(1, 0)); // closed up, not "default"
    QCOMPARE(g.RowHeight(1), 0);
    QVERIFY(!g.setRowHeight(1, -5));
    QVERIFY(!g.setRowHeight(9, 100));
    QVERIFY(g.setColWidth(-1, 800));
    QVERIFY(g.setColWidth(0, 1500));
    QCOMPARE(QList<int>({g.ColWidth(0), g.ColWidth(1), g.ColWidth(2)}), QList<int>({1500, 800, 800}));
}

void TstGridModel::editableFlag()
{
    GridModel g;
    fill(g, {{"h", "h"}, {"r", "x"}}, 1, 1);
    const QModelIndex cell = g.index(1, 1);
    QVERIFY(!(g.flags(cell) & Qt::ItemIsEditable));
    QVERIFY(!g.setData(cell, QStringLiteral("typed")));
    g.setEditable(true);
    QVERIFY(g.flags(cell) & Qt::ItemIsEditable);
    QVERIFY(g.setData(cell, QStringLiteral("typed")));
    QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("typed"));
    // Headings are not edited or selected, however editable the grid is.
    QCOMPARE(g.flags(g.index(0, 1)) & (Qt::ItemIsEditable | Qt::ItemIsSelectable | Qt::ItemIsEnabled), Qt::ItemFlags());
    QVERIFY(!g.setData(g.index(1, 0), QStringLiteral("typed")));
}

void TstGridModel::sortModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("sorted");
    const QStringList mixed{"10", "abc", "9", "", "Abc", "2", "1,200", "１２"};
    QTest::newRow("0 no sort") << 0 << mixed << mixed;
    QTest::newRow("1 numbers by value, then texts")
        << 1 << mixed << QStringList{"2", "9", "10", "１２", "1,200", "", "Abc", "abc"};
    QTest::newRow("2 the reverse") << 2 << mixed << QStringList{"abc", "Abc", "", "1,200", "１２", "10", "9", "2"};
    QTest::newRow("3 leading numbers, none is 0")
        << 3 << QStringList{"10", "9 歳", "x", "-3", "2.5"} << QStringList{"-3", "x", "2.5", "9 歳", "10"};
    QTest::newRow("4 the reverse") << 4 << QStringList{"10", "9 歳", "x", "-3", "2.5"}
                                   << QStringList{"10", "9 歳", "2.5", "x", "-3"};
    // Equal keys keep their order in every mode.
    QTest::newRow("5 ignoring case, stable") << 5 << QStringList{"b", "B", "a", "A"} << QStringList{"a", "A", "b", "B"};
    QTest::newRow("6 ignoring case, stable") << 6 << QStringList{"a", "B", "A", "b"} << QStringList{"B", "b", "a", "A"};
    QTest::newRow("7 respecting case") << 7 << QStringList{"b", "B", "a", "A"} << QStringList{"A", "B", "a", "b"};
    QTest::newRow("8 respecting case") << 8 << QStringList{"b", "B", "a", "A"} << QStringList{"b", "a", "B", "A"};
    QTest::newRow("9 Japanese kana order")
        << 9 << QStringList{"さとう", "カトウ", "あべ", "いとう"} << QStringList{"あべ", "いとう", "カトウ", "さとう"};
    QTest::newRow("9 numbers by value") << 9 << QStringList{"区画10", "区画2", "区画1"}
                                        << QStringList{"区画1", "区画2", "区画10"};
}

void TstGridModel::sortModes()
{
    QFETCH(int, mode);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, sorted);
    GridModel g;
    Rows rows{{"見出し", "tag"}};
    for (int i = 0; i < keys.size(); ++i)
        rows.append({keys[i], QString::number(i)});
    fill(g, rows, 1);
    g.select(1, 0, g.Rows() - 1, 0);
    QVERIFY(g.Sort(mode));
    QCOMPARE(column(g, 0).mid(1), sorted);
    QCOMPARE(g.TextMatrix(0, 0), QStringLiteral("見出し"));
    // Whole rows move, not just the key cells.
    for (int r = 1; r < g.Rows(); ++r)
        QCOMPARE(g.TextMatrix(r, 0), keys[g.TextMatrix(r, 1).toInt()]);
}

void TstGridModel::sortUsesSelectedRowsAndKeyColumns()
{
    GridModel g;
    fill(g, {{"h", "h", "h"},
             {"z", "b", "2"},
             {"y", "a", "2"},
             {"x", "b", "1"},
             {"w", "a", "1"},
             {"v", "a", "0"}},
         1);
    // Rows 1 to 4 only (selected from the bottom up), keys columns 1 then 2.
    g.select(4, 1, 1, 2);
    QVERIFY(g.Sort(SortGenericAscending));
    QCOMPARE(column(g, 0), (QStringList{"h", "w", "y", "x", "z", "v"}));
    // A selection reaching into the fixed row leaves the headings on top.
    g.select(0, 0, 5, 0);
    QVERIFY(g.Sort(SortCaseAscending));
    QCOMPARE(column(g, 0), (QStringList{"h", "v", "w", "x", "y", "z"}));
}

void TstGridModel::sortPerColumnModes()
{
    GridModel g;
    fill(g, {{"B", "1", "p"}, {"a", "2", "q"}, {"A", "3", "r"}, {"b", "4", "s"}});
    QCOMPARE(g.ColSort(0), int(SortNone));
    QVERIFY(g.setColSort(0, SortNoCaseDescending));
    QVERIFY(g.setColSort(1, SortNumericDescending));
    QVERIFY(!g.setColSort(1, SortUseColSort)); // a column's own mode is 0 to 9
    g.select(0, 0, 3, 1);
    QVERIFY(g.Sort(SortUseColSort));
    QCOMPARE(column(g, 1), (QStringList{"4", "1", "3", "2"}));
    // A key column whose own mode is 0 takes no part.
    g.setColSort(0, SortNone);
    QVERIFY(g.Sort(SortUseColSort));
    QCOMPARE(column(g, 1), (QStringList{"4", "3", "2", "1"}));
}

// Refused without a current cell or with an unknown mode; when rows move,
// their heights go with them (and the view hears of it once).
void TstGridModel::sortRefusals()
{
    GridModel g;
    fill(g, {{"b"}, {"a"}});
    g.setRowHeight(0, 900);
    QVERIFY(!g.Sort(SortCaseAscending)); // no current cell
    g.select(0, 0, 1, 0);
    QVERIFY(!g.Sort(11));
    QVERIFY(!g.Sort(-1));
    QCOMPARE(column(g, 0), (QStringList{"b", "a"}));
    QSignalSpy heights(&g, &GridModel::rowHeightChanged);
    QVERIFY(g.Sort(SortCaseAscending));
    QCOMPARE(g.RowHeight(1), 900);
    QCOMPARE(g.RowHeight(0), GridModel::kDefaultRowHeight);
    QCOMPARE(heights.count(), 1);
}

void TstGridModel::clearKeepsTheSize()
{
    GridModel g;
    fill(g, {{"a", "b"}, {"c", "d"}}, 1, 1);
    g.setRowHeight(1, 700);
    g.setColWidth(0, 3000);
    g.setColSort(1, SortCustom);
    g.Clear();
    QCOMPARE(texts(g), (Rows{{"", ""}, {"", ""}}));
    QCOMPARE(g.RowHeight(1), GridModel::kDefaultRowHeight);
    QCOMPARE(g.ColWidth(0), GridModel::kDefaultColWidth);
    QCOMPARE(g.ColSort(1), int(SortNone));
    QCOMPARE(g.FixedRows(), 1);
}

void TstGridModel::loadTextMakesOneRowPerLine()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("src.txt"), "氏名\t住所\r\n山田\r\n鈴木\t京都\t余分\r\n");
    GridModel g;
    fill(g, Rows(10, QStringList(10)));
    g.setColWidth(1, 2500);
    QVERIFY(g.LoadGrid(path, GridFileKind::Tsv).ok);
    QCOMPARE(texts(g), (Rows{{"氏名", "住所", ""}, {"山田", "", ""}, {"鈴木", "京都", "余分"}}));
    QCOMPARE(g.ColWidth(1), 2500); // column formatting stays
}

void TstGridModel::failedLoadLeavesTableAsItWas()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("broken.csv"), QByteArray("a,b\r\n\0\0\0", 8));
    GridModel g;
    fill(g, {{"h", "h"}, {"1", "x"}}, 1, 1);
    g.select(1, 1, 1, 1);
    QSignalSpy reset(&g, &QAbstractItemModel::modelReset);
    const GridResult r = g.LoadGrid(path, GridFileKind::Csv);
    QVERIFY(!r.ok);
    QVERIFY(r.message.contains(QStringLiteral("broken.csv")));
    QCOMPARE(texts(g), (Rows{{"h", "h"}, {"1", "x"}}));
    QCOMPARE(QList<int>({g.Row(), g.Col(), g.FixedRows(), g.FixedCols()}), QList<int>({1, 1, 1, 1}));
    QCOMPARE(reset.count(), 0);
    QVERIFY(!g.LoadGrid(path, GridFileKind(7)).ok);
}

void TstGridModel::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("leading");
    QTest::newRow("plain") << "42" << true << 42.0;
    QTest::newRow("blanks and sign") << "　-3.5 " << true << -3.5;
    QTest::newRow("full-width") << "－１２．５" << true << -12.5;
    QTest::newRow("thousands") << "12,000" << true << 12000.0;
    QTest::newRow("comma not between digits") << "12," << false << 12.0;
    QTest::newRow("date") << "2019/11/02" << false << 2019.0;
    QTest::newRow("trailing point") << "12." << true << 12.0;
    QTest::newRow("text") << "abc" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("sign alone") << "-" << false << 0.0;
}

void TstGridModel::numbers()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, leading);
    double value = -1;
    QCOMPARE(ParseNumber(text, value), isNumber);
    if (isNumber)
        QCOMPARE(value, leading);
    QCOMPARE(LeadingNumber(text), leading);
}

QTEST_GUILESS_MAIN(TstGridModel)
#include "tst_grid_model.moc"
