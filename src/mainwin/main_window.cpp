#include "mainwin/main_window.h"

#include "session/startup.h"
#include "convert/auto_link.h"
#include "gridtools/grid_view.h"
#include "mainwin/file_kind_dialog.h"
#include "mainwin/forms.h"
#include "mainwin/import_window.h"
#include "mainwin/link_editor.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "transcribe/import_table_fill.h"
#include "transcribe/link_file.h"
#include "transcribe/restore.h"
#include "transcribe/run_report.h"

#include <QButtonGroup>
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

QString frmListKAKO2::dialogPurpose(const QString &filter)
{
    if (filter == MainWindowText::kSourceFilter)
        return QStringLiteral("source");
    if (filter == MainWindowText::kDatabaseFilter)
        return QStringLiteral("database");
    return QStringLiteral("links");
}

frmListKAKO2::frmListKAKO2(AppState &state, Prompt &prompt, const Clock &clock, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_prompt(prompt), m_clock(clock)
{
    setObjectName(QStringLiteral("frmListKAKO2"));
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));

    // 1. the source file
    ImFrame3D1 = new QGroupBox(QStringLiteral("読込み選択ファイル(CSV/TEXT)"), central);
    ImFrame3D1->setObjectName(QStringLiteral("ImFrame3D1"));
    Text1 = new QLineEdit(ImFrame3D1);
    Text1->setObjectName(QStringLiteral("Text1"));
    SSCommand1 = pictureButton(ImFrame3D1, QStringLiteral("SSCommand1"), QStringLiteral("読み込むファイルを選びます"));
    auto *sourceRow = new QHBoxLayout(ImFrame3D1);
    sourceRow->addWidget(Text1, 1);
    sourceRow->addWidget(SSCommand1);

    // 2. the destination database
    ImFrame3D5 = new QGroupBox(QStringLiteral("書出しファイルパス(tera.mdb)"), central);
    ImFrame3D5->setObjectName(QStringLiteral("ImFrame3D5"));
    Text3 = new QLineEdit(ImFrame3D5);
    Text3->setObjectName(QStringLiteral("Text3"));
    SSCommand2 = pictureButton(ImFrame3D5, QStringLiteral("SSCommand2"), QStringLiteral("書き出すデータベースを選びます"));
    auto *destRow = new QHBoxLayout(ImFrame3D5);
    destRow->addWidget(Text3, 1);
    destRow->addWidget(SSCommand2);

    // 3. the choices
    auto *titleGroup = new QButtonGroup(this);
    auto *kindGroup = new QButtonGroup(this);
    auto *modeGroup = new QButtonGroup(this);
    const QString titles[2] = {QStringLiteral("表題なし"), QStringLiteral("表題あり")};
    const QString kinds[3] = {QStringLiteral("檀信徒個人データ"), QStringLiteral("世帯データ"),
                              QStringLiteral("過去帳データ")};
    const QString modes[2] = {QStringLiteral("既存データを削除して転記"), QStringLiteral("既存データに追加転記")};
    fraTitle = optionFrame(central, QStringLiteral("fraTitle"), QStringLiteral("元ファイルの表題の区分"), OptH, titles,
                           QStringLiteral("OptH"), titleGroup);
    fraOutKind = optionFrame(central, QStringLiteral("fraOutKind"), QStringLiteral("書き出しデータの区分"), Option1,
                             kinds, QStringLiteral("Option1"), kindGroup);
    fraExecMode = optionFrame(central, QStringLiteral("fraExecMode"), QStringLiteral("実行区分"), Option2, modes,
                              QStringLiteral("Option2"), modeGroup);

    // 4. the preview
    m_preview = new GridModel(this);
    vsFReed = new GridView(central);
    vsFReed->setObjectName(QStringLiteral("vsFReed"));
    vsFReed->setGrid(m_preview);
    vsFReed->setMinimumHeight(110);

    // 5. the data link editor
    fraSource = new QGroupBox(QStringLiteral("読込みデータ・項目"), central);
    fraSource->setObjectName(QStringLiteral("fraSource"));
    lstAll = new QListWidget(fraSource);
    lstAll->setObjectName(QStringLiteral("lstAll"));
    (new QVBoxLayout(fraSource))->addWidget(lstAll);
    fraTarget = new QGroupBox(QStringLiteral("書き出し項目"), central);
    fraTarget->setObjectName(QStringLiteral("fraTarget"));
    lstSelected = new QListWidget(fraTarget);
    lstSelected->setObjectName(QStringLiteral("lstSelected"));
    (new QVBoxLayout(fraTarget))->addWidget(lstSelected);
    // However small the window, the lists show a useful stretch of lines.
    for (QListWidget *list : {lstAll, lstSelected})
        list->setMinimumHeight(ListHeightForLines(list, kMinListLines));
    Command1 = new QPushButton(QStringLiteral("リンク"), central);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    Command2 = new QPushButton(QStringLiteral("解除"), central);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    cmdAutoLink = new QPushButton(QStringLiteral("自動リンク"), central);
    cmdAutoLink->setObjectName(QStringLiteral("cmdAutoLink"));
    cmdAutoLink->setToolTip(QStringLiteral("表題が書き出し項目の名前と同じ列を、まとめてリンクします（解除で取り消せます）"));
    fraLinks = new QGroupBox(QStringLiteral("データリンク設定内容"), central);
    fraLinks->setObjectName(QStringLiteral("fraLinks"));
    m_linkGrid = new GridModel(this);
    vsf = new GridView(fraLinks);
    vsf->setObjectName(QStringLiteral("vsf"));
    vsf->setSelectionBehavior(QAbstractItemView::SelectRows);
    vsf->setSelectionMode(QAbstractItemView::SingleSelection);
    // Its own heading row and NO column say it all.
    vsf->horizontalHeader()->hide();
    vsf->verticalHeader()->hide();
    (new QVBoxLayout(fraLinks))->addWidget(vsf);

    // 6. the commands
    Command3 = new QPushButton(QStringLiteral("読込実行"), central);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setMinimumSize(120, 36);
    Command4 = new QPushButton(QStringLiteral("終了"), central);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setMinimumSize(90, 36);

    auto *choices = new QHBoxLayout;
    choices->addWidget(fraTitle);
    choices->addWidget(fraOutKind);
    choices->addWidget(fraExecMode);
    choices->addStretch(1);
    auto *linkButtons = new QVBoxLayout;
    linkButtons->addStretch(1);
    linkButtons->addWidget(Command1);
    linkButtons->addWidget(Command2);
    linkButtons->addSpacing(12);
    linkButtons->addWidget(cmdAutoLink);
    linkButtons->addStretch(1);
    auto *linkRow = new QHBoxLayout;
    linkRow->addWidget(fraSource, 3);
    linkRow->addWidget(fraTarget, 3);
    linkRow->addLayout(linkButtons);
    linkRow->addWidget(fraLinks, 5);
    auto *commands = new QHBoxLayout;
    commands->addStretch(1);
    commands->addWidget(Command3);
    commands->addWidget(Command4);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(ImFrame3D1);
    layout->addWidget(ImFrame3D5);
    layout->addLayout(choices);
    layout->addWidget(vsFReed, 2);
    layout->addLayout(linkRow, 3);
    layout->addLayout(commands);
    setCentralWidget(central);
    // A laptop screen of 1366×768 takes the whole window.
    FitToScreen(this, QSize(1100, 700));

    m_links = std::make_unique<DataLinkEditor>(lstAll, lstSelected, *m_linkGrid, gSrcItems, gCatalogue, m_prompt);
    vsf->setGrid(m_linkGrid);

    dlgCommonDialog = [this](const QString &filter, const QString &initialName) {
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
    endProgram = [](int code) { EndProgramNow(code); };

    Form_Load();

    // Wired after the load, which sets the initial choices.
    connect(titleGroup, &QButtonGroup::idClicked, this, &frmListKAKO2::OptH_Click);
    // The link grid empties only when the kind really changes, not on a
    // second click of the kind already chosen.
    connect(kindGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Option1_Click(id);
    });
    connect(modeGroup, &QButtonGroup::idClicked, this, &frmListKAKO2::Option2_Click);
    connect(SSCommand1, &QToolButton::clicked, this, &frmListKAKO2::SSCommand1_Click);
    connect(Text1, &QLineEdit::returnPressed, this, &frmListKAKO2::Text1_Enter);
    connect(SSCommand2, &QToolButton::clicked, this, &frmListKAKO2::SSCommand2_Click);
    connect(Command1, &QPushButton::clicked, this, &frmListKAKO2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmListKAKO2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmListKAKO2::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmListKAKO2::Command4_Click);
    connect(vsf, &QAbstractItemView::clicked, this, &frmListKAKO2::vsf_Click);
    connect(lstAll, &QListWidget::itemDoubleClicked, this, &frmListKAKO2::lstAll_DblClick);
    connect(lstSelected, &QListWidget::itemDoubleClicked, this, &frmListKAKO2::lstSelected_DblClick);
    connect(cmdAutoLink, &QPushButton::clicked, this, &frmListKAKO2::cmdAutoLink_Click);
}

