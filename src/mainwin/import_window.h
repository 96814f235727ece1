#pragma once
#include "gridtools/grid_menus.h"
#include "transcribe/transcribe.h"

#include <QMainWindow>
#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tera {
struct AppState;
class Clock;
class GridModel;
class GridView;
class Prompt;
class frmGage;
class GridCommands;

// DesnHelp (インポート): the import table, an editable grid filled by the main
// window's 読込実行, and 実行, which transcribes its rows into the database.
// The grid's document, clipboard, row/column and sort commands hang off this
// window's menu bar and toolbar.
class DesnHelp : public QMainWindow {
    Q_OBJECT
public:
    DesnHelp(AppState &state, Prompt &prompt, const Clock &clock, QWidget *parent = nullptr);
    ~DesnHelp() override;

    // vsf: the import table. Row 0 the headings, column 0 the row numbers.
    GridView *vsf;
    GridModel &grid() { return *m_grid; }
    // Option1(0..2): 檀信徒個人データ, 世帯データ, 過去帳データ.
    std::array<QRadioButton *, 3> Option1{};
    // Option2(0..1): 既存データを削除して転記, 既存データに追加転記.
    std::array<QRadioButton *, 2> Option2{};
    QGroupBox *fraOutKind;
    QGroupBox *fraExecMode;
    QPushButton *Command1; // 実行
    // In 既存データに追加転記 mode: leave out the rows that repeat a row the
    // database holds (the run and 検証 warn about them otherwise).
    QCheckBox *chkSkipDuplicates = nullptr;

    // The current document name (the grid's file commands use it).
    QString mDocName = QStringLiteral("Unknown.vsg");
    // Opt(0..9): the cell alignment choice; the index last clicked is only
    // stored (mAlignment, -1 until one is clicked).
    std::array<QRadioButton *, 10> Opt{};
    qint16 mAlignment = -1;

    // The grid's document, clipboard, row/column and sort commands, and the
    // menu bar and toolbar that start them.
    GridCommands *tools;
    GridMenus menus;

    // The main window hands over its output kind: the button of that index
    // becomes selected. The buttons here only show it.
    void selectOutKind(int index);
    // Shows the execution mode chosen in the main window, without a click.
    void showExecMode(int index);
    // What 実行 and 検証 say when the main window's kind is no longer the
    // one the table was filled for.
    static QString kindChangedText(qint16 tableKind, qint16 chosenKind);

    // What the last 実行 did.
    const TranscribeReport &lastReport() const { return m_lastReport; }

    // How the program ends when a member procedure says so; tests replace it.
    std::function<void(int)> endProgram;

    // 検証: the check before writing, whose list opens beside this window.
    // Every 実行 writes a run report beside the database; the closing note
    // offers to open it with openReport (the desktop's program; tests
    // replace it).
    QPushButton *cmdCheck = nullptr;
    std::function<bool(const QString &)> openReport;

public slots:
    void Option2_Click(int index);
    void Command1_Click();
    void cmdCheck_Click();

protected:
    // Closing asks first, unless the program is ending.
    void closeEvent(QCloseEvent *event) override;

signals:
    // A run's progress window is up (tests reach its キャンセル through it).
    void progressWindowOpened(tera::frmGage *gage);
    void runFinished();
    // The execution mode was clicked here (the main window shows the same).
    void execModeChosen(int index);

private:
    AppState &m_state;
    Prompt &m_prompt;
    const Clock &m_clock;
    GridModel *m_grid;
    TranscribeReport m_lastReport;
    bool m_running = false;
    qint16 m_tableKind = 0; // the output kind the table was filled for
    bool tableFitsKind();
};

} // namespace tera
