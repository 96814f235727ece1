// The import window's document and clipboard commands: the menus and the
// toolbar, a clipboard that fails, New, Open, Save and Save As with each
// of their ways out, every file kind saved and read back, failures reported
// without loss, and the closing question.
#include "gridtools/grid_menus.h"
#include "mainwin/forms.h"
#include "../mainwin/window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

using namespace tera;

namespace {

// True while a cell editor is open on the view.
bool editing(const QAbstractItemView *view)
{
    const auto editors = view->viewport()->findChildren<QLineEdit *>();
    return std::any_of(editors.cbegin(), editors.cend(), [](const QLineEdit *e) { return e->isVisible(); });
}

} // namespace

class TestGridDocuments : public QObject {
    Q_OBJECT
    std::unique_ptr<GridFixture> f;

private slots:
    void init()
    {
        f = std::make_unique<GridFixture>();
        enableAllKinds(f->kinds());
    }
    void cleanup() { f.reset(); }

    void nothingWithoutCurrentRow()
    {
        f->grid().setEditable(false);
        f->grid().setRow(-1);
        f->clipboard = QStringLiteral("keep");
        f->w->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->w.get()));
        f->tools().EditCopy();
        f->tools().EditCut();
        QCOMPARE(f->clipboard, QStringLiteral("keep"));
        f->tools().EditPaste();
        f->tools().editCurrentCell();
        QVERIFY(!editing(f->w->importGrid));
        QCOMPARE(f->column(1), (QStringList{"h1", "1-1", "2-1", "3-1", "4-1", "5-1", "6-1", "7-1"}));
        QVERIFY(f->prompt.texts().isEmpty());
        // With a current cell a double-click edits, if the grid is editable.
        f->grid().select(3, 2, 3, 2);
        f->tools().editCurrentCell();
        QVERIFY(!editing(f->w->importGrid));
        f->grid().setEditable(true);
        f->tools().editCurrentCell();
        QVERIFY(editing(f->w->importGrid));
    }

    // A clipboard that takes or gives nothing is reported and the table
    // keeps every cell (Cut empties cells only once the text is safe). What
    // Copy and Cut put there is the shortcuts' test in the import window.
    void clipboardFailures()
    {
        f->grid().select(2, 2, 3, 3);
        f->clipboardBroken = true;
        f->w->menus.toolbarButton(u"ｺﾋﾟｰ")->trigger();
        f->w->menus.cutAction->trigger();
        f->w->menus.pasteAction->trigger();
        QCOMPARE(f->prompt.texts(), (QStringList{GridToolText::kClipboardNotWritten, GridToolText::kClipboardNotWritten,
                                                 GridToolText::kClipboardNotRead}));
        QCOMPARE(f->grid().TextMatrix(2, 2), QStringLiteral("2-2"));
        QCOMPARE(f->grid().TextMatrix(3, 3), QStringLiteral("3-3"));

        f->prompt.clear();
        f->clipboardBroken = false;
        f->clipboard.clear();
        f->w->menus.pasteAction->trigger();
        QCOMPARE(f->prompt.texts(), QStringList{GridToolText::kClipboardNoText});
        QCOMPARE(f->grid().TextMatrix(2, 2), QStringLiteral("2-2"));
    }

    void newAnsweredEachWay_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("fileKindAnswer"); // -1: FileKindDialog not expected, 0: ｷｬﾝｾﾙ, 1: ＯＫ
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Cancel") << int(Answer::Cancel) << -1 << false << false;
        QTest::newRow("No") << int(Answer::No) << -1 << true << false;
        QTest::newRow("Yes, saved") << int(Answer::Yes) << 1 << true << true;
        QTest::newRow("Yes, save cancelled") << int(Answer::Yes) << 0 << true << false;
    }

    void newAnsweredEachWay()
    {
        QFETCH(int, answer);
        QFETCH(int, fileKindAnswer);
        QFETCH(bool, cleared);
        QFETCH(bool, saved);
        f->w->docName = f->path(QStringLiteral("before.csv"));
        f->grid().select(2, 2, 2, 2);
        f->prompt.script({Answer(answer)});
        FileKindSeen seen;
        if (fileKindAnswer >= 0)
            f->answerFileKind(3, fileKindAnswer == 1, &seen);
        f->w->menus.newAction->trigger();
        QCOMPARE(f->prompt.texts().first(), GridToolText::kSaveFirst);
        QCOMPARE(f->prompt.shown().first().buttons, Buttons::YesNoCancel);
        QCOMPARE(seen.shown, fileKindAnswer >= 0);
        QCOMPARE(QFile::exists(f->path(QStringLiteral("before.csv"))), saved);
        if (saved)
            QVERIFY(readAll(f->path(QStringLiteral("before.csv"))).contains("2-2"));
        if (!cleared) {
            QCOMPARE(f->grid().Rows(), 8);
            QCOMPARE(f->grid().Cols(), 5);
            QCOMPARE(f->grid().TextMatrix(2, 2), QStringLiteral("2-2"));
            QCOMPARE(f->w->docName, f->path(QStringLiteral("before.csv")));
            return;
        }
        QCOMPARE(f->grid().Rows(), 50);
        QCOMPARE(f->grid().Cols(), 10);
        QCOMPARE(f->grid().FixedRows(), 1);
        QCOMPARE(f->grid().FixedCols(), 1);
        for (int r = 0; r < 50; ++r)
            for (int c = 0; c < 10; ++c)
                QVERIFY(f->grid().TextMatrix(r, c).isEmpty());
        QCOMPARE(f->w->docName, QStringLiteral("Unknown.vsg"));
        QCOMPARE(f->w->windowTitle(), QStringLiteral("インポート"));
    }

    void openCancelledAtEachStep()
    {
        const QString file = f->writeFile(QStringLiteral("other.csv"), "x,y\r\n");

        // The file dialog cancelled: nothing at all.
        f->openPick.clear();
        FileKindSeen seen;
        f->answerFileKind(-1, true, &seen);
        f->w->menus.openAction->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(f->opened, 1);
        QVERIFY(!seen.shown);
        QCOMPARE(f->w->docName, QStringLiteral("Unknown.vsg"));
        QCOMPARE(f->w->windowTitle(), QStringLiteral("インポート"));
        QVERIFY(f->prompt.texts().isEmpty());

        // FileKindDialog cancelled: said so; name and caption already the new ones.
        f->openPick = file;
        f->answerFileKind(-1, false, &seen);
        f->w->menus.toolbarButton(u"開く")->trigger();
        QVERIFY(seen.shown);
        QCOMPARE(f->prompt.texts(), QStringList{GridToolText::kCancelled});
        QVERIFY(!f->kinds().cancelled());
        QCOMPARE(f->w->docName, file);
        QCOMPARE(f->w->windowTitle(), QStringLiteral("データインポート ") + file);
        QCOMPARE(f->grid().Rows(), 8);
        QCOMPARE(f->grid().TextMatrix(1, 1), QStringLiteral("1-1"));
    }

    void saveCancelledAtEachStep()
    {
        const QString file = f->writeFile(QStringLiteral("table.csv"), "old\r\n");
        f->w->docName = file;

        // Save: the overwrite question answered Cancel.
        f->prompt.script({Answer::Cancel});
        FileKindSeen seen;
        f->answerFileKind(3, true, &seen);
        f->w->menus.saveAction->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(f->prompt.texts(), QStringList{GridToolText::overwriteQuestion(file)});
        QCOMPARE(f->prompt.shown().first().buttons, Buttons::OkCancel);
        QVERIFY(!seen.shown);
        QCOMPARE(readAll(file), QByteArray("old\r\n"));

        // Save: overwrite OK, FileKindDialog cancelled.
        f->prompt.clear();
        f->prompt.script({Answer::Ok});
        f->answerFileKind(3, false, &seen);
        f->w->menus.toolbarButton(u"上書き保存")->trigger();
        QVERIFY(seen.shown);
        QCOMPARE(f->prompt.texts(), (QStringList{GridToolText::overwriteQuestion(file), GridToolText::kCancelled}));
        QCOMPARE(readAll(file), QByteArray("old\r\n"));

        // Save As: the file dialog cancelled, then FileKindDialog cancelled.
        f->prompt.clear();
        f->savePick.clear();
        f->w->menus.saveAsAction->trigger();
        QCOMPARE(f->proposed, file);
        QCOMPARE(f->w->docName, file);
        QVERIFY(f->prompt.texts().isEmpty());
        const QString renamed = f->path(QStringLiteral("renamed.vsg"));
        f->savePick = renamed;
        f->answerFileKind(0, false, &seen);
        f->w->menus.saveAsAction->trigger();
        QVERIFY(seen.shown);
        QCOMPARE(f->prompt.texts(), QStringList{GridToolText::kCancelled});
        QCOMPARE(f->w->docName, renamed);
        QVERIFY(!QFile::exists(renamed));
        QCOMPARE(f->w->windowTitle(), QStringLiteral("インポート"));
    }

    // A table that was never saved goes to Unknown.vsg in the program's
    // folder, not the process's current one, and the second time the
    // overwrite question comes first.
    void saveNewTableAsUnknown()
    {
        f->tools().setDocumentFolder(f->files.path());
        f->prompt.script({Answer::Cancel});
        f->w->menus.newAction->trigger(); // nothing happens
        f->answerFileKind(0, true);
        f->w->menus.saveAction->trigger();
        QVERIFY(QFile::exists(f->path(QStringLiteral("Unknown.vsg"))));
        QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("Unknown.vsg"))));
        f->answerFileKind(0, true);
        f->w->menus.saveAction->trigger();
        QCOMPARE(f->prompt.texts().last(), GridToolText::overwriteQuestion(QStringLiteral("Unknown.vsg")));
    }

    // The kind clicked in the dialog is the kind Save As writes and Open
    // reads back into a new table (what each kind keeps of a table is the
    // document's own test).
    void everyKindSavedAndReopened_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("texts");
        QTest::addColumn<bool>("format");
        QTest::newRow("0 全ての情報") << 0 << "all.vsg" << true << true;
        QTest::newRow("1 ﾃﾞｰﾀのみ") << 1 << "texts.vsg" << true << false;
        QTest::newRow("2 属性情報のみ") << 2 << "format.vsg" << false << true;
        QTest::newRow("3 ｺﾝﾏ区切りﾃｷｽﾄ") << 3 << "comma.csv" << true << false;
        QTest::newRow("4 ﾀﾌﾞ区切りﾃｷｽﾄ") << 4 << "tab.txt" << true << false;
    }

    void everyKindSavedAndReopened()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(bool, texts);
        QFETCH(bool, format);
        f->grid().setTextMatrix(2, 2, QStringLiteral("髙橋, \"一郎\"\t様"));
        f->grid().setColWidth(2, 2500);
        const QStringList row = f->grid().rowTexts(2);
        f->savePick = f->path(name);
        f->answerFileKind(kind, true);
        f->w->menus.saveAsAction->trigger();
        QVERIFY2(f->prompt.texts().isEmpty(), qPrintable(f->prompt.texts().join('\n')));
        QCOMPARE(f->w->docName, f->savePick);

        f->prompt.script({Answer::No});
        f->w->menus.newAction->trigger();
        f->prompt.clear();
        f->openPick = f->savePick;
        f->answerFileKind(kind, true);
        f->w->menus.openAction->trigger();
        QVERIFY2(f->prompt.texts().isEmpty(), qPrintable(f->prompt.texts().join('\n')));
        QCOMPARE(f->kinds().fileKind(), qint16(kind));
        QCOMPARE(f->grid().Rows(), texts ? 8 : 50);
        QCOMPARE(f->grid().rowTexts(2), texts ? row : QStringList(10, QString()));
        QCOMPARE(f->grid().ColWidth(2), format ? 2500 : GridModel::kDefaultColWidth);
    }

    // A file that does not read, or a save that cannot be written, is
    // reported and the table stays; Save As keeps the old name.
    void failuresKeepTheTable()
    {
        f->openPick = f->writeFile(QStringLiteral("broken.vsg"), "this is no grid document");
        f->answerFileKind(0, true);
        f->w->menus.openAction->trigger();
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY(f->prompt.texts().first().contains(QStringLiteral("broken.vsg")));
        QCOMPARE(f->grid().Rows(), 8);
        QCOMPARE(f->grid().TextMatrix(7, 4), QStringLiteral("7-4"));

        f->prompt.clear();
        const QString nowhere = f->path(QStringLiteral("no such folder/t.csv"));
        f->w->docName = nowhere;
        f->answerFileKind(3, true);
        QCOMPARE(f->tools().FileSave(), GridCommands::SaveOutcome::Failed);
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY(f->prompt.texts().first().contains(QStringLiteral("t.csv")));

        f->prompt.clear();
        f->w->docName = QStringLiteral("Unknown.vsg");
        f->savePick = f->path(QStringLiteral("no such folder/u.vsg"));
        f->answerFileKind(0, true);
        f->w->menus.saveAsAction->trigger();
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY(f->prompt.texts().first().contains(QStringLiteral("u.vsg")));
        QCOMPARE(f->w->docName, QStringLiteral("Unknown.vsg"));
        QVERIFY(!QFile::exists(f->savePick));

        // New's save that was asked for and failed keeps the table it was to keep.
        f->prompt.clear();
        f->w->docName = nowhere;
        f->answerFileKind(3, true);
        f->w->menus.newAction->trigger(); // はい: save first
        QCOMPARE(f->prompt.texts().size(), 2);
        QCOMPARE(f->grid().Rows(), 8);
        QCOMPARE(f->w->docName, nowhere);
    }

    // Open and Save As offer the kinds that fit the name at hand: DATA.CSV
    // offers comma text only, and after a .vsg was opened a table saved as
    // .csv can still be comma text.
    void kindsFollowTheName()
    {
        f->openPick = f->path(QStringLiteral("DATA.CSV"));
        QVERIFY(f->grid().SaveGrid(f->openPick, GridFileKind::Csv).ok);
        f->fill(3, 3);
        FileKindSeen seen;
        f->answerFileKind(3, true, &seen);
        f->w->menus.openAction->trigger();
        QVERIFY(seen.shown);
        QCOMPARE(seen.enabled, (std::array<bool, 5>{false, false, false, true, false}));
        QCOMPARE(f->grid().Rows(), 8);
        QCOMPARE(f->grid().TextMatrix(7, 4), QStringLiteral("7-4"));

        f->kinds().enableForFileName(QStringLiteral("x.vsg"));
        f->savePick = f->path(QStringLiteral("out.csv"));
        f->answerFileKind(3, true);
        f->w->menus.saveAsAction->trigger();
        QVERIFY(f->prompt.texts().isEmpty());
        QVERIFY(readAll(f->savePick).startsWith(",h1,h2,h3,h4\r\n"));
    }

    // The closing question under its own caption, from the frame, the menu
    // and the toolbar alike; いいえ keeps the window and the table.
    void closingAsks()
    {
        f->w->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->w.get()));
        f->prompt.script({Answer::No, Answer::No, Answer::No});
        QVERIFY(!f->w->close());
        QVERIFY(f->w->isVisible());
        f->w->menus.exitAction->trigger();
        f->w->menus.toolbarButton(u"終了")->trigger();
        QVERIFY(f->w->isVisible());
        QCOMPARE(f->prompt.texts(), QStringList(3, GridToolText::kCloseQuestion));
        QCOMPARE(f->prompt.shown().first().icon, Icon::Exclamation);
        QCOMPARE(f->prompt.shown().first().caption, GridToolText::kCloseCaption);
        QCOMPARE(f->grid().TextMatrix(7, 4), QStringLiteral("7-4"));
        f->prompt.clear();
        f->prompt.script({Answer::Yes});
        QVERIFY(f->w->close());
        QVERIFY(!f->w->isVisible());
        QCOMPARE(f->prompt.texts(), QStringList{GridToolText::kCloseQuestion});
        // Once the program is ending the window goes without asking.
        f->w->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->w.get()));
        f->prompt.clear();
        f->prompt.script({Answer::No});
        f->w->endProgram(0);
        QVERIFY(!f->w->isVisible());
        QVERIFY(f->prompt.texts().isEmpty());
    }
};

QTEST_MAIN(TestGridDocuments)
#include "tst_grid_documents.moc"
