#include "mainwin/main_window.h"

#include "session/startup.h"
#include "convert/auto_link.h"
#include "gridtools/grid_commands.h"
#include "gridtools/grid_view.h"
#include "mainwin/file_kind_dialog.h"
#include "mainwin/forms.h"
#include "mainwin/import_window.h"
#include "mainwin/link_editor.h"
#include "mainwin/sheet_choice_dialog.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace tera {

namespace {

QToolButton *pictureButton(QWidget *parent, const QString &name, const QString &tip)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(parent->style()->standardIcon(QStyle::SP_DialogOpenButton));
    b->setText(QStringLiteral("参照…"));
    b->setToolTip(tip);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

template <std::size_t N>
QGroupBox *optionFrame(QWidget *parent, const QString &objectName, const QString &caption,
                       std::array<QRadioButton *, N> &buttons, const QString (&captions)[N], const QString &prefix,
                       QButtonGroup *group)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(objectName);
    auto *layout = new QVBoxLayout(frame);
    for (std::size_t i = 0; i < N; ++i) {
        buttons[i] = new QRadioButton(captions[i], frame);
        buttons[i]->setObjectName(QStringLiteral("%1_%2").arg(prefix).arg(i));
        group->addButton(buttons[i], int(i));
        layout->addWidget(buttons[i]);
    }
    layout->addStretch(1);
    return frame;
}

} // namespace

QString MainWindow::dialogPurpose(const QString &filter)
{
    if (filter == MainWindowText::kSourceFilter)
        return QStringLiteral("source");
    if (filter == MainWindowText::kDatabaseFilter)
        return QStringLiteral("database");
    return QStringLiteral("links");
}

