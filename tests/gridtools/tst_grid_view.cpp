// GridView over a GridModel: the model's cursor and selection shown in the
// view and the view's clicks in the model, the cursor through row changes,
// editing only when the grid allows it, and sizes in twips both ways.
#include "gridtools/grid_view.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

using namespace tera;

class TstGridView : public QObject {
    Q_OBJECT
    GridModel *m_grid = nullptr;
    GridView *m_view = nullptr;

private slots:
    void init()
    {
        m_grid = new GridModel;
        m_grid->setCols(6);
        m_grid->setRows(20);
        m_grid->setFixedRows(1);
        m_grid->setFixedCols(1);
        for (int r = 0; r < 20; ++r)
            for (int c = 0; c < 6; ++c)
                m_grid->setTextMatrix(r, c, QStringLiteral("%1-%2").arg(r).arg(c));
        m_view = new GridView;
        m_view->setGrid(m_grid);
        m_view->resize(800, 600);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
    }

    void cleanup()
    {
        delete m_view;
        delete m_grid;
    }

    void modelCursorShowsInTheView()
    {
        QVERIFY(m_grid->select(5, 2, 3, 4));
        QCOMPARE(m_view->currentIndex(), m_grid->index(5, 2));
        const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 9); // rows 3-5 x columns 2-4
        for (const QModelIndex &i : selected)
            QVERIFY(i.row() >= 3 && i.row() <= 5 && i.column() >= 2 && i.column() <= 4);
        m_grid->setRow(-1);
        QVERIFY(!m_view->selectionModel()->hasSelection());
    }

    void viewSelectionReachesTheModel()
    {
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(m_grid->index(4, 3)).center());
        QCOMPARE(QList<int>({m_grid->Row(), m_grid->Col(), m_grid->RowSel(), m_grid->ColSel()}), QList<int>({4, 3, 4, 3}));
        // Shift-click extends the selection; the current cell moves to the click
        // and RowSel/ColSel name the opposite corner.
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          m_view->visualRect(m_grid->index(2, 1)).center());
        QCOMPARE(QList<int>({m_grid->Row(), m_grid->Col(), m_grid->RowSel(), m_grid->ColSel()}), QList<int>({2, 1, 4, 3}));
        QCOMPARE(m_grid->Clip(), QStringLiteral("2-1\t2-2\t2-3\r3-1\t3-2\t3-3\r4-1\t4-2\t4-3"));
        // Clicks on the headings do not move the cursor.
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(m_grid->index(0, 2)).center());
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(m_grid->index(3, 0)).center());
        QCOMPARE(QList<int>({m_grid->Row(), m_grid->Col()}), QList<int>({2, 1}));
    }

    void rowOperationsKeepTheCursorNumbers()
    {
        m_grid->select(5, 2, 5, 2);
        QVERIFY(m_grid->RemoveItem(3));
        QVERIFY(m_grid->AddItem(QStringLiteral("new"), 1));
        QVERIFY(m_grid->RemoveItem(5)); // the current row itself
        QCOMPARE(QList<int>({m_grid->Row(), m_grid->Col()}), QList<int>({5, 2}));
        QCOMPARE(m_view->currentIndex(), m_grid->index(5, 2));
        m_grid->setRows(4); // the current row is gone: the last row takes over
        QCOMPARE(m_grid->Row(), 3);
        QCOMPARE(m_view->currentIndex(), m_grid->index(3, 2));
    }

    void editingFollowsTheEditableFlag()
    {
        m_grid->select(2, 2, 2, 2);
        QVERIFY(!m_view->EditCell());
        QVERIFY(!m_view->viewport()->findChild<QLineEdit *>());
        m_grid->setEditable(true);
        QVERIFY(m_view->EditCell());
        auto *editor = m_view->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("2-2"));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("edited"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_grid->TextMatrix(2, 2), QStringLiteral("edited")); // the delegate commits queued
    }

    void sizesInTwipsBothWays()
    {
        QCOMPARE(m_view->rowHeight(3), m_view->twipsToPixels(GridModel::kDefaultRowHeight));
        m_grid->setRowHeight(3, 900);
        QCOMPARE(m_view->rowHeight(3), m_view->twipsToPixels(900));
        m_grid->setColWidth(-1, 600);
        QCOMPARE(m_view->columnWidth(5), m_view->twipsToPixels(600));
        // A size the user drags ends up in the model, in twips.
        m_view->horizontalHeader()->resizeSection(2, 150);
        QCOMPARE(m_grid->ColWidth(2), m_view->pixelsToTwips(150));
        QCOMPARE(m_grid->ColWidth(3), 600);
        // Heights move with their rows.
        QVERIFY(m_grid->setRowPosition(3, 10));
        QCOMPARE(m_view->rowHeight(10), m_view->twipsToPixels(900));
        QCOMPARE(m_view->rowHeight(3), m_view->twipsToPixels(GridModel::kDefaultRowHeight));
    }
};

QTEST_MAIN(TstGridView)
#include "tst_grid_view.moc"
