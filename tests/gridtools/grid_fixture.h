#pragma once
// The import window over a small table, with every outside dialog answered
// by the test: the file pickers return what the test says, the clipboard is a
// string, beeps are counted, and every message lands in a ScriptedPrompt.
#include "model/app_state.h"
#include "gridtools/dlg_input.h"
#include "gridtools/dlg_rowcol.h"
#include "gridtools/dlg_sort.h"
#include "gridtools/grid_commands.h"
#include "gridtools/grid_view.h"
#include "mainwin/file_kind_dialog.h"
#include "mainwin/import_window.h"
#include "platform/clock.h"
#include "platform/grid_model.h"
#include "scripted_prompt.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <optional>

namespace tera {

// Answers the next showing of dlgFile: clicks option (unless -1), then ＯＫ
// or ｷｬﾝｾﾙ. shown tells whether it came up at all.
inline void answerFileKind(int option, bool ok, bool *shown = nullptr)
{
    QTimer::singleShot(0, [=] {
        dlgFile &d = dlgFile::instance();
        if (shown)
            *shown = d.isVisible();
        if (!d.isVisible())
            return;
        if (option >= 0)
            d.rSaveLoadSetting[option]->click();
        d.Command1[ok ? 0 : 1]->click();
    });
}

// Answers the next showing of dlgInput: types keys into its emptied box,
// then clicks ＯＫ or ｷｬﾝｾﾙ.
inline void answerInput(const QString &keys, bool ok)
{
    QTimer::singleShot(0, [=] {
        dlgInput &d = dlgInput::instance();
        if (!d.isVisible())
            return;
        d.Text1->clear();
        QTest::keyClicks(d.Text1, keys);
        d.Command1[ok ? 0 : 1]->click();
        // ＯＫ on an empty box leaves the dialog up; the test closes it.
        if (d.isVisible())
            d.Command1[1]->click();
    });
}

struct GridFixture {
    AppState state;
    ScriptedPrompt prompt;
    SystemClock clock;
    QTemporaryDir files;
    std::unique_ptr<DesnHelp> w;
    QString openPick, savePick;   // what the pickers return
    int opened = 0;               // how often the open picker came up
    QString proposed;             // the name Save As proposed
    QString clipboard;            // the clipboard's text
    bool clipboardBroken = false; // neither takes nor gives text
    int beeps = 0;
    Answer saveFirst = Answer::Cancel;
    QStringList questions; // the three-way and closing questions, as asked
    Answer closeAnswer = Answer::No;

    GridFixture()
    {
        w = std::make_unique<DesnHelp>(state, prompt, clock);
        GridCommands &t = *w->tools;
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
        t.askSaveFirst = [this](const QString &text) {
            questions << text;
            return saveFirst;
        };
        t.askClose = [this](const QString &text) {
            questions << text;
            return closeAnswer;
        };
        const auto count = [this] { ++beeps; };
        dlgInput::instance().beep = count;
        dlgRowCol::instance().beep = count;
        dlgSort::instance().beep = count;
        // The import table's shape: one heading row, one row-number column.
        fill(8, 5);
    }

    ~GridFixture()
    {
        // The dialogs outlive the fixture: they must not call back into it.
        for (std::function<void()> *beep : {&dlgInput::instance().beep, &dlgRowCol::instance().beep,
                                            &dlgSort::instance().beep})
            *beep = [] {};
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

    // A file of these bytes in the fixture's folder; its path.
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile out(path(name));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(out.fileName()));
        return out.fileName();
    }
};

} // namespace tera