MainWindow::MainWindow(AppState &state, Prompt &prompt, const Clock &clock, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_prompt(prompt), m_clock(clock)
{
    setObjectName(QStringLiteral("frmListKAKO2"));
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    buildFileRows(central);
    buildChoices(central);
    // The preview of the source file.
    m_preview = new GridModel(this);
    m_session = std::make_unique<ImportSession>(m_state, *m_preview);
    sourceGrid = new GridView(central);
    sourceGrid->setObjectName(QStringLiteral("vsFReed"));
    sourceGrid->setGrid(m_preview);
    sourceGrid->setMinimumHeight(110);

    buildLinkArea(central);
    // The commands.
    runButton = new QPushButton(QStringLiteral("読込実行"), central);
    runButton->setObjectName(QStringLiteral("Command3"));
    runButton->setMinimumSize(120, 36);
    quitButton = new QPushButton(QStringLiteral("終了"), central);
    quitButton->setObjectName(QStringLiteral("Command4"));
    quitButton->setMinimumSize(90, 36);

    layOut(central);
    setCentralWidget(central);
    // A laptop screen of 1366×768 takes the whole window.
    FitToScreen(this, QSize(1100, 700));

    m_fileKinds = new FileKindDialog(this);
    m_links = std::make_unique<LinkEditor>(sourceItems, targetItems, *m_linkGrid, *m_session, m_prompt);
    linkTable->setGrid(m_linkGrid);

    openFileDialog = [this](const QString &filter, const QString &initialName) {
        return OpenFileDialog(this, filter, initialName, dialogPurpose(filter));
    };
    saveFileDialog = [this](const QString &filter, const QString &initialName) {
        const QString purpose = dialogPurpose(filter);
        const QString chosen = QFileDialog::getSaveFileName(this, QString(), DialogStart(purpose, initialName),
                                                            QtFileFilters(filter).join(QStringLiteral(";;")));
        RememberFolder(purpose, chosen);
        return chosen;
    };
    buildMenus();
    endProgram = [this](int code) {
        if (m_import)
            m_import->closeWithoutAsking();
        m_endingProgram = true;
        EndProgramNow(code);
    };

    initialise();

    // Wired after the load, which sets the initial choices.
    wireControls();
}

// The rows of the source file and the destination database.
void MainWindow::buildFileRows(QWidget *central)
{
    sourceBox = new QGroupBox(QStringLiteral("読込み選択ファイル(CSV/TEXT)"), central);
    sourceBox->setObjectName(QStringLiteral("ImFrame3D1"));
    sourcePathEdit = new QLineEdit(sourceBox);
    sourcePathEdit->setObjectName(QStringLiteral("Text1"));
    sourceBrowseButton = pictureButton(sourceBox, QStringLiteral("SSCommand1"), QStringLiteral("読み込むファイルを選びます"));
    auto *sourceRow = new QHBoxLayout(sourceBox);
    sourceRow->addWidget(sourcePathEdit, 1);
    sourceRow->addWidget(sourceBrowseButton);

    // The destination database.
    databaseBox = new QGroupBox(QStringLiteral("書出しファイルパス(tera.mdb)"), central);
    databaseBox->setObjectName(QStringLiteral("ImFrame3D5"));
    databasePathEdit = new QLineEdit(databaseBox);
    databasePathEdit->setObjectName(QStringLiteral("Text3"));
    databaseBrowseButton = pictureButton(databaseBox, QStringLiteral("SSCommand2"), QStringLiteral("書き出すデータベースを選びます"));
    auto *destRow = new QHBoxLayout(databaseBox);
    destRow->addWidget(databasePathEdit, 1);
    destRow->addWidget(databaseBrowseButton);
}

// The choices: title line, output kind, execution mode.
void MainWindow::buildChoices(QWidget *central)
{
    m_titleGroup = new QButtonGroup(this);
    m_kindGroup = new QButtonGroup(this);
    m_modeGroup = new QButtonGroup(this);
    const QString titles[2] = {QStringLiteral("表題なし"), QStringLiteral("表題あり")};
    const QString kinds[3] = {QStringLiteral("檀信徒個人データ"), QStringLiteral("世帯データ"),
                              QStringLiteral("過去帳データ")};
    const QString modes[2] = {QStringLiteral("既存データを削除して転記"), QStringLiteral("既存データに追加転記")};
    titleRowBox = optionFrame(central, QStringLiteral("fraTitle"), QStringLiteral("元ファイルの表題の区分"), titleRowButtons, titles,
                           QStringLiteral("OptH"), m_titleGroup);
    outputKindBox = optionFrame(central, QStringLiteral("fraOutKind"), QStringLiteral("書き出しデータの区分"), outputKindButtons,
                             kinds, QStringLiteral("Option1"), m_kindGroup);
    executionModeBox = optionFrame(central, QStringLiteral("fraExecMode"), QStringLiteral("実行区分"), executionModeButtons, modes,
                              QStringLiteral("Option2"), m_modeGroup);
}

// The data link editor: the two item lists, the link buttons, the links.
void MainWindow::buildLinkArea(QWidget *central)
{
    sourceItemsBox = new QGroupBox(QStringLiteral("読込みデータ・項目"), central);
    sourceItemsBox->setObjectName(QStringLiteral("fraSource"));
    sourceItems = new QListWidget(sourceItemsBox);
    sourceItems->setObjectName(QStringLiteral("lstAll"));
    (new QVBoxLayout(sourceItemsBox))->addWidget(sourceItems);
    targetItemsBox = new QGroupBox(QStringLiteral("書き出し項目"), central);
    targetItemsBox->setObjectName(QStringLiteral("fraTarget"));
    targetItems = new QListWidget(targetItemsBox);
    targetItems->setObjectName(QStringLiteral("lstSelected"));
    (new QVBoxLayout(targetItemsBox))->addWidget(targetItems);
    // However small the window, the lists show a useful stretch of lines.
    for (QListWidget *list : {sourceItems, targetItems})
        list->setMinimumHeight(ListHeightForLines(list, kMinListLines));
    linkButton = new QPushButton(QStringLiteral("リンク"), central);
    linkButton->setObjectName(QStringLiteral("Command1"));
    linkButton->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    unlinkButton = new QPushButton(QStringLiteral("解除"), central);
    unlinkButton->setObjectName(QStringLiteral("Command2"));
    unlinkButton->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    autoLinkButton = new QPushButton(QStringLiteral("自動リンク"), central);
    autoLinkButton->setObjectName(QStringLiteral("cmdAutoLink"));
    autoLinkButton->setToolTip(QStringLiteral("表題が書き出し項目の名前と同じ列を、まとめてリンクします（解除で取り消せます）"));
    linksBox = new QGroupBox(QStringLiteral("データリンク設定内容"), central);
    linksBox->setObjectName(QStringLiteral("fraLinks"));
    m_linkGrid = new GridModel(this);
    linkTable = new GridView(linksBox);
    linkTable->setObjectName(QStringLiteral("vsf"));
    linkTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    linkTable->setSelectionMode(QAbstractItemView::SingleSelection);
    // Its own heading row and NO column say it all.
    linkTable->horizontalHeader()->hide();
    linkTable->verticalHeader()->hide();
    (new QVBoxLayout(linksBox))->addWidget(linkTable);
}

void MainWindow::layOut(QWidget *central)
{
    auto *choices = new QHBoxLayout;
    choices->addWidget(titleRowBox);
    choices->addWidget(outputKindBox);
    choices->addWidget(executionModeBox);
    choices->addStretch(1);
    auto *linkButtons = new QVBoxLayout;
    linkButtons->addStretch(1);
    linkButtons->addWidget(linkButton);
    linkButtons->addWidget(unlinkButton);
    linkButtons->addSpacing(12);
    linkButtons->addWidget(autoLinkButton);
    linkButtons->addStretch(1);
    auto *linkRow = new QHBoxLayout;
    linkRow->addWidget(sourceItemsBox, 3);
    linkRow->addWidget(targetItemsBox, 3);
    linkRow->addLayout(linkButtons);
    linkRow->addWidget(linksBox, 5);
    auto *commands = new QHBoxLayout;
    commands->addStretch(1);
    commands->addWidget(runButton);
    commands->addWidget(quitButton);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(sourceBox);
    layout->addWidget(databaseBox);
    layout->addLayout(choices);
    layout->addWidget(sourceGrid, 2);
    layout->addLayout(linkRow, 3);
    layout->addLayout(commands);
}

void MainWindow::wireControls()
{
    connect(m_titleGroup, &QButtonGroup::idClicked, this, &MainWindow::onTitleRowsClicked);
    // The link grid empties only when the kind really changes, not on a
    // second click of the kind already chosen.
    connect(m_kindGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onOutputKindClicked(id);
    });
    connect(m_modeGroup, &QButtonGroup::idClicked, this, &MainWindow::onExecutionModeClicked);
    connect(sourceBrowseButton, &QToolButton::clicked, this, &MainWindow::onSourceBrowseClicked);
    connect(sourcePathEdit, &QLineEdit::returnPressed, this, &MainWindow::onSourcePathEntered);
    connect(databaseBrowseButton, &QToolButton::clicked, this, &MainWindow::onDatabaseBrowseClicked);
    connect(databasePathEdit, &QLineEdit::returnPressed, this, &MainWindow::onDatabasePathEntered);
    connect(linkButton, &QPushButton::clicked, this, &MainWindow::onLinkClicked);
    connect(unlinkButton, &QPushButton::clicked, this, &MainWindow::onUnlinkClicked);
    connect(runButton, &QPushButton::clicked, this, &MainWindow::onRunClicked);
    connect(quitButton, &QPushButton::clicked, this, &MainWindow::onQuitClicked);
    connect(linkTable, &QAbstractItemView::clicked, this, &MainWindow::onLinkTableClicked);
    connect(sourceItems, &QListWidget::itemDoubleClicked, this, &MainWindow::onSourceItemDoubleClicked);
    connect(targetItems, &QListWidget::itemDoubleClicked, this, &MainWindow::onTargetItemDoubleClicked);
    connect(autoLinkButton, &QPushButton::clicked, this, &MainWindow::onAutoLinkClicked);
}

