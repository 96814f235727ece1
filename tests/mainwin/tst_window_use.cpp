// The windows as a clerk works them, through real widgets and key events:
// where windows open, the keyboard (shortcuts, Tab, Enter in the path box),
// which window a message box belongs to and the replace question's default
// button, the 検証 list's colours, filter and moving aside, and the file
// dialogs' remembered folders.
#include "mainwin/check_window.h"
#include "mainwin/forms.h"
#include "mainwin/message_box_prompt.h"
#include "model/import_table.h"
#include "transcribe/transcribe.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

using namespace tera;

namespace {

const QByteArray kDeaths = "戒名,俗名,没年月日,施主名\r\n釋浄心,髙橋　清一,2003年5月17日,髙橋　一郎\r\n"
                           "釋妙華,髙橋　トメ,2001年3月2日,髙橋　一郎\r\n釋道雄,佐藤　武,13月40日,佐藤　正雄\r\n";

// Answers every message box that comes up while it lives: each box is handed
// to look (which may press a button itself); a box left open gets Enter.
class BoxWatcher : public QObject {
public:
    explicit BoxWatcher(std::function<void(QMessageBox *)> look) : m_look(std::move(look))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_look(box);
            if (box->isVisible())
                QTest::keyClick(box, Qt::Key_Return);
        });
        m_timer.start();
    }

private:
    std::function<void(QMessageBox *)> m_look;
    QTimer m_timer;
};

} // namespace

class TestWindowUse : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;
    QTemporaryDir settingsDir;

    ImportWindow *openDeaths(int mode = kModeAppend)
    {
        f->w->show();
        return f->readDeaths(QStringLiteral("deaths.csv"), kDeaths, mode);
    }

