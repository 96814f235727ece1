// The main window's link tools: 自動リンク on the example files (undone with
// 解除), and data links saved and opened again through the menu.
#include "convert/auto_link.h"
#include "transcribe/link_file.h"
#include "window_fixture.h"

#include <QAction>

using namespace tera;

class TestLinkTools : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    void openExample(int kind, const char *file, int titleOption = 1)
    {
        f->w->outputKindButtons[kind]->click();
        f->w->titleRowButtons[titleOption]->click();
        f->pickSource(example(file), 3);
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    // 解除 takes an auto-link back like any link; a second press links only
    // what is not linked yet, and refuses nothing twice.
    void undoWithUnlinkAndPressAgain()
    {
        openExample(2, "death-register.utf8.csv");
        f->link(0, 10); // 戒名 by hand first
        f->w->autoLinkButton->click();
        const int rows = f->w->linkGrid().Rows();
        QCOMPARE(rows - 1, 12);
        QCOMPARE(f->linkColumn(3).count(QStringLiteral("0")), 1);
        const QString dropped = f->w->linkGrid().TextMatrix(3, LinkGridCol::SourceColumn);
        f->unlinkRow(3);
        QCOMPARE(f->w->linkGrid().Rows(), rows - 1);
        QVERIFY(!f->linkColumn(3).contains(dropped));
        f->w->autoLinkButton->click();
        QCOMPARE(f->w->linkGrid().Rows(), rows);
        QCOMPARE(f->linkColumn(3).last(), dropped);
        QCOMPARE(f->prompt.texts(), (QStringList{MainWindowText::autoLinked(11), MainWindowText::autoLinked(1)}));
        f->prompt.clear();
        f->w->autoLinkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{MainWindowText::kAutoLinkNone});
    }

    void refusals()
    {
        f->w->saveLinksAction->trigger();
        QCOMPARE(f->prompt.texts(), QStringList{MainWindowText::kNothingToSave});
        f->prompt.clear();
        f->w->autoLinkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{MainWindowText::kPickSourceFirst});
        f->prompt.clear();
        openExample(2, "death-register.utf8.csv", 0);
        f->w->autoLinkAction->trigger();
        QCOMPARE(f->prompt.texts(), QStringList{MainWindowText::kAutoLinkNeedsTitles});
        QCOMPARE(f->w->linkGrid().Rows(), 1);
    }

    // Saved with its kind and title option, opened again after both were
    // changed: the same link grid; opened on another file: what it lacks;
    // a file that is no data link: refused.
    void savedLinkRoundTrip()
    {
        openExample(2, "death-register.utf8.csv");
        f->w->autoLinkButton->click();
        f->unlinkRow(2); // a hand-made change that the file keeps
        const QStringList lpoj = f->linkColumn(3), rpoj = f->linkColumn(4), names = f->linkColumn(2);
        const QString path = f->files.filePath(QStringLiteral("過去帳リンク.json"));
        QString offered;
        f->w->saveFileDialog = [&](const QString &, const QString &initial) {
            offered = initial;
            return path;
        };
        f->w->saveLinksAction->trigger();
        QVERIFY(QFile::exists(path));
        QCOMPARE(offered, QStringLiteral("過去帳データリンク.json"));

        f->w->outputKindButtons[0]->click();
        f->w->titleRowButtons[0]->click();
        QCOMPARE(f->w->linkGrid().Rows(), 1);
        // The kind change said that the links went.
        QCOMPARE(f->prompt.texts().last(), MainWindowText::linksDropped(int(rpoj.size())));
        f->prompt.clear();
        f->picked = path;
        f->w->loadLinksAction->trigger();
        QVERIFY2(f->prompt.texts().isEmpty(), qPrintable(f->prompt.texts().join(QLatin1Char('\n'))));
        QVERIFY(f->w->outputKindButtons[2]->isChecked());
        QVERIFY(f->w->titleRowButtons[1]->isChecked());
        QCOMPARE(f->state.outputKind, qint16(2));
        QCOMPARE(f->w->session().titleRows(), qint16(1));
        QCOMPARE(f->linkColumn(3), lpoj);
        QCOMPARE(f->linkColumn(4), rpoj);
        QCOMPARE(f->linkColumn(2), names);

        // Opening it again over the same kind starts the grid afresh.
        f->w->loadLinksAction->trigger();
        QCOMPARE(f->linkColumn(4), rpoj);

        // Opened on a file without some of its columns: it says which, and
        // 住所, in both files, moves to the other file's column.
        openExample(2, "members.utf8.csv");
        f->prompt.clear();
        f->picked = path;
        f->w->loadLinksAction->trigger();
        QCOMPARE(f->prompt.texts().size(), 1);
        const QString said = f->prompt.texts().first();
        QVERIFY2(said.contains(QStringLiteral("読込み列 0「戒名」")), qPrintable(said));
        QVERIFY(said.contains(QStringLiteral("今のファイルにない")));
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QVERIFY(said.contains(QStringLiteral("「住所」: 読込み列 9 → 12")));
        QVERIFY(f->linkColumn(3).contains(QStringLiteral("12")));

        f->prompt.clear();
        QVERIFY(!f->w->LoadLinkFile(f->writeFile(QStringLiteral("bad.json"), "{}")));
        QVERIFY(f->prompt.texts().first().contains(QStringLiteral("データリンクのファイルではありません")));
    }

    // 自動リンク links every column of the example and says how many. 読込実行
    // leaves the source items as the titles (what a saved link and 自動リンク
    // read), while the import table holds every data row.
    void autoLinkAndFillKeepTitles()
    {
        openExample(2, "death-register.cp932.csv");
        QStringList titles;
        for (int i = 0; i < f->w->sourceItems->count(); ++i)
            titles << f->w->sourceItems->item(i)->text();
        QCOMPARE(titles.size(), 12);
        f->w->autoLinkButton->click();
        QCOMPARE(f->prompt.texts(), QStringList{MainWindowText::autoLinked(12)});
        QCOMPARE(f->w->linkGrid().Rows() - 1, 12);
        const QStringList rpoj = f->linkColumn(4);

        f->w->runButton->click();
        QVERIFY(f->w->importWindow());
        const GridModel &table = f->w->importWindow()->grid();
        QCOMPARE(table.Rows(), 13);
        QCOMPARE(table.TextMatrix(12, 10), QStringLiteral("釋尼和順")); // the last row reached the table

        for (int i = 0; i < f->w->sourceItems->count(); ++i)
            QCOMPARE(f->w->sourceItems->item(i)->text(), titles.at(i));
        // So 自動リンク finds the same links again.
        f->w->links().ResetLinkGrid();
        f->w->links().nextLinkRow = 1;
        f->w->autoLinkButton->click();
        QCOMPARE(f->linkColumn(4), rpoj);
    }
};

QTEST_MAIN(TestLinkTools)
#include "tst_link_tools.moc"