void MainWindow::buildMenus()
{
    QMenu *links = menuBar()->addMenu(QStringLiteral("データリンク(&L)"));
    links->setObjectName(QStringLiteral("mnuLinks"));
    loadLinksAction = links->addAction(QStringLiteral("データリンクを開く(&O)…"), this, &MainWindow::onLoadLinks);
    loadLinksAction->setObjectName(QStringLiteral("actLoadLinks"));
    saveLinksAction = links->addAction(QStringLiteral("データリンクを保存(&S)…"), this, &MainWindow::onSaveLinks);
    saveLinksAction->setObjectName(QStringLiteral("actSaveLinks"));
    links->addSeparator();
    autoLinkAction = links->addAction(QStringLiteral("自動リンク(&A)"), this, &MainWindow::onAutoLinkClicked);
    autoLinkAction->setObjectName(QStringLiteral("actAutoLink"));
    QMenu *database = menuBar()->addMenu(QStringLiteral("データベース(&D)"));
    database->setObjectName(QStringLiteral("mnuDatabase"));
    restoreAction = database->addAction(QStringLiteral("バックアップから元に戻す(&R)…"), this, &MainWindow::onRestore);
    restoreAction->setObjectName(QStringLiteral("actRestore"));
}

MainWindow::~MainWindow()
{
    // The import window is a window of its own, not a child; it goes with
    // this one.
    delete m_import.data();
}

