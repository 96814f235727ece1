// The sort dialog: its modes and captions, the key and row range boxes, the
// per-column key table of mode 10 with its drop-down, and the sort it starts
// on the import table.
#include "gridtools/grid_menus.h"
#include "../mainwin/window_fixture.h"

#include <QAction>
#include <QComboBox>

using namespace tera;

namespace {
QString caption(int mode) { return SortDialog::modeCaption(qint16(mode)); }
} // namespace

class TestSortDialog : public QObject {
    Q_OBJECT
    std::unique_ptr<GridFixture> f;

    // Brings the dialog up beside the test (not modally) for the grid.
    SortDialog &shown()
    {
        SortDialog &d = f->tools().sortDialog();
        d.setGrid(&f->grid());
        d.prepare();
        d.show();
        if (!QTest::qWaitForWindowExposed(&d))
            qWarning("sort dialog not exposed");
        return d;
    }
    QStringList keyRows()
    {
        QStringList out;
        GridModel &k = f->tools().sortDialog().keyTable();
        for (int r = 1; r < k.Rows(); ++r)
            out << k.TextMatrix(r, 0) + QLatin1Char('|') + k.TextMatrix(r, 1);
        return out;
    }

private slots:
    void init() { f = std::make_unique<GridFixture>(); }
    void cleanup()
    {
        f->tools().sortDialog().hide();
        f.reset();
    }

    // Mode 10 lists the key columns with their own modes; any other mode
    // empties the table to its heading and switches it off.
    void keyTableFollowsTheMode()
    {
        f->grid().select(2, 2, 5, 4);
        f->grid().setColSort(3, 5);
        SortDialog &d = shown();
        QCOMPARE((QStringList{d.keyFirstColEdit->text(), d.keyLastColEdit->text(), d.firstRowEdit->text(), d.lastRowEdit->text()}),
                 (QStringList{"2", "4", "2", "5"}));
        d.modeBox->setCurrentIndex(10);
        QVERIFY(d.columnKeys());
        QVERIFY(d.keyGrid->isEnabled());
        QCOMPARE(keyRows(), (QStringList{"2|" + caption(0), "3|" + caption(5), "4|" + caption(0)}));
        d.modeBox->setCurrentIndex(3);
        QVERIFY(!d.columnKeys());
        QVERIFY(!d.keyGrid->isEnabled());
        QCOMPARE(d.keyTable().Rows(), 1);

        // Text1 above Text2: no key columns.
        d.modeBox->setCurrentIndex(10);
        d.keyFirstColEdit->setText(QStringLiteral("4"));
        d.keyLastColEdit->setText(QStringLiteral("3"));
        d.fillKeyGrid();
        QVERIFY(keyRows().isEmpty());
        // An empty box leaves the table as it was; Enter in the key range
        // refreshes it.
        d.keyFirstColEdit->clear();
        QTest::keyClicks(d.keyFirstColEdit, QStringLiteral("1"));
        d.keyLastColEdit->clear();
        QTest::keyClick(d.keyLastColEdit, Qt::Key_Return);
        QVERIFY(keyRows().isEmpty());
        QTest::keyClicks(d.keyLastColEdit, QStringLiteral("2"));
        QTest::keyClick(d.keyLastColEdit, Qt::Key_Return);
        QCOMPARE(keyRows(), (QStringList{"1|" + caption(0), "2|" + caption(0)}));
        QCOMPARE(f->beeps, 0);
    }

