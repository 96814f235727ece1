#include "gridtools/grid_menus.h"

#include "gridtools/grid_commands.h"
#include "gridtools/grid_view.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <utility>

namespace tera {

namespace {

QAction *entry(QMenu *menu, const char *name, const char16_t *caption)
{
    QAction *action = menu->addAction(QString::fromUtf16(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu *submenu(QWidget *parent, const char *name, const char16_t *caption)
{
    auto *menu = new QMenu(QString::fromUtf16(caption), parent);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

// The icon of a toolbar image key: the icon theme's picture of that very
// command. Where the theme has none, the style's picture only when it means
// the same; otherwise no picture, and the text beside the button says it.
QIcon toolbarIcon(const QStyle *style, const QString &imageKey)
{
    struct Image {
        const char *key;
        const char *theme;
        QStyle::StandardPixmap fallback; // SP_CustomBase: none that fits
    };
    static const Image images[] = {
        {"Close", "window-close", QStyle::SP_DialogCloseButton},
        {"New", "document-new", QStyle::SP_FileIcon},
        {"Open", "document-open", QStyle::SP_DialogOpenButton},
        {"Save", "document-save", QStyle::SP_DialogSaveButton},
        {"Copy", "edit-copy", QStyle::SP_CustomBase},
        {"Cut", "edit-cut", QStyle::SP_CustomBase},
        {"Paste", "edit-paste", QStyle::SP_CustomBase},
        {"Sort Ascending", "view-sort-ascending", QStyle::SP_CustomBase},
    };
    for (const Image &image : images) {
        if (imageKey != QLatin1String(image.key))
            continue;
        const QString name = QLatin1String(image.theme);
        for (const QString &themed : {name, name + QStringLiteral("-symbolic")})
            if (QIcon::hasThemeIcon(themed))
                return QIcon::fromTheme(themed);
        return image.fallback == QStyle::SP_CustomBase ? QIcon() : style->standardIcon(image.fallback);
    }
    return QIcon();
}

} // namespace

QAction *GridMenus::toolbarButton(const char16_t *key) const
{
    if (!toolBar)
        return nullptr;
    const QString wanted = QString::fromUtf16(key);
    for (QAction *action : toolBar->actions())
        if (action->data().toString() == wanted)
            return action;
    return nullptr;
}

namespace {

void addFileAndEditMenus(QMenuBar *bar, GridMenus &m)
{
    m.fileMenu = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    m.fileMenu->setObjectName(QStringLiteral("mnuFile"));
    m.newAction = entry(m.fileMenu, "mnuFileNew", u"新規作成(&N)");
    m.openAction = entry(m.fileMenu, "mnuFileOpen", u"開く(&O)");
    m.saveAction = entry(m.fileMenu, "mnuFileSave", u"保存(&S)");
    m.saveAsAction = entry(m.fileMenu, "mnuFileSaveAs", u"名前を付けて保存(&A)...");
    m.fileMenu->addSeparator();
    m.exitAction = entry(m.fileMenu, "mnuFileExit", u"終了(&X)");

    m.editMenu = bar->addMenu(QStringLiteral("編集(&E)"));
    m.editMenu->setObjectName(QStringLiteral("mnuEdit"));
    m.cutAction = entry(m.editMenu, "mnuEditCut", u"切り取り(&T)");
    m.copyAction = entry(m.editMenu, "mnuEditCopy", u"ｺﾋﾟｰ(&C)");
    m.pasteAction = entry(m.editMenu, "mnuEditPaste", u"貼り付け(&P)");
    m.clearAction = entry(m.editMenu, "mnuEditClear", u"消去(&L)");
    m.selectAllAction = entry(m.editMenu, "mnuEditSelectAll", u"すべて選択(&A)");
    m.editMenu->addSeparator();
    m.insertSumAction = entry(m.editMenu, "mnuInsertSum", u"小計行の挿入(&S)");
}

void addFormatAndTableMenus(QMenuBar *bar, GridMenus &m)
{
    m.formatMenu = bar->addMenu(QStringLiteral("書式(&D)"));
    m.formatMenu->setObjectName(QStringLiteral("mnuDisp"));
    m.gridLinesAction = entry(m.formatMenu, "mnuDispGrid", u"ｸﾞﾘｯﾄﾞの設定(&G)");
    m.cellFormatAction = entry(m.formatMenu, "mnuDispCellFormat", u"ｾﾙの書式(&F)");
    m.borderAction = entry(m.formatMenu, "mnuDispBorder", u"罫線の設定(&B)");
    m.rowColumnCountAction = entry(m.formatMenu, "mnuRowCol", u"行・列の設定(&S)");

    m.tableMenu = bar->addMenu(QStringLiteral("ﾃｰﾌﾞﾙ(&T)"));
    m.tableMenu->setObjectName(QStringLiteral("mnuTable"));
    m.sortAction = entry(m.tableMenu, "mnuTableSort", u"ｿｰﾄ設定(&S)");
    m.mergeAction = entry(m.tableMenu, "mnuTableMerge", u"ﾏｰｼﾞ設定(&M)");
    m.totalAction = entry(m.tableMenu, "mnuTableTotal", u"小計行の設定(&T)");
    m.outlineAction = entry(m.tableMenu, "mnuTableOutline", u"ｱｳﾄﾗｲﾝ設定(&O)");
    m.databaseAction = entry(m.tableMenu, "mnuTableDB", u"ﾃﾞｰﾀﾊﾞｳﾝﾄﾞ(&D)");
}

void addOperationAndHelpMenus(QMenuBar *bar, GridMenus &m)
{
    m.operationMenu = bar->addMenu(QStringLiteral("操作(&O)"));
    m.operationMenu->setObjectName(QStringLiteral("mnuOp"));
    m.rowMenu = submenu(m.operationMenu, "mnuOpRow", u"行の操作(&R)");
    m.operationMenu->addMenu(m.rowMenu);
    m.insertRowAction = entry(m.rowMenu, "mnuOpRowIns", u"挿入(&I)");
    m.addRowAction = entry(m.rowMenu, "mnuOpRowAdd", u"追加(&A)");
    m.moveRowAction = entry(m.rowMenu, "mnuOpRowMov", u"移動(&M)");
    m.deleteRowAction = entry(m.rowMenu, "mnuOpRowDel", u"削除(&D)");
    m.columnMenu = submenu(m.operationMenu, "mnuOpCol", u"列の操作(&C)");
    m.operationMenu->addMenu(m.columnMenu);
    m.insertColumnAction = entry(m.columnMenu, "mnuOpColIns", u"挿入(&I)");
    m.addColumnAction = entry(m.columnMenu, "mnuOpColAdd", u"追加(&A)");
    m.moveColumnAction = entry(m.columnMenu, "mnuOpColMov", u"移動(&M)");
    m.deleteColumnAction = entry(m.columnMenu, "mnuOpColDel", u"削除(&D)");

    m.helpMenu = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    m.helpMenu->setObjectName(QStringLiteral("mnuHelp"));
    m.helpContentsAction = entry(m.helpMenu, "mnuHelpContents", u"目次(&C)");
    m.helpSearchAction = entry(m.helpMenu, "mnuHelpSearch", u"ﾄﾋﾟｯｸの検索(&S)...");
    m.helpMenu->addSeparator();
    m.aboutAction = entry(m.helpMenu, "mnuHelpAbout", u"ﾊﾞｰｼﾞｮﾝ情報(&A)...");
    m.aboutSampleAction = entry(m.helpMenu, "mnuAboutSample", u"ｻﾝﾌﾟﾙについて(&A)");
}

void setClipboardKeys(const GridMenus &m, GridCommands &commands)
{
    // The standard keys of the grid's clipboard commands, shown in the menu;
    // they act while the grid (or a cell being edited, which keeps its own
    // keys) has the focus.
    const std::pair<QAction *, QKeySequence> keys[] = {
        {m.cutAction, QKeySequence::Cut},         {m.copyAction, QKeySequence::Copy},
        {m.pasteAction, QKeySequence::Paste},     {m.clearAction, QKeySequence::Delete},
        {m.selectAllAction, QKeySequence::SelectAll},
    };
    for (const auto &[action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        if (QWidget *view = commands.view())
            view->addAction(action);
    }
}

void disableIdleEntries(const GridMenus &m)
{
    // Entries this window does not carry out keep their place, greyed out.
    for (QAction *idle : {m.insertSumAction, m.gridLinesAction, m.cellFormatAction, m.borderAction, m.mergeAction,
                          m.totalAction, m.outlineAction, m.databaseAction, m.helpContentsAction, m.helpSearchAction,
                          m.aboutAction, m.aboutSampleAction})
        idle->setEnabled(false);
}

void wireCommands(QMainWindow &window, const GridMenus &m, GridCommands *c)
{
    const auto wire = [&window](QAction *action, auto slot) { QObject::connect(action, &QAction::triggered, &window, slot); };
    wire(m.newAction, [c] { c->FileNew(); });
    wire(m.openAction, [c] { c->FileOpen(); });
    wire(m.saveAction, [c] { c->FileSave(); });
    wire(m.saveAsAction, [c] { c->FileSaveAs(); });
    wire(m.exitAction, [w = &window] { w->close(); });
    wire(m.cutAction, [c] { c->EditCut(); });
    wire(m.copyAction, [c] { c->EditCopy(); });
    wire(m.pasteAction, [c] { c->EditPaste(); });
    wire(m.clearAction, [c] { c->EditClear(); });
    wire(m.selectAllAction, [c] { c->EditSelectAll(); });
    wire(m.rowColumnCountAction, [c] { c->ShowRowCol(); });
    wire(m.sortAction, [c] { c->ShowSort(); });
    wire(m.insertRowAction, [c] { c->RowIns(); });
    wire(m.addRowAction, [c] { c->RowAdd(); });
    wire(m.moveRowAction, [c] { c->RowMov(); });
    wire(m.deleteRowAction, [c] { c->RowDel(); });
    wire(m.insertColumnAction, [c] { c->ColIns(); });
    wire(m.addColumnAction, [c] { c->ColAdd(); });
    wire(m.moveColumnAction, [c] { c->ColMov(); });
    wire(m.deleteColumnAction, [c] { c->ColDel(); });
}

QToolBar *buildToolBar(QMainWindow &window, GridCommands *c)
{
    auto *toolBar = new QToolBar(QStringLiteral("Toolbar1"), &window);
    toolBar->setObjectName(QStringLiteral("Toolbar1"));
    toolBar->setMovable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    struct Button {
        const char16_t *key;
        const char16_t *tooltip;
        const char *image;
    };
    static const Button buttons[] = {
        {u"終了", u"インポート画面を閉じます", "Close"},
        {u"新規作成", u"新規作成", "New"},
        {u"開く", u"開く", "Open"},
        {u"上書き保存", u"上書き保存", "Save"},
        {u"ｺﾋﾟｰ", u"選択したセルをコピーします", "Copy"},
        {u"切り取り", u"選択したセルを切り取ります", "Cut"},
        {u"貼り付け", u"クリップボードの内容を、選択したセルから貼り付けます", "Paste"},
        {u"並べ替え", u"並べ替えの設定を開きます", "Sort Ascending"},
    };
    for (const Button &b : buttons) {
        const QString key = QString::fromUtf16(b.key);
        QAction *action = toolBar->addAction(toolbarIcon(window.style(), QLatin1String(b.image)), key);
        action->setData(key);
        action->setObjectName(QStringLiteral("Toolbar1_") + QLatin1String(b.image).toString().remove(QLatin1Char(' ')));
        action->setToolTip(QString::fromUtf16(b.tooltip));
        QObject::connect(action, &QAction::triggered, &window, [c, key] { c->onToolbarButton(key); });
    }
    return toolBar;
}

} // namespace

GridMenus InstallGridMenus(QMainWindow &window, GridCommands &commands)
{
    GridMenus m;
    QMenuBar *bar = window.menuBar();
    GridCommands *c = &commands;

    addFileAndEditMenus(bar, m);
    addFormatAndTableMenus(bar, m);
    addOperationAndHelpMenus(bar, m);
    setClipboardKeys(m, commands);
    disableIdleEntries(m);
    wireCommands(window, m, c);
    m.toolBar = buildToolBar(window, c);
    window.addToolBar(Qt::TopToolBarArea, m.toolBar);
    return m;
}

} // namespace tera