ImportWindow *MainWindow::importWindow() const { return m_import.data(); }

void MainWindow::initialise()
{
    setWindowTitle(MainWindowText::kTitleAtLoad);
    m_links->nextLinkRow = 1;
    m_links->pickedLinkRow = -1;
    m_session->setOutputKind(kOutMembers);
    m_session->setExecutionMode(kModeReplace);
    m_session->setTitleRows(0);
    titleRowButtons[0]->setChecked(true);
    outputKindButtons[0]->setChecked(true);
    executionModeButtons[0]->setChecked(true);
    m_shownDatabase = m_state.files.kako;
    databasePathEdit->setText(m_shownDatabase);
    m_links->ResetLinkGrid();
    targetItems->clear();
    sourceItems->setCurrentRow(-1);
    QList<CatalogueLine> lines;
    Catalogue catalogue;
    BuildItemCatalogue(lines, kOutMembers, catalogue);
    for (const CatalogueLine &line : lines) {
        auto *item = new QListWidgetItem(line.label, targetItems);
        LinkEditor::setItemData(item, line.itemData);
    }
}

void MainWindow::onTitleRowsClicked(int index)
{
    m_session->setTitleRows(static_cast<qint16>(index));
    markTitleLine();
}

// The title line shows as a heading of the preview, so that the clerk sees
// which line 読込実行 leaves out.
void MainWindow::markTitleLine()
{
    m_preview->setFixedRows(std::min<int>(m_session->titleRows(), m_preview->Rows()));
}

void MainWindow::onOutputKindClicked(int index)
{
    const int dropped = int(m_links->links().size());
    targetItems->clear();
    m_links->ResetLinkGrid();
    QList<CatalogueLine> lines;
    Catalogue catalogue;
    BuildItemCatalogue(lines, static_cast<qint16>(index), catalogue);
    for (const CatalogueLine &line : lines) {
        auto *item = new QListWidgetItem(line.label, targetItems);
        LinkEditor::setItemData(item, line.itemData);
    }
    m_links->nextLinkRow = 1;
    m_session->setOutputKind(static_cast<OutputKind>(index));
    // Links belong to one kind's items: say that they went, and how many.
    if (dropped > 0 && !m_quietKindChange)
        m_prompt.message(MainWindowText::linksDropped(dropped), Icon::Information);
}