    // The range boxes take numbers up to the last column / row index.
    void rangeBoxesRefuseOutOfRange_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("beeps");
        // The fixture's table: 8 rows (0-7), 5 columns (0-4).
        QTest::newRow("Text2 above the last column") << 2 << "5" << "" << 1;
        QTest::newRow("Text3 7") << 3 << "7" << "7" << 0;
        QTest::newRow("Text3 above the last row") << 3 << "8" << "" << 1;
    }

    void rangeBoxesRefuseOutOfRange()
    {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(int, beeps);
        SortDialog &d = shown();
        QLineEdit *boxes[] = {d.keyFirstColEdit, d.keyLastColEdit, d.firstRowEdit, d.lastRowEdit};
        QLineEdit *b = boxes[box - 1];
        b->clear();
        QTest::keyClicks(b, typed);
        QCOMPARE(b->text(), kept);
        QCOMPARE(f->beeps, beeps);
    }

    // A mode picked in the key table's drop-down goes to the grid's column
    // before the sort runs with mode 10.
    void perColumnModesSort()
    {
        GridModel &g = f->grid();
        const QStringList col2{"b", "a", "b", "a", "b", "a"};
        const QStringList col3{"x", "Y", "y", "X", "z", "Z"};
        for (int r = 1; r <= 6; ++r) {
            g.setTextMatrix(r, 2, col2[r - 1]);
            g.setTextMatrix(r, 3, col3[r - 1]);
            g.setTextMatrix(r, 1, QString::number(r));
        }
        g.select(1, 2, 6, 3);
        SortDialog &d = shown();
        d.modeBox->setCurrentIndex(10);
        QCOMPARE(keyRows(), (QStringList{"2|" + caption(0), "3|" + caption(0)}));

        // Column 2 ascending by the drop-down, opened by one click.
        const auto pick = [&](int row, int mode) {
            const QModelIndex at = d.keyTable().index(row, 1);
            QTest::mouseClick(d.keyGrid->viewport(), Qt::LeftButton, {}, d.keyGrid->visualRect(at).center());
            // Closed editors linger until deleted: take the open one.
            QComboBox *combo = nullptr;
            for (QComboBox *c : d.keyGrid->findChildren<QComboBox *>())
                if (c->isVisible())
                    combo = c;
            QVERIFY(combo);
            QCOMPARE(combo->count(), 10);
            combo->setCurrentIndex(mode);
            emit combo->activated(mode);
        };
        pick(1, 7);
        pick(2, 8);
        QCOMPARE(keyRows(), (QStringList{"2|" + caption(7), "3|" + caption(8)}));
        // The column numbers cannot be edited.
        const QModelIndex number = d.keyTable().index(1, 0);
        QTest::mouseClick(d.keyGrid->viewport(), Qt::LeftButton, {}, d.keyGrid->visualRect(number).center());
        QTest::mouseDClick(d.keyGrid->viewport(), Qt::LeftButton, {}, d.keyGrid->visualRect(number).center());
        d.keyGrid->EditCell();
        QTest::keyClicks(d.keyGrid, QStringLiteral("9"));
        QCoreApplication::processEvents();
        for (QWidget *w : d.keyGrid->viewport()->findChildren<QWidget *>())
            QVERIFY(!w->isVisible());
        QCOMPARE(d.keyTable().TextMatrix(1, 0), QStringLiteral("2"));

        d.sortButton->click();
        QCOMPARE(g.ColSort(2), 7);
        QCOMPARE(g.ColSort(3), 8);
        // a before b; within each, case-sensitive descending (lower case first).
        QCOMPARE(f->column(2).mid(1, 6), (QStringList{"a", "a", "a", "b", "b", "b"}));
        QCOMPARE(f->column(3).mid(1, 6), (QStringList{"Z", "Y", "X", "z", "y", "x"}));
        QCOMPARE(f->column(1).mid(1, 6), (QStringList{"6", "2", "4", "5", "3", "1"}));
        // The seventh row lies outside Row..RowSel and stays.
        QCOMPARE(g.TextMatrix(7, 1), QStringLiteral("7-1"));
        QVERIFY(d.isVisible());
        d.closeButton->click();
        QVERIFY(!d.isVisible());
    }

    void modesThroughTheMenu_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("expected");
        // What each mode means is the grid's own concern; here the mode
        // picked reaches the sort.
        QTest::newRow("7 case-sensitive ascending") << 7 << QStringList{"10", "100", "9", "B", "a", "b"};
    }

    // The mode chosen stays for the next use (the dialog is kept).
    void modesThroughTheMenu()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, expected);
        const QStringList start{"10", "9", "100", "b", "B", "a"};
        for (int r = 1; r <= 6; ++r)
            f->grid().setTextMatrix(r, 2, start[r - 1]);
        f->grid().select(1, 2, 6, 2);
        int modeAtStart = -1;
        QTimer::singleShot(0, [&] {
            SortDialog &d = f->tools().sortDialog();
            modeAtStart = d.modeBox->currentIndex();
            d.modeBox->setCurrentIndex(mode);
            d.sortButton->click();
            d.closeButton->click();
        });
        f->w->menus.sortAction->trigger();
        QCOMPARE(f->column(2).mid(1, 6), expected);
        QTimer::singleShot(0, [&] {
            modeAtStart = f->tools().sortDialog().modeBox->currentIndex();
            f->tools().sortDialog().closeButton->click();
        });
        f->w->menus.toolbarButton(u"並べ替え")->trigger();
        QCOMPARE(modeAtStart, mode);
        QCOMPARE(f->column(2).mid(1, 6), expected);
    }
};

QTEST_MAIN(TestSortDialog)
#include "tst_sort_dialog.moc"
