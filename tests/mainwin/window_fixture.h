#pragma once
// The main window over a fresh demo database, with its dialogs answered by
// the test: the file picker returns what the test says, dlgFile is clicked
// through while it is up, and every message lands in a ScriptedPrompt.
#include "model/master_data.h"
#include "session/startup.h"
#include "gridtools/grid_view.h"
#include "mainwin/file_kind_dialog.h"
#include "mainwin/import_window.h"
#include "mainwin/link_editor.h"
#include "mainwin/main_window.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "scripted_prompt.h"
#include "test_db.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <array>
#include <memory>

namespace tera {

// What dlgFile looked like while it was up.
struct FileKindSeen {
    bool shown = false;
    std::array<bool, 5> enabled{};
    int checked = -1;
};

// Answers the next showing of dlgFile: clicks option (unless -1), then ＯＫ
// or ｷｬﾝｾﾙ.
inline void answerFileKind(int option, bool ok, FileKindSeen *seen = nullptr)
{
    QTimer::singleShot(0, [=] {
        dlgFile &d = dlgFile::instance();
        if (seen) {
            seen->shown = d.isVisible();
            for (int i = 0; i < 5; ++i) {
                seen->enabled[i] = d.rSaveLoadSetting[i]->isEnabled();
                if (d.rSaveLoadSetting[i]->isChecked())
                    seen->checked = i;
            }
        }
        if (option >= 0)
            d.rSaveLoadSetting[option]->click();
        d.Command1[ok ? 0 : 1]->click();
    });
}

inline QString examplePath(const QString &name)
{
    return QDir(QStringLiteral(TERA_SOURCE_DIR)).filePath(QStringLiteral("examples/") + name);
}

struct WindowFixture {
    TestDb t;
    AppState state;
    ScriptedPrompt prompt;
    FixedClock clock{QDate(2024, 5, 10)};
    QTemporaryDir files;
    std::unique_ptr<frmListKAKO2> w;
    int endedWith = -1;
    QString picked; // what the file picker returns next

    WindowFixture()
    {
        state.files.database = t.path();
        DeriveSiblingPaths(state);
        ReadMasterData(t.db(), state, prompt);
        t.db().close();
        prompt.clear();
        w = std::make_unique<frmListKAKO2>(state, prompt, clock);
        w->dlgCommonDialog = [this](const QString &, const QString &) { return picked; };
        w->endProgram = [this](int code) { endedWith = code; };
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = QDir(files.path()).filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // SSCommand1 with the picker returning path and dlgFile answered.
    FileKindSeen pickSource(const QString &path, int option = -1, bool ok = true)
    {
        FileKindSeen seen;
        picked = path;
        answerFileKind(option, ok, &seen);
        w->SSCommand1->click();
        return seen;
    }

    // Selects the lines of both lists and presses リンク.
    void link(int sourceLine, int targetLine)
    {
        w->lstAll->setCurrentRow(sourceLine);
        w->lstSelected->setCurrentRow(targetLine);
        w->Command1->click();
    }

    // Links every source title to the list line with the same label (the
    // example files are titled that way). Returns the number of links.
    int linkSameNames()
    {
        int made = 0;
        for (int s = 0; s < w->lstAll->count(); ++s) {
            const auto hits = w->lstSelected->findItems(w->lstAll->item(s)->text(), Qt::MatchExactly);
            if (hits.isEmpty())
                continue;
            link(s, w->lstSelected->row(hits.first()));
            ++made;
        }
        return made;
    }

    // The road to the import window: kind and mode chosen, path read with
    // its title line as comma text, titles linked to the items of the same
    // name, 読込実行. Null when nothing linked or no window opened.
    DesnHelp *readIntoImport(int kind, int mode, const QString &path)
    {
        w->Option1[kind]->click();
        w->Option2[mode]->click();
        w->OptH[1]->click();
        pickSource(path, 3);
        if (linkSameNames() == 0)
            return nullptr;
        w->Command3->click();
        return withReportViewer(w->importWindow());
    }

    // The reports a run offered and the user chose to open; no program of
    // the desktop is started by a test.
    QStringList reportsOpened;
    DesnHelp *withReportViewer(DesnHelp *d)
    {
        if (d)
            d->openReport = [this](const QString &path) {
                reportsOpened << path;
                return true;
            };
        return d;
    }

    QStringList linkColumn(int col) const
    {
        QStringList out;
        for (int r = 1; r < w->linkGrid().Rows(); ++r)
            out << w->linkGrid().TextMatrix(r, col);
        return out;
    }

    qint64 count(const QString &table)
    {
        auto db = t.openAgain();
        Query q = db->exec(QStringLiteral("SELECT count(*) AS n FROM [%1]").arg(table));
        q.next();
        const qint64 n = q.integer(QStringLiteral("n"));
        q.finish();
        return n;
    }

    QStringList column(const QString &sql)
    {
        auto db = t.openAgain();
        QStringList out;
        Query q = db->exec(sql);
        while (q.next())
            out << q.text(QStringLiteral("v"));
        q.finish();
        return out;
    }
};

} // namespace tera
