// Rows and columns of the import table: insert, append, move and delete
// with their edge cases, the number dialog InputDialog and the size dialog
// RowColumnDialog.
#include "gridtools/grid_menus.h"
#include "../mainwin/window_fixture.h"

#include <QAction>
#include <QLabel>

using namespace tera;

class TestRowColOps : public QObject {
    Q_OBJECT
    std::unique_ptr<GridFixture> f;

    // The first data cell of every row: which row stands where.
    QStringList order() { return f->column(1); }
    // The heading of every column: which column stands where.
    QStringList headings() { return f->grid().rowTexts(0); }

private slots:
    void init()
    {
        f = std::make_unique<GridFixture>();
        f->fill(10, 6);
    }
    void cleanup() { f.reset(); }

    void rowOperations_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("currentRow");
        QTest::addColumn<QStringList>("expected"); // column 1, top to bottom
        QTest::addColumn<QString>("message");
        const QStringList base{"h1", "1-1", "2-1", "3-1", "4-1", "5-1", "6-1", "7-1", "8-1", "9-1"};
        auto with = [&](int at, const QString &text) {
            QStringList l = base;
            l.insert(at, text);
            return l;
        };
        auto without = [&](int at) {
            QStringList l = base;
            l.removeAt(at);
            return l;
        };
        QTest::newRow("insert at row 5") << "mnuOpRowIns" << 5 << with(5, QString()) << QString();
        QTest::newRow("append below row 5") << "mnuOpRowAdd" << 5 << with(6, QString()) << QString();
        QTest::newRow("append below the last row") << "mnuOpRowAdd" << 9 << with(10, QString()) << QString();
        QTest::newRow("delete row 5") << "mnuOpRowDel" << 5 << without(5) << QString();
        QTest::newRow("delete the last row") << "mnuOpRowDel" << 9 << without(9) << QString();
        QTest::newRow("insert without a current row") << "mnuOpRowIns" << -1 << base << QString();
        QTest::newRow("delete without a current row") << "mnuOpRowDel" << -1 << base << QString();
        // Nothing to move: no number is asked (an answer would move row 1).
        QTest::newRow("move without a current row") << "mnuOpRowMov" << -1 << base << QString();
        // The headings stay on top: the new row goes directly below them.
        QTest::newRow("append without a current row") << "mnuOpRowAdd" << -1 << with(1, QString()) << QString();
        QTest::newRow("insert at the heading row") << "mnuOpRowIns" << 0 << base << GridToolText::kRowNotInserted;
        QTest::newRow("delete the heading row") << "mnuOpRowDel" << 0 << base << GridToolText::kRowNotDeleted;
    }

    void rowOperations()
    {
        QFETCH(QString, entry);
        QFETCH(int, currentRow);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        QVERIFY(f->grid().setCol(2));
        QVERIFY(f->grid().setRow(currentRow));
        f->answerInput(QStringLiteral("2"), true);
        f->w->findChild<QAction *>(entry)->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(order(), expected);
        QCOMPARE(f->prompt.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        // A new row is empty in every column.
        const int added = expected.size() > 10 ? int(expected.indexOf(QString())) : -1;
        if (added > 0)
            QCOMPARE(f->grid().rowTexts(added), QStringList(6, QString()));
    }

    void columnOperations_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("currentCol");
        QTest::addColumn<QStringList>("expected"); // row 0, left to right
        QTest::addColumn<QString>("message");
        const QStringList base{"", "h1", "h2", "h3", "h4", "h5"};
        auto with = [&](int at) {
            QStringList l = base;
            l.insert(at, QString());
            return l;
        };
        auto without = [&](int at) {
            QStringList l = base;
            l.removeAt(at);
            return l;
        };
        QTest::newRow("insert at column 3") << "mnuOpColIns" << 3 << with(3) << QString();
        QTest::newRow("append right of column 3") << "mnuOpColAdd" << 3 << with(4) << QString();
        QTest::newRow("append right of the last column") << "mnuOpColAdd" << 5 << with(6) << QString();
        QTest::newRow("delete column 3") << "mnuOpColDel" << 3 << without(3) << QString();
        QTest::newRow("delete the last column") << "mnuOpColDel" << 5 << without(5) << QString();
        QTest::newRow("insert at the heading column") << "mnuOpColIns" << 0 << base << GridToolText::kColNotInserted;
        QTest::newRow("delete the heading column") << "mnuOpColDel" << 0 << base << GridToolText::kColNotDeleted;
        QTest::newRow("insert without a current column") << "mnuOpColIns" << -1 << base << GridToolText::kNoCurrentCol;
        QTest::newRow("delete without a current column") << "mnuOpColDel" << -1 << base << GridToolText::kNoCurrentCol;
        QTest::newRow("append without a current column") << "mnuOpColAdd" << -1 << with(1) << QString();
    }

    void columnOperations()
    {
        QFETCH(QString, entry);
        QFETCH(int, currentCol);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        QVERIFY(f->grid().setRow(4));
        QVERIFY(f->grid().setCol(currentCol));
        f->grid().setColWidth(5, 3000);
        f->w->findChild<QAction *>(entry)->trigger();
        QCOMPARE(headings(), expected);
        QCOMPARE(f->grid().Cols(), expected.size());
        QCOMPARE(f->prompt.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        // The cells travel with their column, and so does its width.
        for (int c = 1; c < f->grid().Cols(); ++c) {
            const QString h = f->grid().TextMatrix(0, c);
            QCOMPARE(f->grid().TextMatrix(4, c), h.isEmpty() ? QString() : QStringLiteral("4-") + h.mid(1));
            QCOMPARE(f->grid().ColWidth(c), h == QStringLiteral("h5") ? 3000 : GridModel::kDefaultColWidth);
        }
    }

    void moves_data()
    {
        QTest::addColumn<bool>("rows");
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        const QStringList rows{"h1", "1-1", "2-1", "3-1", "4-1", "5-1", "6-1", "7-1", "8-1", "9-1"};
        const QStringList cols{"", "h1", "h2", "h3", "h4", "h5"};
        QTest::newRow("row 7 to 2") << true << 7 << "2" << true
                                    << QStringList{"h1", "1-1", "7-1", "2-1", "3-1", "4-1", "5-1", "6-1", "8-1", "9-1"}
                                    << QString();
        QTest::newRow("row 2 to 9") << true << 2 << "9" << true
                                    << QStringList{"h1", "1-1", "3-1", "4-1", "5-1", "6-1", "7-1", "8-1", "9-1", "2-1"}
                                    << QString();
        QTest::newRow("row cancelled") << true << 7 << "2" << false << rows << QString();
        QTest::newRow("row onto the headings") << true << 7 << "0" << true << rows << GridToolText::kRowNotMoved;
        // 10 is above the last index 9: the 0 is refused and 1 remains.
        QTest::newRow("row past the end") << true << 7 << "10" << true
                                          << QStringList{"h1", "7-1", "1-1", "2-1", "3-1", "4-1", "5-1", "6-1", "8-1",
                                                         "9-1"}
                                          << QString();
        QTest::newRow("column 4 to 1") << false << 4 << "1" << true
                                       << QStringList{"", "h4", "h1", "h2", "h3", "h5"} << QString();
        QTest::newRow("column cancelled") << false << 4 << "1" << false << cols << QString();
        QTest::newRow("column onto the headings") << false << 4 << "0" << true << cols << GridToolText::kColNotMoved;
    }

    void moves()
    {
        QFETCH(bool, rows);
        QFETCH(int, from);
        QFETCH(QString, typed);
        QFETCH(bool, ok);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        f->grid().select(rows ? from : 3, rows ? 2 : from, rows ? from : 3, rows ? 2 : from);
        f->answerInput(typed, ok);
        f->w->findChild<QAction *>(rows ? "mnuOpRowMov" : "mnuOpColMov")->trigger();
        InputDialog &d = f->tools().inputDialog();
        QCOMPARE(d.upper, rows ? 9 : 5);
        QCOMPARE(d.wasCancelled, !ok);
        QVERIFY(!d.isVisible());
        QCOMPARE(rows ? order() : headings(), expected);
        QCOMPARE(f->prompt.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f->beeps, typed == QStringLiteral("10") ? 1 : 0);
    }

    // ＯＫ on an empty box keeps the dialog up; ｷｬﾝｾﾙ closes it even then.
    // The box keeps its text from one use to the next; Enter confirms.
    void inputDialog()
    {
        InputDialog &d = f->tools().inputDialog();
        d.promptText = QStringLiteral("数を入れてください。");
        d.lower = 0;
        d.upper = 49;
        bool stayed = false;
        QTimer::singleShot(0, [&] {
            d.valueEdit->clear();
            d.answerButtons[0]->click();
            stayed = d.isVisible();
            d.answerButtons[1]->click();
        });
        QVERIFY(!d.ask(nullptr));
        QVERIFY(stayed);
        QVERIFY(d.wasCancelled);

        QTimer::singleShot(0, [&] {
            QTest::keyClicks(d.valueEdit, QStringLiteral("5x0"));
            QTest::keyClick(d.valueEdit, Qt::Key_Return);
        });
        QVERIFY(d.ask(nullptr));
        QCOMPARE(d.value, 5);
        QCOMPARE(f->beeps, 1);

        QString atStart;
        QTimer::singleShot(0, [&] {
            atStart = d.valueEdit->text();
            d.valueEdit->selectAll();
            QTest::keyClicks(d.valueEdit, QStringLiteral("4"));
            QTest::keyClick(d.valueEdit, Qt::Key_Escape);
        });
        QVERIFY(!d.ask(nullptr));
        QCOMPARE(atStart, QStringLiteral("5"));
        QCOMPARE(d.valueEdit->text(), QStringLiteral("4"));
        QCOMPARE(d.value, 5);
    }

    void rowColSizes()
    {
        RowColumnDialog &d = f->tools().rowColumnDialog();
        f->grid().select(3, 2, 3, 2);
        f->grid().setRowHeight(3, 555);
        f->grid().setColWidth(2, 1777);
        QTimer::singleShot(0, [&] {
            QCOMPARE(d.rowHeightEdit->text(), QStringLiteral("555"));
            QCOMPARE(d.colWidthEdit->text(), QStringLiteral("1777"));
            // The current row only, then every row.
            d.currentRowButton->setChecked(true);
            d.rowHeightEdit->clear();
            QTest::keyClicks(d.rowHeightEdit, QStringLiteral("800"));
            QTest::keyClick(d.rowHeightEdit, Qt::Key_Return);
            QCOMPARE(f->grid().RowHeight(3), 800);
            QCOMPARE(f->grid().RowHeight(4), GridModel::kDefaultRowHeight);
            d.allRowsButton->setChecked(true);
            d.rowHeightEdit->clear();
            QTest::keyClicks(d.rowHeightEdit, QStringLiteral("400"));
            QTest::keyClick(d.rowHeightEdit, Qt::Key_Return);
            // Enter applies and swallows: the dialog is still up.
            QVERIFY(d.isVisible());
            d.closeButton->click();
        });
        f->w->menus.rowColumnCountAction->trigger();
        QVERIFY(!d.isVisible());
        for (int r = 0; r < f->grid().Rows(); ++r)
            QCOMPARE(f->grid().RowHeight(r), 400);
        QCOMPARE(f->beeps, 0);

        // Widths: 40000 is too large (the last 0 beeps); an empty box
        // applies nothing; the current column, then all columns.
        d.setGrid(&f->grid());
        d.allColsButton->setChecked(false);
        d.currentColButton->setChecked(true);
        d.colWidthEdit->clear();
        QTest::keyClicks(d.colWidthEdit, QStringLiteral("40000"));
        QCOMPARE(d.colWidthEdit->text(), QStringLiteral("4000"));
        QCOMPARE(f->beeps, 1);
        QTest::keyClick(d.colWidthEdit, Qt::Key_Return);
        QCOMPARE(f->grid().ColWidth(2), 4000);
        QCOMPARE(f->grid().ColWidth(3), GridModel::kDefaultColWidth);
        d.colWidthEdit->clear();
        QTest::keyClick(d.colWidthEdit, Qt::Key_Return);
        QCOMPARE(f->grid().ColWidth(2), 4000);
        d.allColsButton->setChecked(true);
        QTest::keyClicks(d.colWidthEdit, QStringLiteral("900"));
        QTest::keyClick(d.colWidthEdit, Qt::Key_Return);
        for (int c = 0; c < f->grid().Cols(); ++c)
            QCOMPARE(f->grid().ColWidth(c), 900);

        // Without a current row the boxes keep their text, and the current
        // row option has no row to size (rather than sizing them all).
        f->grid().setRow(-1);
        d.rowHeightEdit->setText(QStringLiteral("123"));
        d.prepare();
        QCOMPARE(d.rowHeightEdit->text(), QStringLiteral("123"));
        d.currentRowButton->setChecked(true);
        QTest::keyClick(d.rowHeightEdit, Qt::Key_Return);
        QCOMPARE(f->grid().RowHeight(5), 400);
        QCOMPARE(f->beeps, 2);
    }
};

QTEST_MAIN(TestRowColOps)
#include "tst_row_column_dialog.moc"