void MainWindow::onExecutionModeClicked(int index)
{
    m_session->setExecutionMode(static_cast<ExecutionMode>(index));
    if (m_import)
        m_import->showExecMode(index);
}

void MainWindow::setTitleFor(const QString &path)
{
    // A workbook's sheet is named too: the same file holds other tables.
    const QString sheet = m_session->sheetRead();
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(" - ") + QFileInfo(path).fileName()
                   + (sheet.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(sheet)));
}

void MainWindow::onSourceBrowseClicked()
{
    const QString chosen = openFileDialog ? openFileDialog(MainWindowText::kSourceFilter, initialFileName) : QString();
    if (chosen.isEmpty())
        return;
    pickSource(chosen);
}

void MainWindow::onSourcePathEntered()
{
    const QString text = sourcePathEdit->text().trimmed();
    if (text.isEmpty())
        return;
    // A name without a folder is looked for in the program's folder.
    const QString typed = m_state.files.appFolder.isEmpty() ? text : QDir(m_state.files.appFolder).absoluteFilePath(text);
    if (!QFileInfo(typed).isFile()) {
        m_prompt.message(MainWindowText::noSuchSource(text), Icon::Exclamation);
        return;
    }
    pickSource(QFileInfo(typed).absoluteFilePath());
}

void MainWindow::pickSource(const QString &chosen)
{
    FileKindDialog &kinds = *m_fileKinds;
    kinds.clearCancel();
    kinds.enableForFileName(chosen);
    if (!kinds.ask(this)) {
        // Nothing was read: the box and the source stay those of the file
        // read before, so that 読込実行 never fills one file's rows under
        // another's name.
        m_prompt.message(MainWindowText::kCancelled);
        kinds.clearCancel();
        return;
    }
    // A workbook of several sheets asks which one; cancelling reads nothing.
    const std::optional<QString> sheet =
        AskSheet(this, chosen, kinds.fileKind() == int(GridFileKind::Workbook));
    if (!sheet) {
        m_prompt.message(MainWindowText::kCancelled);
        return;
    }
    m_session->setSheet(*sheet);
    sourcePathEdit->setText(chosen);
    m_state.sourcePath = chosen;
    sourceItems->clear();
    ReadSourceFile(chosen, kinds.fileKind());
}

bool MainWindow::ReadSourceFile(const QString &path, int kind)
{
    QCoreApplication::processEvents();
    SetAllFormsPointer(kPointerBusy);
    SessionResult loaded = m_session->readSource(path, static_cast<GridFileKind>(kind));
    SetAllFormsPointer(kPointerDefault);
    // One column where the other separator gives several: offered, since a
    // tab-separated .txt read as comma text is one long column of lines.
    if (loaded.ok() && loaded.otherSeparatorKind >= 0
        && m_prompt.ask(SessionText::otherSeparatorQuestion(loaded.otherSeparatorKind), Buttons::YesNo, Icon::Question)
               == Answer::Yes) {
        const QStringList earlierNotes = loaded.notes;
        SetAllFormsPointer(kPointerBusy);
        loaded = m_session->readSource(path, static_cast<GridFileKind>(loaded.otherSeparatorKind));
        SetAllFormsPointer(kPointerDefault);
        loaded.notes = earlierNotes + loaded.notes;
    }
    if (loaded.linksKeptByPosition
        && m_prompt.ask(SessionText::linksKeptQuestion(int(m_session->links().size()),
                                                       int(m_session->sourceItems().size()) - 1),
                        Buttons::YesNo, Icon::Question)
               != Answer::Yes)
        m_session->dropLinks();
    showSourceItems();
    m_links->showSessionLinks();
    markTitleLine();
    // An unreadable file, or one read with a kind that does not fit it, is
    // reported; the preview stays as the grid left it (empty on failure).
    const QString said = loaded.ok() ? loaded.notes.join(QStringLiteral("\r\n")) : loaded.message;
    if (!said.isEmpty())
        m_prompt.message(said, Icon::Exclamation);
    setTitleFor(path);
    return loaded.ok();
}

