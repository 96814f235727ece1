#include "mainwin/import_window.h"

#include "model/app_state.h"
#include "gridtools/grid_commands.h"
#include "gridtools/grid_view.h"
#include "mainwin/check_window.h"
#include "mainwin/file_kind_dialog.h"
#include "mainwin/forms.h"
#include "mainwin/progress_window.h"
#include "mainwin/run_finish.h"
#include "mainwin/sheet_choice_dialog.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "session/import_session.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tera {

ImportWindow::ImportWindow(ImportSession &session, Prompt &prompt, const Clock &clock, FileKindDialog *fileKinds,
                           QWidget *parent)
    : QMainWindow(parent), m_session(session), m_state(session.state()), m_prompt(prompt), m_clock(clock),
      m_kinds(fileKinds ? fileKinds : new FileKindDialog(this))
{
    setObjectName(QStringLiteral("DesnHelp"));
    setWindowTitle(QStringLiteral("インポート"));

    // The session's import table: one heading row and the row-number column.
    m_grid = &session.importTable().grid();
    m_grid->setEditable(true);
    m_grid->setColWidth(0, 600);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));

    buildOutputKindBox(central);
    buildExecutionModeBox(central);
    runButton = new QPushButton(QStringLiteral("実行"), central);
    runButton->setObjectName(QStringLiteral("Command1"));
    runButton->setMinimumSize(110, 40);
    connect(runButton, &QPushButton::clicked, this, &ImportWindow::onRunClicked);

    importGrid = new GridView(central);
    importGrid->setObjectName(QStringLiteral("vsf"));
    importGrid->setGrid(m_grid);

    auto *top = new QHBoxLayout;
    top->addWidget(outputKindBox);
    top->addWidget(executionModeBox);
    top->addStretch(1);
    top->addWidget(runButton, 0, Qt::AlignBottom);
    QHBoxLayout *alignRow = buildAlignmentRow(central);
    auto *layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addLayout(alignRow);
    layout->addWidget(importGrid, 1);
    setCentralWidget(central);
    FitToScreen(this, QSize(960, 600));

    installGridTools();
    addCheckButton(central, top);
    openReport = OpenWithDesktop;

    endProgram = [this](int code) {
        closeWithoutAsking();
        EndProgramNow(code);
    };
}

