#pragma once
#include "gridtools/grid_menus.h"
#include "session/import_session.h"

#include <QMainWindow>
#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QPushButton;
class QRadioButton;

namespace tera {
struct AppState;
class ImportSession;
class Clock;
class GridModel;
class GridView;
class Prompt;
class ProgressWindow;
class FileKindDialog;
class GridCommands;

// ImportWindow (インポート): the import table, an editable grid filled by the main
// window's 読込実行, and 実行, which transcribes its rows into the database.
// The grid's document, clipboard, row/column and sort commands hang off this
// window's menu bar and toolbar.
class ImportWindow : public QMainWindow {
    Q_OBJECT
public:
    // fileKinds: the file-kind dialog the grid's file commands ask (the main
    // window's, so a choice carries over); without one the window makes its own.
    // session: the main window's import session, which runs and checks
    // this window's table.
    ImportWindow(ImportSession &session, Prompt &prompt, const Clock &clock, FileKindDialog *fileKinds = nullptr,
                 QWidget *parent = nullptr);
    ~ImportWindow() override;

    // importGrid: the import table. Row 0 the headings, column 0 the row numbers.
    GridView *importGrid;
    GridModel &grid() { return *m_grid; }
    // outputKindButtons(0..2): 檀信徒個人データ, 世帯データ, 過去帳データ.
    std::array<QRadioButton *, 3> outputKindButtons{};
    // executionModeButtons(0..1): 既存データを削除して転記, 既存データに追加転記.
    std::array<QRadioButton *, 2> executionModeButtons{};
    QGroupBox *outputKindBox;
    QGroupBox *executionModeBox;
    QPushButton *runButton; // 実行
    // In 既存データに追加転記 mode: leave out the rows that repeat a row the
    // database holds (the run and 検証 warn about them otherwise).
    QCheckBox *skipDuplicatesBox = nullptr;

    // The current document name (the grid's file commands use it).
    QString docName = QStringLiteral("Unknown.vsg");
    // alignmentButtons(0..9): the cell alignment choice; the index last clicked is only
    // stored (alignment, -1 until one is clicked).
    std::array<QRadioButton *, 10> alignmentButtons{};
    qint16 alignment = -1;

    // The grid's document, clipboard, row/column and sort commands, and the
    // menu bar and toolbar that start them.
    GridCommands *tools;
    GridMenus menus;

    // The main window hands over the output kind it chose (and wrote to the
    // state) for the table it filled: the button of that index becomes
    // selected. The buttons here only show it; the main window alone writes
    // the kind.
    void showOutputKind(int index);
    FileKindDialog &fileKindDialog() { return *m_kinds; }
    // Shows the execution mode chosen in the main window, without a click.
    void showExecMode(int index);
    // What 実行 and 検証 say when the main window's kind is no longer the
    // one the table was filled for.
    static QString kindChangedText(qint16 tableKind, qint16 chosenKind);
    // The question of an append run with likely duplicates among its rows.
    static QString duplicatesQuestion(const QList<RowNote> &rows);

    // What the last 実行 did.
    const TranscribeReport &lastReport() const { return m_lastReport; }

    // How the program ends when a member procedure says so; tests replace it.
    std::function<void(int)> endProgram;
    // The program is ending: the window closes without asking.
    void closeWithoutAsking() { m_closeWithoutAsking = true; }

    // 検証: the check before writing, whose list opens beside this window.
    // Every 実行 writes a run report beside the database; the closing note
    // offers to open it with openReport (the desktop's program; tests
    // replace it).
    QPushButton *checkButton = nullptr;
    std::function<bool(const QString &)> openReport;

public slots:
    void onExecutionModeClicked(int index);
    void onRunClicked();
    void onCheckClicked();

protected:
    // Closing asks first, unless the program is ending.
    void closeEvent(QCloseEvent *event) override;

signals:
    // A run's progress window is up (tests reach its キャンセル through it).
    void progressWindowOpened(tera::ProgressWindow *gage);
    void runFinished();
    // The execution mode was clicked here: the main window, which owns the
    // choice, takes it (and shows it in both windows).
    void execModeChosen(int index);

private:
    ImportSession &m_session;
    AppState &m_state;
    Prompt &m_prompt;
    const Clock &m_clock;
    GridModel *m_grid;
    TranscribeReport m_lastReport;
    FileKindDialog *m_kinds;
    bool m_running = false;
    bool m_closeWithoutAsking = false;
    bool tableFitsKind();
    bool askAboutDuplicates();
    // The constructor's steps, in the order the widgets are made (their
    // order is the focus order).
    void buildOutputKindBox(QWidget *central);
    void buildExecutionModeBox(QWidget *central);
    QHBoxLayout *buildAlignmentRow(QWidget *central);
    void installGridTools();
    void addCheckButton(QWidget *central, QHBoxLayout *top);
};

} // namespace tera