void MainWindow::showSourceItems()
{
    sourceItems->clear();
    const QStringList &names = m_session->sourceLines();
    for (int c = 0; c < names.size(); ++c) {
        auto *item = new QListWidgetItem(names.at(c), sourceItems);
        LinkEditor::setItemData(item, c);
    }
}

void MainWindow::onDatabaseBrowseClicked()
{
    const QString chosen =
        openFileDialog ? openFileDialog(MainWindowText::kDatabaseFilter, initialFileName) : QString();
    if (chosen.isEmpty())
        return;
    chooseDatabase(chosen, chosen);
}

void MainWindow::onDatabasePathEntered()
{
    if (databasePathEdit->text().trimmed() != m_shownDatabase)
        databaseBoxTaken();
}

bool MainWindow::databaseBoxTaken()
{
    const QString typed = databasePathEdit->text().trimmed();
    if (typed == m_shownDatabase)
        return true;
    // The box shows kako.rnd beside the database at start; a folder, or
    // kako.rnd typed in it, names the tera.mdb there.
    QString path = typed;
    const QFileInfo info(typed);
    if (!Database::isConnectionString(typed)) {
        if (info.isDir())
            path = QDir(typed).filePath(QStringLiteral("tera.mdb"));
        else if (info.fileName().compare(QStringLiteral("kako.rnd"), Qt::CaseInsensitive) == 0)
            path = info.dir().filePath(QStringLiteral("tera.mdb"));
    }
    return chooseDatabase(path, typed);
}

bool MainWindow::chooseDatabase(const QString &path, const QString &shown)
{
    SetAllFormsPointer(kPointerBusy);
    const SessionResult opened = m_session->openDatabase(path);
    SetAllFormsPointer(kPointerDefault);
    if (!opened.ok()) {
        // The start-up words end the program; here it goes on.
        QString why = MainWindowText::kNotADatabase;
        if (opened.cause == SessionResult::Cause::NoDatabase)
            why = MainWindowText::kNoDatabaseFile;
        else if (opened.dbCause != DbError::Cause::None)
            why = opened.message; // a lock or a read-only file, named as such
        QString text = MainWindowText::databaseNotOpened(path, why);
        if (!opened.detail.isEmpty() && !why.contains(opened.detail))
            text += QStringLiteral("\r\n（%1）").arg(opened.detail);
        m_prompt.message(text, Icon::Exclamation);
        databasePathEdit->setText(m_shownDatabase);
        return false;
    }
    m_shownDatabase = shown;
    databasePathEdit->setText(shown);
    if (!opened.notes.isEmpty())
        m_prompt.message(opened.notes.join(QStringLiteral("\r\n")), Icon::Exclamation);
    return true;
}

void MainWindow::onLinkClicked() { m_links->Link(); }

void MainWindow::onUnlinkClicked() { m_links->Unlink(); }

void MainWindow::onLinkTableClicked() { m_links->RowPick(); }

void MainWindow::onSourceItemDoubleClicked() { m_links->MoveRight(); }

void MainWindow::onTargetItemDoubleClicked() { m_links->MoveLeft(); }

