#pragma once
// The windows over test data, with every outside dialog answered by the
// test: the file pickers return what the test says, the file-kind and number
// dialogs are clicked through while they are up, the clipboard is a string,
// beeps are counted, and every message and question lands in a
// ScriptedPrompt.
// WindowFixture: the main window over a fresh demo database. GridFixture: the
// import window on its own over a small table.
#include "model/master_data.h"
#include "session/startup.h"
#include "gridtools/grid_commands.h"
#include "gridtools/grid_view.h"
#include "gridtools/input_dialog.h"
#include "gridtools/row_column_dialog.h"
#include "gridtools/sort_dialog.h"
#include "session/import_session.h"
#include "mainwin/file_kind_dialog.h"
#include "mainwin/import_window.h"
#include "mainwin/link_editor.h"
#include "mainwin/main_window.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "program_run.h"
#include "scripted_prompt.h"
#include "test_db.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <array>
#include <memory>
#include <optional>

namespace tera {

// What FileKindDialog looked like while it was up.
struct FileKindSeen {
    bool shown = false;
    std::array<bool, 5> enabled{};
    int checked = -1;
};

// Answers the next showing of d: clicks option (unless -1), then ＯＫ or
// ｷｬﾝｾﾙ.
inline void answerFileKind(FileKindDialog &d, int option, bool ok, FileKindSeen *seen = nullptr)
{
    QTimer::singleShot(0, [=, &d] {
        if (seen) {
            seen->shown = d.isVisible();
            for (int i = 0; i < 5; ++i) {
                seen->enabled[i] = d.kindButtons[i]->isEnabled();
                if (d.kindButtons[i]->isChecked())
                    seen->checked = i;
            }
        }
        if (!d.isVisible())
            return;
        if (option >= 0)
            d.kindButtons[option]->click();
        d.answerButtons[ok ? 0 : 1]->click();
    });
}

// Every kind of the dialog offered, whatever name was last given to it.
inline void enableAllKinds(FileKindDialog &kinds)
{
    for (QRadioButton *b : kinds.kindButtons)
        b->setEnabled(true);
}

struct WindowFixture {
    TestDb t;
    AppState state;
    ScriptedPrompt prompt;
    FixedClock clock{QDate(2024, 5, 10)};
    QTemporaryDir files;
    std::unique_ptr<MainWindow> w;
    int endedWith = -1;
    QString picked; // what the file picker returns next

    WindowFixture()
    {
        state.files.database = t.path();
        DeriveSiblingPaths(state);
        ReadMasterData(t.db(), state, prompt);
        t.db().close();
        prompt.clear();
        w = std::make_unique<MainWindow>(state, prompt, clock);
        w->openFileDialog = [this](const QString &, const QString &) { return picked; };
        w->endProgram = [this](int code) { endedWith = code; };
    }

    QString writeFile(const QString &name, const QByteArray &bytes) { return tera::writeFile(files.filePath(name), bytes); }

    // SSCommand1 with the picker returning path and FileKindDialog answered.
    FileKindSeen pickSource(const QString &path, int option = -1, bool ok = true)
    {
        FileKindSeen seen;
        picked = path;
        answerFileKind(w->fileKindDialog(), option, ok, &seen);
        w->sourceBrowseButton->click();
        return seen;
    }

    // Selects the lines of both lists and presses リンク.
    void link(int sourceLine, int targetLine)
    {
        w->sourceItems->setCurrentRow(sourceLine);
        w->targetItems->setCurrentRow(targetLine);
        w->linkButton->click();
    }

    // Links every source title to the list line with the same label (the
    // example files are titled that way). Returns the number of links.
    int linkSameNames()
    {
        int made = 0;
        for (int s = 0; s < w->sourceItems->count(); ++s) {
            const auto hits = w->targetItems->findItems(w->sourceItems->item(s)->text(), Qt::MatchExactly);
            if (hits.isEmpty())
                continue;
            link(s, w->targetItems->row(hits.first()));
            ++made;
        }
        return made;
    }

    // The output kind, the execution mode and the title option clicked.
    void choose(int kind, int mode, bool title)
    {
        w->outputKindButtons[kind]->click();
        w->executionModeButtons[mode]->click();
        w->titleRowButtons[title ? 1 : 0]->click();
    }

    // Clicks link-grid row r, as the user does, and presses 解除.
    void unlinkRow(int r)
    {
        w->linkGrid().setRow(r);
        w->onLinkTableClicked();
        w->unlinkButton->click();
    }

    // Columns 0..3 (戒名, 俗名, 没年月日, 施主名) linked to their
    // death-register items.
    void linkDeaths()
    {
        for (const auto &[column, item] : {std::pair{0, 10}, {1, 11}, {2, 1}, {3, 12}})
            link(column, item);
    }

    // 読込実行; the import window it opened, if any.
    ImportWindow *runRead()
    {
        w->runButton->click();
        return withReportViewer(w->importWindow());
    }