private slots:
    void initTestCase()
    {
        // The remembered folders go to a scratch settings file, never the
        // user's own.
        QVERIFY(settingsDir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    }
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup()
    {
        f.reset();
        QApplication::clipboard()->clear();
    }

    // --- placement

    void importWindowOpensOverMainWindow_data()
    {
        QTest::addColumn<QPoint>("mainAt");
        QTest::newRow("main window at the top left") << QPoint(0, 0);
        QTest::newRow("main window in the middle") << QPoint(60, 40);
        QTest::newRow("main window mostly off the right bottom") << QPoint(600, 450);
    }
    void importWindowOpensOverMainWindow()
    {
        QFETCH(QPoint, mainAt);
        f->w->move(mainAt);
        f->w->show();
        const QRect area = f->w->screen()->availableGeometry();
        QVERIFY2(f->w->width() <= area.width() && f->w->height() <= area.height(), "main window larger than the screen");
        ImportWindow *d = openDeaths();
        QVERIFY(d);
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(area.intersected(d->frameGeometry()), d->frameGeometry()); // wholly on the screen
        // Centred over the main window wherever the screen leaves room.
        QRect centred(QPoint(0, 0), d->frameGeometry().size());
        centred.moveCenter(f->w->frameGeometry().center());
        if (area.contains(centred))
            QVERIFY((d->frameGeometry().center() - f->w->frameGeometry().center()).manhattanLength() <= 2);
    }

    // --- sizes

    // At its smallest the main window still shows eight lines of each list
    // and fits a laptop's screen less its task bar. (No window's default size
    // passing the screen is the placement test's.)
    void listsShowEightLinesAtMinimumSize()
    {
        f->w->show();
        f->w->resize(f->w->minimumSizeHint());
        QTest::qWait(20);
        for (QListWidget *list : {f->w->sourceItems, f->w->targetItems}) {
            list->clear();
            for (int i = 0; i < 30; ++i)
                list->addItem(QStringLiteral("項目 %1").arg(i));
            const int line = list->visualItemRect(list->item(0)).height();
            QVERIFY(line > 0);
            QVERIFY2(list->viewport()->height() >= 8 * line,
                     qPrintable(QStringLiteral("%1 px for lines of %2 px").arg(list->viewport()->height()).arg(line)));
        }
        QVERIFY(f->w->minimumSizeHint().height() <= 728); // 768 less a task bar
    }

    // --- keyboard

    void gridShortcuts_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("clipboardBefore");
        QTest::addColumn<QStringList>("rowOneAfter"); // columns 1..4 of data row 1
        QTest::addColumn<QString>("clipboardAfter");
        const QStringList row1{QStringLiteral("釋浄心"), QStringLiteral("髙橋　清一"), QStringLiteral("2003年5月17日"),
                               QStringLiteral("髙橋　一郎")};
        QTest::newRow("copy") << QKeySequence(QKeySequence::Copy) << QString() << row1
                              << QStringLiteral("釋浄心\t髙橋　清一\r\n");
        QTest::newRow("cut") << QKeySequence(QKeySequence::Cut) << QString()
                             << QStringList{QString(), QString(), row1[2], row1[3]} << QStringLiteral("釋浄心\t髙橋　清一\r");
        QTest::newRow("paste") << QKeySequence(QKeySequence::Paste) << QStringLiteral("甲\t乙")
                               << QStringList{QStringLiteral("甲"), QStringLiteral("乙"), row1[2], row1[3]}
                               << QStringLiteral("甲\t乙");
        QTest::newRow("delete clears") << QKeySequence(QKeySequence::Delete) << QStringLiteral("前")
                                       << QStringList{QString(), QString(), row1[2], row1[3]} << QStringLiteral("前");
    }
    void gridShortcuts()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, clipboardBefore);
        QFETCH(QStringList, rowOneAfter);
        QFETCH(QString, clipboardAfter);
        ImportWindow *d = openDeaths();
        QVERIFY(d);
        QApplication::setActiveWindow(d);
        QVERIFY(QTest::qWaitForWindowActive(d));
        QApplication::clipboard()->setText(clipboardBefore);
        // 戒名, 俗名, 没年月日 and 施主名 stand in the columns of their items.
        const int order[] = {10, 11, 1, 12};
        GridModel &g = d->grid();
        d->importGrid->setFocus();
        g.select(1, 10, 1, 11);
        QTest::keySequence(d->importGrid, keys);
        QStringList after;
        for (int c : order)
            after << g.TextMatrix(1, c);
        QCOMPARE(after, rowOneAfter);
        QCOMPARE(QApplication::clipboard()->text(), clipboardAfter);
        // The menu shows the key.
        bool shown = false;
        for (QAction *a : d->menus.editMenu->actions())
            shown |= a->shortcut() == keys && a->isEnabled();
        QVERIFY(shown);
    }

    // Tab leaves a grid for the next control and keeps the grid's current
    // cell; the arrow keys move inside it; select all takes the whole table.
    void gridKeys()
    {
        ImportWindow *d = openDeaths();
        QVERIFY(d);
        f->w->preview().select(1, 1, 1, 1);
        for (auto [window, grid] : {std::pair<QWidget *, GridView *>{f->w.get(), f->w->sourceGrid},
                                    std::pair<QWidget *, GridView *>{d, d->importGrid}}) {
            QApplication::setActiveWindow(window);
            QVERIFY(QTest::qWaitForWindowActive(window));
            grid->setFocus();
            QVERIFY(grid->hasFocus());
            grid->grid()->select(1, 1, 1, 1);
            QTest::keyClick(grid, Qt::Key_Right);
            QCOMPARE(grid->grid()->Col(), 2);
            QTest::keyClick(grid, Qt::Key_Tab);
            QVERIFY2(!grid->hasFocus(), qPrintable(window->objectName()));
            QCOMPARE(grid->grid()->Col(), 2);
            QCOMPARE(grid->grid()->Row(), 1);
        }
        // Select all takes every data cell of the import table.
        d->importGrid->setFocus();
        QTest::keySequence(d->importGrid, QKeySequence::SelectAll);
        const GridModel &g = d->grid();
        QCOMPARE((QList<int>{g.Row(), g.Col(), g.RowSel(), g.ColSel()}), (QList<int>{1, 1, g.Rows() - 1, g.Cols() - 1}));
    }

    // Enter in 読込み選択ファイル reads the typed path as the file button
    // does; a path that is no file is said and nothing is read.
    void enterInPathBoxLoads()
    {
        f->w->show();
        QApplication::setActiveWindow(f->w.get());
        f->w->titleRowButtons[1]->click();
        const QString path = f->writeFile(QStringLiteral("typed.csv"), kDeaths);
        f->w->sourcePathEdit->setFocus();
        f->w->sourcePathEdit->clear();
        QTest::keyClicks(f->w->sourcePathEdit, QDir(f->files.path()).filePath(QStringLiteral("missing.csv")));
        QTest::keyClick(f->w->sourcePathEdit, Qt::Key_Return);
        QCOMPARE(f->prompt.texts().size(), 1);
        QVERIFY(f->prompt.texts().first().contains(QStringLiteral("missing.csv")));
        QCOMPARE(f->w->sourceItems->count(), 0);

        f->w->sourcePathEdit->clear();
        QTest::keyClicks(f->w->sourcePathEdit, path);
        FileKindSeen seen;
        answerFileKind(f->w->fileKindDialog(), 3, true, &seen);
        QTest::keyClick(f->w->sourcePathEdit, Qt::Key_Return);
        QVERIFY(seen.shown);
        QCOMPARE(f->state.sourcePath, path);
        QCOMPARE(f->w->preview().Rows(), 4);
        QCOMPARE(f->w->sourceItems->item(0)->text(), QStringLiteral("戒名"));

        // A bare name is looked for in the program's folder, whatever the
        // process's current folder is.
        const QString bare = f->writeFile(QStringLiteral("bare.csv"), kDeaths);
        QVERIFY(!QFileInfo::exists(QStringLiteral("bare.csv")));
        f->state.files.appFolder = f->files.path();
        f->prompt.clear();
        f->w->sourcePathEdit->clear();
        QTest::keyClicks(f->w->sourcePathEdit, QStringLiteral("bare.csv"));
        answerFileKind(f->w->fileKindDialog(), 3, true, &seen);
        QTest::keyClick(f->w->sourcePathEdit, Qt::Key_Return);
        QVERIFY(f->prompt.texts().isEmpty());
        QCOMPARE(f->state.sourcePath, bare);
    }

    // --- message boxes

    // The replace question, asked in a real message box while the import
    // window is active (what it says is the run's own test): the box is that
    // window's child, so the main window is not brought forward, and Enter
    // answers いいえ: nothing is deleted. With no window of the program
    // active, a box takes the fallback parent.
    void messageBoxesAndTheReplaceQuestion()
    {
        ImportWindow *d = openDeaths(kModeAppend);
        QVERIFY(d);
        d->runButton->click(); // two rows written, one more with a bad date
        const qint64 kako = f->count(QStringLiteral("W_KAKO"));
        const qint64 kaiki = f->count(QStringLiteral("W_KAIKI"));
        QVERIFY(kako >= 2 && kaiki > 0);

        QApplication::setActiveWindow(d);
        QVERIFY(QTest::qWaitForWindowActive(d));
        f->state.executionMode = kModeReplace;
        MessageBoxPrompt prompt(f->w.get()); // the fallback the program gives it
        QWidget *owner = nullptr;
        QString defaultText;
        BoxWatcher watch([&](QMessageBox *box) {
            const bool question = box->text().startsWith(QStringLiteral("以前の登録データを削除して"));
            if (question || box->text() == QStringLiteral("テスト"))
                owner = box->parentWidget();
            if (question)
                defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
        });
        const TranscribeReport r = Transcribe(ImportTable(d->grid()), f->state.runSettings(), f->state.master, prompt, f->clock);
        QCOMPARE(r.outcome, TranscribeReport::Outcome::ReplaceDeclined);
        QVERIFY2(defaultText.startsWith(QStringLiteral("いいえ")), qPrintable(defaultText));
        QCOMPARE(owner, static_cast<QWidget *>(d));
        QCOMPARE(f->count(QStringLiteral("W_KAKO")), kako);
        QCOMPARE(f->count(QStringLiteral("W_KAIKI")), kaiki);

        QApplication::setActiveWindow(nullptr);
        owner = nullptr;
        prompt.message(QStringLiteral("テスト"), Icon::Information);
        QCOMPARE(owner, static_cast<QWidget *>(f->w.get()));
    }

    // --- 検証

    // Lines in the colour of their kind, the list filtered by kind, the
    // whole text on hover, and 内容 growing with the window.
    void checkListColoursAndFilter()
    {
        CheckReport report;
        report.made = true;
        const QString longText = QStringLiteral("とても長い説明").repeated(30);
        report.findings = {{0, -1, CheckKind::Notice, QStringLiteral("削除します")},
                           {2, 3, CheckKind::Unreadable, longText},
                           {3, 1, CheckKind::Stop, QStringLiteral("止まります")},
                           {4, 1, CheckKind::Unreadable, QStringLiteral("読めません")},
                           {5, 2, CheckKind::NotWritten, QStringLiteral("書けません")}};
        ScriptedPrompt prompt;
        CheckWindow w(report, {QStringLiteral("NO"), QStringLiteral("没年月日"), QStringLiteral("俗名"),
                               QStringLiteral("没年(西暦年)")},
                      prompt);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QAbstractItemModel *m = w.findingsGrid->model();
        const auto colourOf = [m](int line) { return m->index(line, 3).data(Qt::BackgroundRole).value<QBrush>().color(); };
        QCOMPARE(colourOf(2), colourOf(4)); // both read wrongly
        QSet<QRgb> distinct{colourOf(1).rgb(), colourOf(2).rgb(), colourOf(3).rgb(), colourOf(5).rgb()};
        QCOMPARE(distinct.size(), 4);
        QCOMPARE(m->index(2, 3).data(Qt::ToolTipRole).toString(), longText);
        // A wrapped line is taller than a one-line one.
        QVERIFY(w.findingsGrid->rowHeight(2) > w.findingsGrid->rowHeight(3));

        const int before = w.findingsGrid->columnWidth(3);
        w.resize(w.width() + 200, w.height());
        QTest::qWait(20);
        QVERIFY(w.findingsGrid->columnWidth(3) >= before + 150);

        // Filter: only the stop, then everything again.
        const int stopEntry = w.kindFilter->findData(int(CheckKind::Stop));
        QVERIFY(stopEntry > 0);
        w.kindFilter->setCurrentIndex(stopEntry);
        QStringList visible;
        for (int r = 1; r < m->rowCount(); ++r)
            if (!w.findingsGrid->isRowHidden(r))
                visible << m->index(r, 3).data().toString();
        QCOMPARE(visible, QStringList{QStringLiteral("止まります")});
        QVERIFY(!w.findingsGrid->isRowHidden(0)); // the headings stay
        w.kindFilter->setCurrentIndex(0);
        for (int r = 0; r < m->rowCount(); ++r)
            QVERIFY(!w.findingsGrid->isRowHidden(r));

        // Esc closes the list.
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    // A date that does not come together is reported against the column
    // whose cell gave the missing part, not the first date column.
    void checkNamesTheColumnRead_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("year");
        QTest::addColumn<int>("column");
        QTest::newRow("year unreadable in 没年(西暦年)") << QStringLiteral("5月17日") << QStringLiteral("二千三") << 14;
        QTest::newRow("day missing from 没年月日") << QStringLiteral("2003年5月") << QStringLiteral("2003") << 1;
    }
    void checkNamesTheColumnRead()
    {
        QFETCH(QString, date);
        QFETCH(QString, year);
        QFETCH(int, column);
        f->choose(2, kModeAppend, true);
        const QString csv = QStringLiteral("戒名,没年月日,没年(西暦年)\r\n釋浄心,%1,%2\r\n").arg(date, year);
        f->pickSource(f->writeFile(QStringLiteral("dates.csv"), csv.toUtf8()), 3);
        f->link(0, 10);
        f->link(1, 1);
        f->link(2, 14);
        f->w->runButton->click();
        ImportWindow *d = f->w->importWindow();
        QVERIFY(d);
        d->checkButton->click();
        auto *check = d->findChild<CheckWindow *>();
        QVERIFY(check);
        QList<int> named;
        for (const CheckFinding &finding : check->report().findings)
            if (finding.row == 1 && finding.kind == CheckKind::Unreadable && finding.text.contains(QStringLiteral("揃いません")))
                named << finding.column;
        QCOMPARE(named, QList<int>{column});
    }

    // A double-click on a finding brings the table to its cell; the list
    // moves off that cell rather than cover it.
    void checkListMovesAsideFromCell()
    {
        ImportWindow *d = openDeaths(kModeAppend);
        QVERIFY(d);
        QVERIFY(QTest::qWaitForWindowExposed(d));
        d->checkButton->click();
        auto *check = d->findChild<CheckWindow *>();
        QVERIFY(check);
        QVERIFY(QTest::qWaitForWindowExposed(check));
        int line = -1;
        for (int i = 0; i < check->report().findings.size(); ++i)
            if (check->report().findings.at(i).row == 3)
                line = i + 1;
        QVERIFY(line > 0);
        const QRect area = check->screen()->availableGeometry();
        // Put the list right over the table's row 3.
        const QRect cell0 = d->importGrid->visualRect(d->importGrid->model()->index(3, 1));
        const QPoint over = d->importGrid->viewport()->mapToGlobal(cell0.center());
        check->move(over.x() - 40, over.y() - 40);
        QTest::qWait(20);
        check->onFindingDoubleClicked(line);
        QTest::qWait(20);
        QCOMPARE(d->grid().Row(), 3);
        const QModelIndex current = d->importGrid->model()->index(d->grid().Row(), d->grid().Col());
        const QRect cell = d->importGrid->visualRect(current);
        const QRect global(d->importGrid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
        QVERIFY2(!check->frameGeometry().intersects(global), "the list covers the cell it jumped to");
        QVERIFY(area.contains(check->frameGeometry()));
    }

    // --- file dialogs

    // A file dialog opens in the folder last used for its purpose, also in a
    // new window (the folder is kept in the settings); the source dialog
    // offers every readable kind first.
    void dialogsRememberTheirFolder()
    {
        const QString first = f->writeFile(QStringLiteral("a.csv"), kDeaths);
        const QString source = MainWindow::dialogPurpose(MainWindowText::kSourceFilter);
        {
            QFileDialog dialog;
            PrepareOpenDialog(dialog, MainWindowText::kSourceFilter, QString(), source);
            const QStringList filters = dialog.nameFilters();
            QVERIFY(filters.first().contains(QStringLiteral("*.csv")) && filters.first().contains(QStringLiteral("*.vsg"))
                    && filters.first().contains(QStringLiteral("*.tsv")));
            dialog.selectFile(first);
            // Cancelled: nothing is remembered.
            QVERIFY(AcceptedFile(dialog, QDialog::Rejected, source).isEmpty());
            QCOMPARE(AcceptedFile(dialog, QDialog::Accepted, source), first);
        }
        QCOMPARE(LastFolder(source), QFileInfo(first).absolutePath());

        // Another purpose has a folder of its own.
        const QString database = MainWindow::dialogPurpose(MainWindowText::kDatabaseFilter);
        QVERIFY(database != source);
        QVERIFY(LastFolder(database) != QFileInfo(first).absolutePath());

        // The next dialog for the purpose, in a window made afresh, starts
        // in that folder.
        MainWindow again(f->state, f->prompt, f->clock);
        QFileDialog next;
        PrepareOpenDialog(next, MainWindowText::kSourceFilter, again.initialFileName, source);
        QCOMPARE(next.directory().absolutePath(), QFileInfo(first).absolutePath());
    }

    // --- the link editor

    void linkEditorTells()
    {
        f->w->show();
        f->w->outputKindButtons[2]->click();
        f->w->titleRowButtons[1]->click();
        f->pickSource(f->writeFile(QStringLiteral("memo.csv"), "戒名,俗名,没年月日,施主名,メモ\r\n釋浄心,髙橋　清一,2003年5月17日,髙橋　一郎,x\r\n"), 3);
        f->link(0, 10);
        f->link(3, 12);
        QListWidgetItem *kaimyo = f->w->targetItems->item(10);
        QListWidgetItem *other = f->w->targetItems->item(5);
        QVERIFY(kaimyo->font().bold());
        QVERIFY(!kaimyo->icon().isNull());
        QVERIFY(!other->font().bold());
        // 解除 of the 戒名 link takes its mark away.
        f->unlinkRow(1);
        QVERIFY(!f->w->targetItems->item(10)->font().bold());
        QVERIFY(f->w->targetItems->item(12)->font().bold());

        // 自動リンク says how many it made and which titles found no item.
        f->prompt.clear();
        f->w->autoLinkButton->click();
        QCOMPARE(f->prompt.texts().size(), 1);
        const QString said = f->prompt.texts().first();
        // 戒名, 俗名 and 没年月日 find their items; 施主名 is linked already.
        QVERIFY2(said.startsWith(QStringLiteral("3 列をリンクしました。")), qPrintable(said));
        QVERIFY(said.contains(QStringLiteral("メモ"))); // no item of that name
    }
};

// The windows are made for a laptop's screen of 1366×768: the offscreen
// platform is given one (its own default is 800×600).
int main(int argc, char **argv)
{
    QTemporaryDir screenDir;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && screenDir.isValid()) {
        const QString config = screenDir.filePath(QStringLiteral("screen.json"));
        QFile f(config);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768}]})");
            f.close();
            qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
        }
    }
    QApplication app(argc, argv);
    TestWindowUse test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window_use.moc"