void frmListKAKO2::buildMenus()
{
    QMenu *links = menuBar()->addMenu(QStringLiteral("データリンク(&L)"));
    links->setObjectName(QStringLiteral("mnuLinks"));
    actLoadLinks = links->addAction(QStringLiteral("データリンクを開く(&O)…"), this, &frmListKAKO2::actLoadLinks_Click);
    actLoadLinks->setObjectName(QStringLiteral("actLoadLinks"));
    actSaveLinks = links->addAction(QStringLiteral("データリンクを保存(&S)…"), this, &frmListKAKO2::actSaveLinks_Click);
    actSaveLinks->setObjectName(QStringLiteral("actSaveLinks"));
    links->addSeparator();
    actAutoLink = links->addAction(QStringLiteral("自動リンク(&A)"), this, &frmListKAKO2::cmdAutoLink_Click);
    actAutoLink->setObjectName(QStringLiteral("actAutoLink"));
    QMenu *database = menuBar()->addMenu(QStringLiteral("データベース(&D)"));
    database->setObjectName(QStringLiteral("mnuDatabase"));
    actRestore = database->addAction(QStringLiteral("バックアップから元に戻す(&R)…"), this, &frmListKAKO2::actRestore_Click);
    actRestore->setObjectName(QStringLiteral("actRestore"));
}

