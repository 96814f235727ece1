#include "platform/grid_model.h"

#include <QSignalSpy>
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

QStringList column(const GridModel &g, int col)
{
    QStringList out;
    for (int r = 0; r < g.Rows(); ++r)
        out.append(g.TextMatrix(r, col));
    return out;
}

QList<int> cursor(const GridModel &g) { return {g.Row(), g.Col(), g.RowSel(), g.ColSel()}; }

} // namespace

class TstGridModel : public QObject {
    Q_OBJECT
private slots:
    void sizesAndCursorStayInsideTheTable();
    void clipPastes_data();
    void clipPastes();
    void sizesAndEditing();
    void sortModes_data();
    void sortModes();
    void sortUsesSelectedRowsAndKeyColumns();
};

void TstGridModel::sizesAndCursorStayInsideTheTable()
{
    GridModel g;
    QCOMPARE(g.Row(), -1); // a fresh grid has no current cell
    fill(g, {{"a", "b", "c"}, {"d", "e", "f"}});
    QVERIFY(g.setCols(2));
    QVERIFY(g.setCols(3)); // a column that comes back is empty
    QCOMPARE(texts(g), (Rows{{"a", "b", ""}, {"d", "e", ""}}));
    QVERIFY(!g.setRows(-1));
    QVERIFY(!g.setTextMatrix(2, 0, "x"));
    QCOMPARE(g.TextMatrix(5, 5), QString());
    QVERIFY(!g.setFixedRows(3)); // fixed counts cannot exceed the table...

    fill(g, Rows(5, QStringList(4)));
    QVERIFY(g.select(4, 3, 1, 0));
    QVERIFY(g.setRow(2)); // a click collapses the selection
    QCOMPARE(cursor(g), (QList<int>{2, 3, 2, 3}));
    QVERIFY(!g.setRow(5));
    QVERIFY(!g.select(0, 4, 0, 0));
    g.select(4, 3, 4, 3);
    QSignalSpy moved(&g, &GridModel::cursorChanged);
    g.setRows(3);
    g.setCols(2);
    QCOMPARE(cursor(g), (QList<int>{2, 1, 2, 1}));
    QVERIFY(moved.count() >= 1);
    QVERIFY(g.setFixedRows(2));
    g.setRows(0);
    QCOMPARE(g.Row(), -1);
    QCOMPARE(g.FixedRows(), 0); // ...and follow it when it shrinks
}

void TstGridModel::clipPastes_data()
{
    QTest::addColumn<QList<int>>("selection"); // Row, Col, RowSel, ColSel
    QTest::addColumn<QString>("text");
    QTest::addColumn<Rows>("expected");
    const QList<int> one{1, 1, 1, 1};
    const Rows ab{{"", "", "", ""}, {"", "a", "b", ""}, {"", "c", "d", ""}};
    QTest::newRow("one cell takes the whole text") << one << QStringLiteral("a\tb\rc\td") << ab;
    QTest::newRow("CR LF, last line end ignored") << one << QStringLiteral("a\tb\r\nc\td\r\n") << ab;
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
    g.select(1, 1, 2, 2);
    QCOMPARE(g.Clip(), expected[1].mid(1, 2).join(u'\t') + u'\r' + expected[2].mid(1, 2).join(u'\t'));
}

// Row and column operations, with their refusals at the headings, are
// tested through the grid commands (tst_row_col_ops).
void TstGridModel::sizesAndEditing()
{
    GridModel g;
    fill(g, {{"h", "h"}, {"r", "x"}, {"", ""}}, 1, 1);
    QVERIFY(g.setRowHeight(-1, 400));
    g.setRows(4);
    QVERIFY(g.setRowHeight(1, 0));
    QVERIFY(!g.setRowHeight(1, -5) && !g.setRowHeight(9, 100));
    QCOMPARE(QList<int>({g.RowHeight(1), g.RowHeight(3)}), QList<int>({0, 400}));
    QVERIFY(!g.setData(g.index(1, 1), QStringLiteral("typed")));
    g.setEditable(true);
    QVERIFY(g.setData(g.index(1, 1), QStringLiteral("typed")));
    QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("typed"));
    QCOMPARE(g.flags(g.index(0, 1)) & (Qt::ItemIsEditable | Qt::ItemIsSelectable | Qt::ItemIsEnabled), Qt::ItemFlags());
    QVERIFY(!g.setData(g.index(1, 0), QStringLiteral("typed")));
}

void TstGridModel::sortModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("sorted");
    const QStringList mixed{"10", "abc", "9", "", "Abc", "2", "1,200", "１２"};
    const QStringList numbers{"10", "9 歳", "x", "-3", "2.5"};
    QTest::newRow("0 no sort") << 0 << mixed << mixed;
    QTest::newRow("1 numbers by value, then texts")
        << 1 << mixed << QStringList{"2", "9", "10", "１２", "1,200", "", "Abc", "abc"};
    QTest::newRow("2 the reverse") << 2 << mixed << QStringList{"abc", "Abc", "", "1,200", "１２", "10", "9", "2"};
    QTest::newRow("3 leading numbers, none is 0") << 3 << numbers << QStringList{"-3", "x", "2.5", "9 歳", "10"};
    QTest::newRow("4 the reverse") << 4 << numbers << QStringList{"10", "9 歳", "2.5", "x", "-3"};
    // Numbers as users type them: blanks, full-width forms, digit groups.
    const QStringList typed{"12,", "　－１２．５ ", "2019/11/02", "-", "12.", "12,000", "abc"};
    QTest::newRow("1 typed numbers") << 1 << typed << QStringList{"　－１２．５ ", "12.", "12,000", "-", "12,", "2019/11/02", "abc"};
    QTest::newRow("3 typed leading numbers")
        << 3 << typed << QStringList{"　－１２．５ ", "-", "abc", "12,", "12.", "2019/11/02", "12,000"};
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
    for (int r = 1; r < g.Rows(); ++r) // whole rows move, not just the key cells
        QCOMPARE(g.TextMatrix(r, 0), keys[g.TextMatrix(r, 1).toInt()]);
}

// Refused without a current cell or with an unknown mode (10 takes each
// column's own mode, which the sort dialog's tests cover).
void TstGridModel::sortUsesSelectedRowsAndKeyColumns()
{
    GridModel g;
    fill(g, {{"h", "h", "h"}, {"z", "b", "2"}, {"y", "a", "2"}, {"x", "b", "1"}, {"w", "a", "1"}, {"v", "a", "0"}}, 1);
    QVERIFY(!g.Sort(SortCaseAscending));
    g.select(1, 0, 5, 0);
    QVERIFY(!g.Sort(11) && !g.Sort(-1) && !g.setColSort(0, SortUseColSort));
    QCOMPARE(column(g, 0), (QStringList{"h", "z", "y", "x", "w", "v"}));
    // Rows 1 to 4 only (selected from the bottom up), keys columns 1 then 2.
    g.select(4, 1, 1, 2);
    QVERIFY(g.Sort(SortGenericAscending));
    QCOMPARE(column(g, 0), (QStringList{"h", "w", "y", "x", "z", "v"}));
    // A selection reaching into the fixed row leaves the headings on top.
    g.select(0, 0, 5, 0);
    QVERIFY(g.Sort(SortCaseAscending));
    QCOMPARE(column(g, 0), (QStringList{"h", "v", "w", "x", "y", "z"}));
}

QTEST_GUILESS_MAIN(TstGridModel)
#include "tst_grid_model.moc"
