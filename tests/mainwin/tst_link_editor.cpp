// The data link editor of the main window: linking, unlinking, the row pick,
// the moves between the lists and the guards on what a moved line means.
#include "transcribe/import_table_fill.h"
#include "window_fixture.h"

using namespace tera;

namespace {

const QByteArray kFourColumns = "甲,乙,丙,丁\r\n1,2,3,4\r\n5,6,7,8\r\n";

// Death-register lines (the list follows the catalogue order).
constexpr int kLineDate = 1, kLineAge = 7, kLineKaimyo = 10, kLineZokumei = 11, kLineFirstBar = 20;

// Clicks a cell of the link grid as the user does.
void clickLinkRow(MainWindow &w, int row)
{
    const QModelIndex cell = w.linkGrid().index(row, 1);
    QTest::mouseClick(w.linkTable->viewport(), Qt::LeftButton, {}, w.linkTable->visualRect(cell).center());
}

} // namespace

class TestLinkEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    void loadFourColumns(int kind = 2)
    {
        f->w->outputKindButtons[kind]->click();
        f->pickSource(f->writeFile(QStringLiteral("four.csv"), kFourColumns), 3);
        QCOMPARE(f->w->sourceItems->count(), 4);
    }

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->w->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->w.get()));
    }
    void cleanup() { f.reset(); }

    // A link row names the source title and the destination field name (not
    // the list label), and the lines stay selected. One column may feed two
    // items; a second link into one item is refused, naming the first, and
    // the fill takes the first.
    void linkWritesNamesAndPositions()
    {
        loadFourColumns();
        f->link(2, kLineDate);
        QCOMPARE(f->w->linkGrid().rowTexts(1),
                 (QStringList{QStringLiteral("1"), QStringLiteral("丙"), QStringLiteral("没年月日"), QStringLiteral("2"),
                              QStringLiteral("1")}));
        QCOMPARE(f->w->sourceItems->currentRow(), 2);
        QCOMPARE(f->w->targetItems->currentRow(), kLineDate);
        f->w->linkButton->click();
        QCOMPARE(f->w->linkGrid().Rows(), 2);
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY2(f->prompt.texts().first().contains(QStringLiteral("「没年月日」")) && f->prompt.texts().first().contains(QStringLiteral("3 列目「丙」")),
                 qPrintable(f->prompt.texts().first()));
        f->link(1, kLineDate);
        QCOMPARE(f->w->linkGrid().Rows(), 2);
        QCOMPARE(f->w->session().links().size(), 1);
        f->link(2, kLineKaimyo);
        QCOMPARE(f->w->linkGrid().Rows(), 3);
        QCOMPARE(f->linkColumn(LinkGridCol::NO), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
        QCOMPARE(f->linkColumn(LinkGridCol::SourceColumn), (QStringList{QStringLiteral("2"), QStringLiteral("2")}));
        QCOMPARE(f->prompt.texts().size(), 2);
        // The fill takes the first column linked to the item.
        f->w->runButton->click();
        QVERIFY(f->w->importWindow());
        QCOMPARE(f->w->importWindow()->grid().TextMatrix(1, kLineDate), QStringLiteral("丙"));
        QCOMPARE(f->w->importWindow()->grid().TextMatrix(3, kLineKaimyo), QStringLiteral("7")); // no title row: 丙, 3, 7
        // A link made after the fill shows the column's title: the fill has a
        // row buffer of its own and leaves the source items alone.
        f->link(3, kLineZokumei);
        QCOMPARE(f->w->linkGrid().TextMatrix(3, LinkGridCol::SrcName), QStringLiteral("丁"));
    }

    void linkRefusals_data()
    {
        QTest::addColumn<int>("sourceLine");
        QTest::addColumn<int>("targetLine");
        QTest::addColumn<QString>("message");
        QTest::newRow("no source line") << -1 << kLineKaimyo << LinkText::kNoSourceItem;
        QTest::newRow("no target line") << 0 << -1 << LinkText::kNoTargetItem;
        // (The key and the placeholders are refused by the session's own test.)
        QTest::newRow("first =====") << 0 << kLineFirstBar << LinkText::kNotLinkable;
    }
    void linkRefusals()
    {
        QFETCH(int, sourceLine);
        QFETCH(int, targetLine);
        QFETCH(QString, message);
        loadFourColumns();
        f->link(sourceLine, targetLine);
        QCOMPARE(f->prompt.texts(), QStringList{message});
        QCOMPARE(f->prompt.shown().first().icon, Icon::Critical);
        QCOMPARE(f->w->linkGrid().Rows(), 1);
    }

    // 解除 before any click, or on the heading row, is refused. Rows 1 to 3;
    // click row 2 and 解除: two rows numbered 1 and 2, the old row 3 now
    // row 2; 解除 again deletes that one too; a third is refused.
    void unlinkTwiceThenRefused()
    {
        loadFourColumns();
        f->link(0, kLineKaimyo);
        f->w->unlinkButton->click();
        clickLinkRow(*f->w, 0);
        f->w->unlinkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList(2, LinkText::kPickRowFirst));
        QCOMPARE(f->w->linkGrid().Rows(), 2);
        f->prompt.clear();
        f->link(1, kLineZokumei);
        f->link(2, kLineDate);
        clickLinkRow(*f->w, 2);
        f->w->unlinkButton->click();
        QCOMPARE(f->linkColumn(LinkGridCol::NO), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
        QCOMPARE(f->linkColumn(LinkGridCol::SrcName), (QStringList{QStringLiteral("甲"), QStringLiteral("丙")}));
        f->w->unlinkButton->click();
        QCOMPARE(f->linkColumn(LinkGridCol::SrcName), (QStringList{QStringLiteral("甲")}));
        QVERIFY(f->prompt.texts().isEmpty());
        f->w->unlinkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{LinkText::kPickRowFirst});
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QCOMPARE(f->w->linkGrid().Rows(), 2);
        // A new link goes after the one left.
        f->link(3, kLineAge);
        QCOMPARE(f->linkColumn(LinkGridCol::NO), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    }

    // Changing the output kind empties the link grid; 解除 of the row
    // clicked before is refused since that row is gone.
    void kindChangeEmptiesLinks()
    {
        loadFourColumns();
        f->link(0, kLineKaimyo);
        f->link(1, kLineZokumei);
        clickLinkRow(*f->w, 2);
        f->w->outputKindButtons[1]->click();
        QCOMPARE(f->w->linkGrid().Rows(), 1);
        f->prompt.clear();
        f->w->unlinkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{LinkText::kPickRowFirst});
        QCOMPARE(f->state.outputKind, qint16(1));
        QCOMPARE(f->w->targetItems->item(0)->text(), QStringLiteral("管理番号-----リンク不可"));
        // The source list stays.
        QCOMPARE(f->w->sourceItems->count(), 4);
        // Clicking the kind already chosen keeps the links.
        f->link(0, 2);
        f->w->outputKindButtons[1]->click();
        QCOMPARE(f->w->linkGrid().Rows(), 2);
    }

    // Double-clicks move lines between the lists; the line after the one
    // removed becomes current (the one before when the last line went). A
    // source line moved into the destination list is read as the catalogue
    // entry of its number, a list line moved into the source list as the
    // source item of its number; numbers the other table does not have are
    // refused.
    void movedLinesAreReadAgainstTheirList()
    {
        loadFourColumns();
        const int targets = f->w->targetItems->count();
        // "乙" (1) moved right by a double-click and linked: catalogue entry
        // 1 (没年月日).
        const QRect second = f->w->sourceItems->visualItemRect(f->w->sourceItems->item(1));
        QTest::mouseClick(f->w->sourceItems->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(f->w->sourceItems->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(f->w->sourceItems->count(), 3);
        QCOMPARE(f->w->sourceItems->currentItem()->text(), QStringLiteral("丙"));
        QCOMPARE(f->w->targetItems->count(), targets + 1);
        QCOMPARE(f->w->targetItems->currentRow(), targets);
        QCOMPARE(f->w->targetItems->currentItem()->text(), QStringLiteral("乙"));
        f->w->sourceItems->setCurrentRow(0);
        f->w->linkButton->click();
        QCOMPARE(f->w->linkGrid().rowTexts(1).mid(2),
                 (QStringList{QStringLiteral("没年月日"), QStringLiteral("0"), QStringLiteral("1")}));
        f->w->sourceItems->setCurrentRow(2); // the last line
        f->w->onSourceItemDoubleClicked();
        QCOMPARE(f->w->sourceItems->currentRow(), 1);

        // 戒名 (10) moved left: there is no source column 10.
        f->w->targetItems->setCurrentRow(kLineKaimyo);
        f->w->onTargetItemDoubleClicked();
        QCOMPARE(f->w->sourceItems->currentItem()->text(), QStringLiteral("戒名"));
        QCOMPARE(f->w->targetItems->currentItem()->text(), QStringLiteral("俗名"));
        f->w->linkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{LinkGuardText::kNoSuchSourceItem});
        QCOMPARE(f->w->linkGrid().Rows(), 2);

        // Moved back it keeps its number: 戒名 again.
        f->w->onSourceItemDoubleClicked();
        f->w->sourceItems->setCurrentRow(0);
        f->w->linkButton->click();
        QCOMPARE(f->w->linkGrid().TextMatrix(2, LinkGridCol::DstName), QStringLiteral("戒名"));
        QCOMPARE(f->w->linkGrid().TextMatrix(2, LinkGridCol::ImportColumn), QStringLiteral("10"));
    }

    void sourceNumberBeyondCatalogueRefused()
    {
        // 40 columns: column 30 has no death-register item.
        QStringList titles;
        for (int c = 0; c < 40; ++c)
            titles << QStringLiteral("列%1").arg(c);
        f->w->outputKindButtons[2]->click();
        f->pickSource(f->writeFile(QStringLiteral("wide.csv"), titles.join(QLatin1Char(',')).toUtf8() + "\r\n"), 3);
        QCOMPARE(f->w->sourceItems->count(), 40);
        f->w->sourceItems->setCurrentRow(30);
        f->w->onSourceItemDoubleClicked();
        f->w->sourceItems->setCurrentRow(0);
        f->w->linkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{LinkGuardText::kNoSuchTargetItem});
        QCOMPARE(f->w->linkGrid().Rows(), 1);
    }
};

QTEST_MAIN(TestLinkEditor)
#include "tst_link_editor.moc"