frmListKAKO2::~frmListKAKO2()
{
    // The import window is a window of its own, not a child; it goes with
    // this one.
    delete m_import.data();
}

DesnHelp *frmListKAKO2::importWindow() const { return m_import.data(); }

void frmListKAKO2::Form_Load()
{
    setWindowTitle(MainWindowText::kTitleAtLoad);
    if (!m_state.files.appFolder.isEmpty())
        QDir::setCurrent(m_state.files.appFolder);
    mTitleRows = 0;
    m_links->mNextLinkRow = 1;
    m_links->mSelLinkRow = -1;
    m_state.outputKind = kOutMembers;
    m_state.executionMode = kModeReplace;
    OptH[0]->setChecked(true);
    Option1[0]->setChecked(true);
    Option2[0]->setChecked(true);
    Text3->setText(m_state.files.kako);
    m_links->ResetLinkGrid();
    lstSelected->clear();
    lstAll->setCurrentRow(-1);
    QList<CatalogueLine> lines;
    BuildItemCatalogue(lines, kOutMembers, gCatalogue);
    for (const CatalogueLine &line : lines) {
        auto *item = new QListWidgetItem(line.label, lstSelected);
        DataLinkEditor::setItemData(item, line.itemData);
    }
}

void frmListKAKO2::OptH_Click(int index) { mTitleRows = static_cast<qint16>(index); }

void frmListKAKO2::Option1_Click(int index)
{
    const int dropped = int(m_links->links().size());
    lstSelected->clear();
    m_links->ResetLinkGrid();
    QList<CatalogueLine> lines;
    BuildItemCatalogue(lines, static_cast<qint16>(index), gCatalogue);
    for (const CatalogueLine &line : lines) {
        auto *item = new QListWidgetItem(line.label, lstSelected);
        DataLinkEditor::setItemData(item, line.itemData);
    }
    m_links->mNextLinkRow = 1;
    m_state.outputKind = static_cast<OutputKind>(index);
    // Links belong to one kind's items: say that they went, and how many.
    if (dropped > 0 && !m_quietKindChange)
        m_prompt.message(MainWindowText::linksDropped(dropped), Icon::Information);
}