void ImportWindow::buildOutputKindBox(QWidget *central)
{
    outputKindBox = new QGroupBox(QStringLiteral("書き出しデータの区分"), central);
    outputKindBox->setObjectName(QStringLiteral("fraOutKind"));
    auto *kindGroup = new QButtonGroup(this);
    auto *kindLayout = new QHBoxLayout(outputKindBox);
    const QString kinds[3] = {QStringLiteral("檀信徒個人データ"), QStringLiteral("世帯データ"),
                              QStringLiteral("過去帳データ")};
    for (int i = 0; i < 3; ++i) {
        outputKindButtons[i] = new QRadioButton(kinds[i], outputKindBox);
        outputKindButtons[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        kindGroup->addButton(outputKindButtons[i], i);
        kindLayout->addWidget(outputKindButtons[i]);
    }
    outputKindButtons[0]->setChecked(true);
    // The kind is chosen in the main window before 読込実行: the table here
    // was built for it, so the kind is shown but cannot change.
    for (QRadioButton *b : outputKindButtons)
        b->setEnabled(false);
}

void ImportWindow::buildExecutionModeBox(QWidget *central)
{
    executionModeBox = new QGroupBox(QStringLiteral("実行区分"), central);
    executionModeBox->setObjectName(QStringLiteral("fraExecMode"));
    auto *modeGroup = new QButtonGroup(this);
    auto *modeBox = new QVBoxLayout(executionModeBox);
    auto *modeLayout = new QHBoxLayout;
    modeBox->addLayout(modeLayout);
    const QString modes[2] = {QStringLiteral("既存データを削除して転記"), QStringLiteral("既存データに追加転記")};
    for (int i = 0; i < 2; ++i) {
        executionModeButtons[i] = new QRadioButton(modes[i], executionModeBox);
        executionModeButtons[i]->setObjectName(QStringLiteral("Option2_%1").arg(i));
        modeGroup->addButton(executionModeButtons[i], i);
        modeLayout->addWidget(executionModeButtons[i]);
    }
    executionModeButtons[0]->setChecked(true);
    connect(modeGroup, &QButtonGroup::idClicked, this, &ImportWindow::onExecutionModeClicked);
    skipDuplicatesBox = new QCheckBox(QStringLiteral("重複の可能性がある行を除く"), executionModeBox);
    skipDuplicatesBox->setObjectName(QStringLiteral("chkSkipDuplicates"));
    skipDuplicatesBox->setToolTip(QStringLiteral("追加転記で、既にある行と同じ内容の行を書き込みません（過去帳: 戒名・俗名・没年月日、"
                                                 "檀信徒: 氏名・生年月日、世帯: 世帯主名・住所）"));
    // Under the two modes, so that the window fits a laptop's screen.
    modeBox->addWidget(skipDuplicatesBox);
    // The clerk's last choice holds for the whole session.
    skipDuplicatesBox->setChecked(m_session.skipDuplicates());
    connect(skipDuplicatesBox, &QCheckBox::toggled, this, [this](bool on) { m_session.setSkipDuplicates(on); });
}

// The ten alignment choices of the grid tools' text commands.
QHBoxLayout *ImportWindow::buildAlignmentRow(QWidget *central)
{
    auto *alignRow = new QHBoxLayout;
    auto *alignGroup = new QButtonGroup(this);
    const char16_t *const alignments[10] = {u"左上", u"左中央", u"左下", u"中央上", u"中央中央",
                                            u"中央下", u"右上", u"右中央", u"右下", u"標準"};
    for (int i = 0; i < 10; ++i) {
        alignmentButtons[i] = new QRadioButton(QString::fromUtf16(alignments[i]), central);
        alignmentButtons[i]->setObjectName(QStringLiteral("Opt_%1").arg(i));
        alignGroup->addButton(alignmentButtons[i], i);
        alignRow->addWidget(alignmentButtons[i]);
    }
    alignRow->addStretch(1);
    connect(alignGroup, &QButtonGroup::idClicked, this, [this](int index) { alignment = qint16(index); });
    return alignRow;
}

void ImportWindow::installGridTools()
{
    tools = new GridCommands(this, *m_grid, importGrid, docName, m_prompt, *m_kinds);
    // Each column of the import table is an item of the output kind.
    tools->columnsAreItems = true;
    // A workbook of several sheets asks which, as the source file does.
    tools->chooseSheet = [this](const QString &path) { return AskSheet(this, path, true); };
    tools->setDocumentFolder(m_state.files.appFolder);
    menus = InstallGridMenus(*this, *tools);
    connect(importGrid, &QAbstractItemView::doubleClicked, tools, &GridCommands::editCurrentCell);
}

// Put in before 実行 after the rest is laid out.
void ImportWindow::addCheckButton(QWidget *central, QHBoxLayout *top)
{
    checkButton = new QPushButton(QStringLiteral("検証"), central);
    checkButton->setObjectName(QStringLiteral("cmdCheck"));
    checkButton->setMinimumSize(90, 40);
    checkButton->setToolTip(QStringLiteral("書き込まずに全部の行を試し、問題のある行を一覧します"));
    top->insertWidget(top->indexOf(runButton), checkButton, 0, Qt::AlignBottom);
    connect(checkButton, &QPushButton::clicked, this, &ImportWindow::onCheckClicked);
}

ImportWindow::~ImportWindow() = default;

void ImportWindow::closeEvent(QCloseEvent *event)
{
    if (m_closeWithoutAsking || tools->confirmClose())
        event->accept();
    else
        event->ignore();
}

void ImportWindow::onExecutionModeClicked(int index)
{
    // The main window owns the choice: it writes the state and shows the
    // mode in both windows.
    emit execModeChosen(index);
}

void ImportWindow::showExecMode(int index)
{
    if (index >= 0 && index < int(executionModeButtons.size()))
        executionModeButtons[index]->setChecked(true);
}

void ImportWindow::showOutputKind(int index)
{
    if (index < 0 || index >= int(outputKindButtons.size()))
        return;
    outputKindButtons[index]->setChecked(true);
}

QString ImportWindow::kindChangedText(qint16 tableKind, qint16 chosenKind)
{
    return QStringLiteral("この表は「%1」として読み込んだものですが、メイン画面の書き出しデータの区分が「%2」に変わっています。"
                          "\r\n表を作り直すため、メイン画面で読込実行をやり直してください。")
        .arg(OutKindName(tableKind), OutKindName(chosenKind));
}

bool ImportWindow::tableFitsKind()
{
    // The main window may have switched the kind since the fill: a table
    // built for another kind is never written (or checked) as this one.
    const int tableKind = m_session.importTableKind();
    if (tableKind < 0 || m_state.outputKind == tableKind)
        return true;
    m_prompt.message(kindChangedText(qint16(tableKind), m_state.outputKind), Icon::Exclamation);
    return false;
}

void ImportWindow::onRunClicked()
{
    if (m_running || m_state.outputKind < kOutMembers || m_state.outputKind > kOutDeathRegister || !tableFitsKind())
        return;
    m_running = true;
    if (!askAboutDuplicates()) {
        m_running = false;
        return;
    }
    ProgressWindow gage(this);
    emit progressWindowOpened(&gage);
    SetAllFormsPointer(kPointerBusy);
    const QDateTime started = QDateTime::currentDateTime();
    TranscribeOptions options;
    options.skipDuplicates = m_session.skipDuplicates();
    m_lastReport = m_session.run(m_prompt, m_clock, &gage, options);
    gage.hide();
    SetAllFormsPointer(kPointerDefault);
    m_running = false;
    // The summary, with the run report's path and the offer to open it.
    FinishRunInWindow(m_prompt, m_lastReport, m_session, started, openReport);
    // Rows known to stop the run stopped it before anything was written:
    // they are listed as 検証 lists them, to be corrected in the table.
    if (!m_lastReport.rowsToCorrect.isEmpty())
        ShowCheckWindow(this, RowsToCorrectReport(m_lastReport), *m_grid, importGrid, m_prompt);
    emit runFinished();
    // A member procedure has shown its message; the run closed the database
    // and kept nothing of the row it was on.
    if (m_lastReport.outcome == TranscribeReport::Outcome::Ended)
        endProgram(1);
}

// An append run that would write rows the database already holds asks
// first, before anything is written: leave them out (the default), write
// them all the same, or stop here. Replace mode deletes what they repeat.
bool ImportWindow::askAboutDuplicates()
{
    if (m_state.executionMode != kModeAppend || m_session.skipDuplicates())
        return true;
    ImportSession::DuplicateScan scan;
    {
        ProgressWindow gage(this);
        gage.setWindowTitle(QStringLiteral("重複の確認中"));
        SetAllFormsPointer(kPointerBusy);
        scan = m_session.scanDuplicates(m_clock, &gage);
        gage.hide();
        SetAllFormsPointer(kPointerDefault);
    }
    // A scan that could not be made is no reason to stop: the run finds
    // and reports the duplicates it writes.
    if (!scan.made || scan.rows.isEmpty())
        return true;
    switch (m_prompt.askWithDefault(duplicatesQuestion(scan.rows), Buttons::YesNoCancel, Icon::Question, Answer::Yes)) {
    case Answer::Yes:
        skipDuplicatesBox->setChecked(true);
        return true;
    case Answer::No:
        return true;
    default:
        m_prompt.message(QStringLiteral("転記を取り止めました。何も書き込んでいません。"), Icon::Information);
        return false;
    }
}

QString ImportWindow::duplicatesQuestion(const QList<RowNote> &rows)
{
    QStringList lines;
    lines << QStringLiteral("書き込む行のうち %1 行は、データベースにすでにある行（または前の行）と同じ内容の可能性があります。")
                 .arg(rows.size());
    const int shown = std::min<int>(int(rows.size()), 5);
    for (int i = 0; i < shown; ++i)
        lines << QStringLiteral("  %1 行目: %2").arg(rows.at(i).row).arg(rows.at(i).reason);
    if (rows.size() > shown)
        lines << QStringLiteral("  ほか %1 行").arg(rows.size() - shown);
    lines << QString() << QStringLiteral("はい: 重複の可能性がある行を除いて書き込みます")
          << QStringLiteral("いいえ: 除かずに全部書き込みます") << QStringLiteral("キャンセル: 何も書き込みません");
    return lines.join(QStringLiteral("\r\n"));
}

void ImportWindow::onCheckClicked()
{
    if (m_running || m_state.outputKind < kOutMembers || m_state.outputKind > kOutDeathRegister || !tableFitsKind())
        return;
    m_running = true;
    RunCheckWindow(this, *m_grid, importGrid, m_session, m_clock, m_prompt, m_session.skipDuplicates());
    m_running = false;
}

} // namespace tera