// A source read, a database named and taken, links made, and the clerk's
// leave where the fill would overwrite the import window's table.
bool MainWindow::readyToFill()
{
    if (sourcePathEdit->text().trimmed().isEmpty()) {
        m_prompt.message(MainWindowText::kNoSource, Icon::Critical);
        return false;
    }
    const QString destination = databasePathEdit->text().trimmed();
    if (destination == MainWindowText::kNowhere || destination.isEmpty()) {
        m_prompt.message(MainWindowText::kNoDestination, Icon::Critical);
        return false;
    }
    if (m_session->links().isEmpty()) {
        m_prompt.message(MainWindowText::kNoLinks, Icon::Critical);
        return false;
    }
    // A source path typed but never read would name one file over another's rows.
    const auto samePath = [](const QString &a, const QString &b) {
        return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
    };
    if (m_session->readPath().isEmpty() || !samePath(sourcePathEdit->text().trimmed(), m_session->readPath())) {
        m_prompt.message(MainWindowText::kSourceNotRead, Icon::Exclamation);
        return false;
    }
    // A database typed but not entered is the one the clerk means.
    return databaseBoxTaken() && askBeforeFill();
}

void MainWindow::onRunClicked()
{
    if (!readyToFill())
        return;
    setCursor(Qt::WaitCursor);
    const SessionResult filled = m_session->fillImportTable(sourcePathEdit->text());
    unsetCursor();
    if (!filled.ok()) {
        // A source file moved or deleted since it was read, or a link to a
        // column this file does not have: say so rather than open a table
        // that is empty or wrong.
        m_prompt.message(filled.message, Icon::Exclamation);
        // A fill that stopped half-way leaves no table to write.
        if (m_import && m_session->importTableKind() < 0) {
            m_import->closeWithoutAsking();
            m_import->close();
        }
        return;
    }
    showImportWindow();
}

void MainWindow::showImportWindow()
{
    const bool fresh = m_import.isNull();
    if (fresh) {
        m_import = new ImportWindow(*m_session, m_prompt, m_clock, m_fileKinds);
        m_import->setAttribute(Qt::WA_DeleteOnClose);
        // Both windows always show the mode the run will use.
        connect(m_import, &ImportWindow::execModeChosen, this, [this](int index) {
            if (index < 0 || index >= int(executionModeButtons.size()))
                return;
            executionModeButtons[index]->setChecked(true);
            onExecutionModeClicked(index);
        });
    }
    m_import->showOutputKind(m_state.outputKind);
    // The import window shows the mode the run will use: a window that says
    // 既存データを削除して転記 while the run appends (or the reverse) misleads.
    m_import->showExecMode(m_state.executionMode);
    if (fresh)
        PlaceOver(m_import, this);
    m_import->show();
    m_import->raise();
    m_import->activateWindow();
}

bool MainWindow::askBeforeFill()
{
    // 表題なし is the default: a title line left in would be written as a
    // person named after the column.
    if (m_session->firstLineLooksLikeTitles()) {
        const Answer a = m_prompt.ask(SessionText::kFirstLineTitlesQuestion, Buttons::YesNoCancel, Icon::Question);
        if (a == Answer::Cancel)
            return false;
        if (a == Answer::Yes) {
            titleRowButtons[1]->setChecked(true);
            onTitleRowsClicked(1);
        }
    }
    if (m_import && m_session->importTableEdited()
        && m_prompt.askWithDefault(MainWindowText::kDiscardEditsQuestion, Buttons::YesNo, Icon::Question, Answer::No)
               != Answer::Yes)
        return false;
    return true;
}

void MainWindow::onAutoLinkClicked()
{
    if (m_session->sourceItems().size() < 2) {
        m_prompt.message(MainWindowText::kPickSourceFirst, Icon::Exclamation);
        return;
    }
    if (m_session->titleRows() != 1) {
        m_prompt.message(MainWindowText::kAutoLinkNeedsTitles, Icon::Exclamation);
        return;
    }
    // Columns and items linked already, by hand or by an earlier press, stay
    // as they are.
    const AutoLinkResult found = m_session->autoLink(m_links->links());
    int linked = 0;
    for (const auto &[column, slot] : found.links)
        linked += m_links->AddLink(column, slot) ? 1 : 0;
    if (linked == 0) {
        m_prompt.message(MainWindowText::kAutoLinkNone, Icon::Information);
        return;
    }
    if (found.unmatched.isEmpty())
        m_prompt.message(MainWindowText::autoLinked(linked), Icon::Information);
    else
        m_prompt.message(QStringLiteral("%1 列をリンクしました。次の表題は、同じ名前の書き出し項目がないか既にリンクがあるため、"
                                        "リンクしていません:\r\n  %2")
                             .arg(linked)
                             .arg(found.unmatched.join(QStringLiteral("\r\n  "))),
                         Icon::Information);
}