void frmListKAKO2::Option2_Click(int index)
{
    m_state.executionMode = static_cast<ExecutionMode>(index);
    if (m_import)
        m_import->showExecMode(index);
}

void frmListKAKO2::setTitleFor(const QString &path)
{
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(" - ") + QFileInfo(path).fileName());
}

void frmListKAKO2::SSCommand1_Click()
{
    const QString chosen = dlgCommonDialog ? dlgCommonDialog(MainWindowText::kSourceFilter, mInitialFileName) : QString();
    if (chosen.isEmpty())
        return;
    pickSource(chosen);
}

void frmListKAKO2::Text1_Enter()
{
    const QString typed = Text1->text().trimmed();
    if (typed.isEmpty())
        return;
    if (!QFileInfo(typed).isFile()) {
        m_prompt.message(MainWindowText::noSuchSource(typed), Icon::Exclamation);
        return;
    }
    pickSource(QFileInfo(typed).absoluteFilePath());
}

void frmListKAKO2::pickSource(const QString &chosen)
{
    Text1->setText(chosen);
    m_state.sourcePath = chosen;
    lstAll->clear();
    gSrcItems.clear();

    dlgFile &kinds = dlgFile::instance();
    kinds.clearCancel();
    kinds.EnableForFileName(chosen);
    if (!kinds.ask(this)) {
        m_prompt.message(MainWindowText::kCancelled);
        kinds.clearCancel();
        return;
    }
    ReadSourceFile(chosen, kinds.fileKind());
}

bool frmListKAKO2::ReadSourceFile(const QString &path, int kind)
{
    QCoreApplication::processEvents();
    SetAllFormsPointer(kPointerBusy);
    m_preview->Clear();
    m_preview->setRows(0);
    m_preview->setCols(0);
    const GridResult loaded = m_preview->LoadGrid(path, static_cast<GridFileKind>(kind));
    SetAllFormsPointer(kPointerDefault);
    lstAll->clear();
    gSrcItems.clear();
    QStringList names;
    BuildSourceItems(*m_preview, gSrcItems, names);
    for (int c = 0; c < names.size(); ++c) {
        auto *item = new QListWidgetItem(names.at(c), lstAll);
        DataLinkEditor::setItemData(item, c);
    }
    // An unreadable file, or one read with a kind that does not fit it, is
    // reported; the preview stays as the grid left it (empty on failure).
    if (!loaded.message.isEmpty())
        m_prompt.message(loaded.message, Icon::Exclamation);
    setTitleFor(path);
    return loaded.ok;
}

void frmListKAKO2::SSCommand2_Click()
{
    const QString chosen =
        dlgCommonDialog ? dlgCommonDialog(MainWindowText::kDatabaseFilter, mInitialFileName) : QString();
    if (chosen.isEmpty())
        return;
    Text3->setText(chosen);
    m_state.files.database = chosen;
    m_state.files.kako.clear(); // rebuilt beside the new database
    DeriveSiblingPaths(m_state);
}

void frmListKAKO2::Command1_Click() { m_links->Link(); }

void frmListKAKO2::Command2_Click() { m_links->Unlink(); }

void frmListKAKO2::vsf_Click() { m_links->RowPick(); }

void frmListKAKO2::lstAll_DblClick() { m_links->MoveRight(); }

void frmListKAKO2::lstSelected_DblClick() { m_links->MoveLeft(); }

