#pragma once
#include "session/import_session.h"

#include <QDialog>
#include <functional>

class QColor;
class QComboBox;
class QLabel;
class QPushButton;

namespace tera {
struct AppState;
class ImportSession;
class Clock;
class GridModel;
class GridView;
class Prompt;

// The list of a check before writing (検証結果): one line per finding with
// its row, column, kind and text. A double-click on a line brings the import
// table to that row; 保存 writes the list as CSV.
class CheckWindow : public QDialog {
    Q_OBJECT
public:
    CheckWindow(const CheckReport &report, const QStringList &headings, Prompt &prompt, QWidget *parent = nullptr);

    QLabel *summaryLabel;
    GridView *findingsGrid;
    QComboBox *kindFilter; // 区分: the kind of findings shown
    QPushButton *saveButton; // CSVで保存…
    QPushButton *closeButton; // 閉じる

    GridModel &grid() { return *m_grid; }
    const CheckReport &report() const { return m_report; }

    // The file-save dialog (filter, initial name) -> the chosen path, empty
    // when cancelled. Tests replace it.
    std::function<QString(const QString &filter, const QString &initialName)> saveFileDialog;

    // Lists with more findings than this do not wrap 内容 (measuring every
    // row's height would slow the list down); the tooltip still shows it all.
    static constexpr int kWrapRowsUpTo = 2000;

public slots:
    void onSaveClicked();
    // Shows only the findings of kind (a CheckKind as int), or all for -1.
    void showKind(int kind);
    // A line of the list (grid row >= 1): asks for the jump to its row.
    void onFindingDoubleClicked(int gridRow);

signals:
    // The import-table row (and column, -1 when the finding names none) of a
    // finding the user double-clicked.
    void jumpTo(int row, int column);

private:
    CheckReport m_report;
    QStringList m_headings;
    Prompt &m_prompt;
    GridModel *m_grid;
    // The constructor's steps, in the order the widgets are made.
    int fillFindingsModel(const CheckReport &report, const QStringList &headings);
    void buildFindingsGrid(int rowCount);
    void buildKindFilter(const CheckReport &report);
};
using 検証結果 = CheckWindow;

// The colour of a finding's line in the list: red stops, orange rows left
// out, yellow values read wrongly, grey rows the rules skip, violet existing
// members written over, blue the rest.
QColor CheckKindColour(CheckKind kind);

// The import window's 検証: runs the session's check over importGrid,
// with a progress window, and shows its list beside owner (which keeps it;
// it closes with owner). A double-click in the list makes the finding's row
// the current row of importView. When the check cannot be made, says why
// through prompt and returns nullptr.
CheckWindow *RunCheckWindow(QWidget *owner, GridModel &importGrid, GridView *importView, const ImportSession &session,
                            const Clock &clock, Prompt &prompt, bool skipDuplicates = false);
// Shows report's list beside owner as 検証 does (a run that found rows to
// correct before writing shows them so).
CheckWindow *ShowCheckWindow(QWidget *owner, const CheckReport &report, GridModel &importGrid, GridView *importView,
                             Prompt &prompt);

} // namespace tera