bool MainWindow::SaveLinkFile(const QString &path)
{
    const QList<DataLink> links = m_links->links();
    if (links.isEmpty()) {
        m_prompt.message(MainWindowText::kNothingToSave, Icon::Exclamation);
        return false;
    }
    QString error;
    if (!WriteLinkFile(path,
                       MakeLinkFile(m_state.outputKind, m_session->titleRows(), links, m_session->sourceTitles(),
                                    m_session->catalogue()),
                       error)) {
        m_prompt.message(error, Icon::Exclamation);
        return false;
    }
    return true;
}

bool MainWindow::LoadLinkFile(const QString &path)
{
    if (m_session->sourceItems().size() < 2) {
        m_prompt.message(MainWindowText::kPickSourceFirst, Icon::Exclamation);
        return false;
    }
    LinkFile file;
    QString error;
    if (!ReadLinkFile(path, file, error)) {
        m_prompt.message(error, Icon::Exclamation);
        return false;
    }
    // The link's kind and title option; the link grid starts afresh (the
    // user asked for the saved links in place of the ones shown).
    m_quietKindChange = true;
    if (outputKindButtons[file.kind]->isChecked())
        onOutputKindClicked(file.kind);
    else
        outputKindButtons[file.kind]->setChecked(true);
    m_quietKindChange = false;
    titleRowButtons[file.titleRows]->setChecked(true);
    onTitleRowsClicked(file.titleRows);
    const LinkMatch match = m_session->matchSavedLinks(file);
    m_links->ResetLinkGrid();
    for (const DataLink &l : match.links)
        m_links->AddLink(l.sourceColumn, l.importColumn);
    const QString said = LinkMatchMessage(match);
    if (!said.isEmpty())
        m_prompt.message(said, match.complete() ? Icon::Information : Icon::Exclamation);
    return true;
}

void MainWindow::onLoadLinks()
{
    if (m_session->sourceItems().size() < 2) {
        m_prompt.message(MainWindowText::kPickSourceFirst, Icon::Exclamation);
        return;
    }
    const QString chosen = openFileDialog ? openFileDialog(MainWindowText::kLinkFilter, initialFileName) : QString();
    if (!chosen.isEmpty())
        LoadLinkFile(chosen);
}

void MainWindow::onSaveLinks()
{
    if (m_links->links().isEmpty()) {
        m_prompt.message(MainWindowText::kNothingToSave, Icon::Exclamation);
        return;
    }
    const QString initial = QStringLiteral("%1リンク.json").arg(OutKindName(m_state.outputKind));
    const QString chosen = saveFileDialog ? saveFileDialog(MainWindowText::kLinkFilter, initial) : QString();
    if (!chosen.isEmpty())
        SaveLinkFile(chosen);
}

void MainWindow::onRestore() { m_session->restore(m_prompt); }

bool MainWindow::mayEndProgram()
{
    // The import window's own 終了 asks the same: rows read but not yet
    // written, or edited since, go with the program.
    if (!m_import || m_import->isHidden())
        return true;
    return m_import->tools->confirmClose();
}

void MainWindow::onQuitClicked()
{
    if (!mayEndProgram())
        return;
    if (endProgram)
        endProgram(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_endingProgram || mayEndProgram()) {
        if (m_import)
            m_import->closeWithoutAsking();
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace tera