void frmListKAKO2::Command3_Click()
{
    if (Text1->text().trimmed().isEmpty()) {
        m_prompt.message(MainWindowText::kNoSource, Icon::Critical);
        return;
    }
    const QString destination = Text3->text().trimmed();
    if (destination == MainWindowText::kNowhere || destination.isEmpty()) {
        m_prompt.message(MainWindowText::kNoDestination, Icon::Critical);
        return;
    }
    if (m_linkGrid->Rows() < 2) {
        m_prompt.message(MainWindowText::kNoLinks, Icon::Critical);
        return;
    }

    setCursor(Qt::WaitCursor);
    const bool fresh = m_import.isNull();
    if (fresh) {
        m_import = new DesnHelp(m_state, m_prompt, m_clock);
        m_import->setAttribute(Qt::WA_DeleteOnClose);
        // Both windows always show the mode the run will use.
        connect(m_import, &DesnHelp::execModeChosen, this, [this](int index) {
            if (index >= 0 && index < int(Option2.size()))
                Option2[index]->setChecked(true);
        });
    }
    const FillResult filled = FillImportTable(Text1->text(), gCatalogue, *m_preview, LinksFromGrid(*m_linkGrid),
                                              mTitleRows, m_import->grid(), m_state.sourcePath);
    unsetCursor();
    if (!filled.ok) {
        // A source file moved or deleted since it was read, or a link to a
        // column this file does not have: say so rather than open a table
        // that is empty or wrong.
        m_prompt.message(filled.message, Icon::Exclamation);
        if (fresh)
            delete m_import.data();
        return;
    }
    for (int i = 0; i < int(Option1.size()); ++i)
        if (Option1[i]->isChecked())
            m_import->selectOutKind(i);
    // The import window shows the mode the run will use: a window that says
    // 既存データを削除して転記 while the run appends (or the reverse) misleads.
    m_import->showExecMode(m_state.executionMode);
    if (fresh)
        PlaceOver(m_import, this);
    m_import->show();
    m_import->raise();
    m_import->activateWindow();
}

QStringList frmListKAKO2::sourceTitles() const
{
    QStringList titles;
    // The last source item is the spare slot past the last column.
    for (int i = 0; i + 1 < gSrcItems.size(); ++i)
        titles << gSrcItems.at(i).name;
    return titles;
}

void frmListKAKO2::cmdAutoLink_Click()
{
    if (gSrcItems.size() < 2) {
        m_prompt.message(MainWindowText::kPickSourceFirst, Icon::Exclamation);
        return;
    }
    if (mTitleRows != 1) {
        m_prompt.message(MainWindowText::kAutoLinkNeedsTitles, Icon::Exclamation);
        return;
    }
    // Columns and items linked already, by hand or by an earlier press, stay
    // as they are.
    QList<int> columns, items;
    for (const DataLink &l : m_links->links()) {
        columns << l.Lpoj;
        items << l.Rpoj;
    }
    const AutoLinkResult found = AutoLink(sourceTitles(), m_state.outputKind, columns, items);
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

bool frmListKAKO2::SaveLinkFile(const QString &path)
{
    const QList<DataLink> links = m_links->links();
    if (links.isEmpty()) {
        m_prompt.message(MainWindowText::kNothingToSave, Icon::Exclamation);
        return false;
    }
    QString error;
    if (!WriteLinkFile(path, MakeLinkFile(m_state.outputKind, mTitleRows, links, sourceTitles(), gCatalogue), error)) {
        m_prompt.message(error, Icon::Exclamation);
        return false;
    }
    return true;
}

bool frmListKAKO2::LoadLinkFile(const QString &path)
{
    if (gSrcItems.size() < 2) {
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
    if (Option1[file.kind]->isChecked())
        Option1_Click(file.kind);
    else
        Option1[file.kind]->setChecked(true);
    m_quietKindChange = false;
    OptH[file.titleRows]->setChecked(true);
    OptH_Click(file.titleRows);
    const LinkMatch match = MatchSavedLinks(file, sourceTitles(), int(gSrcItems.size()) - 1, gCatalogue);
    for (const DataLink &l : match.links)
        m_links->AddLink(l.Lpoj, l.Rpoj);
    const QString said = LinkMatchMessage(match);
    if (!said.isEmpty())
        m_prompt.message(said, match.complete() ? Icon::Information : Icon::Exclamation);
    return true;
}

void frmListKAKO2::actLoadLinks_Click()
{
    if (gSrcItems.size() < 2) {
        m_prompt.message(MainWindowText::kPickSourceFirst, Icon::Exclamation);
        return;
    }
    const QString chosen = dlgCommonDialog ? dlgCommonDialog(MainWindowText::kLinkFilter, mInitialFileName) : QString();
    if (!chosen.isEmpty())
        LoadLinkFile(chosen);
}

void frmListKAKO2::actSaveLinks_Click()
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

void frmListKAKO2::actRestore_Click() { RestoreFromBackup(m_state.files, m_prompt); }

void frmListKAKO2::Command4_Click()
{
    if (endProgram)
        endProgram(0);
}

} // namespace tera