    // The road to the import window: kind and mode chosen, path read with
    // its title line as comma text, titles linked to the items of the same
    // name, 読込実行. Null when nothing linked or no window opened.
    ImportWindow *readIntoImport(int kind, int mode, const QString &path)
    {
        choose(kind, mode, true);
        pickSource(path, 3);
        return linkSameNames() == 0 ? nullptr : runRead();
    }

    // Death-register text whose columns are 戒名, 俗名, 没年月日 and 施主名,
    // each linked to its item and read into the import window.
    ImportWindow *readDeaths(const QString &name, const QByteArray &text, int mode, bool title = true)
    {
        choose(2, mode, title);
        pickSource(writeFile(name, text), 3);
        linkDeaths();
        return runRead();
    }

    // No program of the desktop is started by a test to show a run report.
    static ImportWindow *withReportViewer(ImportWindow *d)
    {
        if (d)
            d->openReport = [](const QString &) { return true; };
        return d;
    }

    QStringList linkColumn(int col) const
    {
        QStringList out;
        for (int r = 1; r < w->linkGrid().Rows(); ++r)
            out << w->linkGrid().TextMatrix(r, col);
        return out;
    }

    qint64 count(const QString &table) { return countIn(t.path(), QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(table)); }
    void execute(const QString &sql) { t.openAgain()->execute(sql); }
    QStringList column(const QString &sql) { return columnIn(t.path(), sql); }
};


struct GridFixture {
    AppState state;
    GridModel source;
    ImportSession session{state, source};
    ScriptedPrompt prompt;
    SystemClock clock;
    QTemporaryDir files;
    std::unique_ptr<ImportWindow> w;
    QString openPick, savePick;   // what the pickers return
    int opened = 0;               // how often the open picker came up
    QString proposed;             // the name Save As proposed
    QString clipboard;            // the clipboard's text
    bool clipboardBroken = false; // neither takes nor gives text
    int beeps = 0;

    GridFixture()
    {
        w = std::make_unique<ImportWindow>(session, prompt, clock);
        GridCommands &t = *w->tools;
        // The grid commands as any grid has them; the import table's rule
        // for its item columns is tried with the windows' whole import.
        t.columnsAreItems = false;
        t.openFileName = [this](const QString &, const QString &) {
            ++opened;
            return openPick;
        };
        t.saveFileName = [this](const QString &, const QString &name) {
            proposed = name;
            return savePick;
        };
        t.putClipboard = [this](const QString &text) {
            if (clipboardBroken)
                return false;
            clipboard = text;
            return true;
        };
        t.readClipboard = [this]() -> std::optional<QString> {
            if (clipboardBroken)
                return std::nullopt;
            return clipboard;
        };
        const auto count = [this] { ++beeps; };
        t.inputDialog().beep = count;
        t.rowColumnDialog().beep = count;
        t.sortDialog().beep = count;
        // The import table's shape: one heading row, one row-number column.
        fill(8, 5);
    }

    GridModel &grid() { return w->grid(); }
    GridCommands &tools() { return *w->tools; }

    // rows x cols, heading row "h1".."hN", row numbers in column 0, data "r-c".
    void fill(int rows, int cols)
    {
        GridModel &g = grid();
        g.setRows(0);
        g.setCols(cols);
        g.setRows(rows);
        g.setFixedRows(1);
        g.setFixedCols(1);
        for (int c = 1; c < cols; ++c)
            g.setTextMatrix(0, c, QStringLiteral("h%1").arg(c));
        for (int r = 1; r < rows; ++r) {
            g.setTextMatrix(r, 0, QString::number(r));
            for (int c = 1; c < cols; ++c)
                g.setTextMatrix(r, c, QStringLiteral("%1-%2").arg(r).arg(c));
        }
    }

    QStringList column(int c)
    {
        QStringList out;
        for (int r = 0; r < grid().Rows(); ++r)
            out << grid().TextMatrix(r, c);
        return out;
    }

    QString path(const QString &name) const { return QDir(files.path()).filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes) const { return tera::writeFile(path(name), bytes); }
    FileKindDialog &kinds() { return w->fileKindDialog(); }
    void answerFileKind(int option, bool ok, FileKindSeen *seen = nullptr)
    {
        tera::answerFileKind(kinds(), option, ok, seen);
    }

    // Answers the next showing of the number dialog: types keys into its
    // emptied box, then clicks ＯＫ or ｷｬﾝｾﾙ.
    void answerInput(const QString &keys, bool ok)
    {
        InputDialog *d = &tools().inputDialog();
        QTimer::singleShot(0, d, [=] {
            if (!d->isVisible())
                return;
            d->valueEdit->clear();
            QTest::keyClicks(d->valueEdit, keys);
            d->answerButtons[ok ? 0 : 1]->click();
            // ＯＫ on an empty box leaves the dialog up; the test closes it.
            if (d->isVisible())
                d->answerButtons[1]->click();
        });
    }
};


} // namespace tera
