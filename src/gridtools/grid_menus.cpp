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
    if (!Toolbar1)
        return nullptr;
    const QString wanted = QString::fromUtf16(key);
    for (QAction *action : Toolbar1->actions())
        if (action->data().toString() == wanted)
            return action;
    return nullptr;
}

GridMenus InstallGridMenus(QMainWindow &window, GridCommands &commands)
{
    GridMenus m;
    QMenuBar *bar = window.menuBar();
    GridCommands *c = &commands;

    m.mnuFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    m.mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m.mnuFileNew = entry(m.mnuFile, "mnuFileNew", u"新規作成(&N)");
    m.mnuFileOpen = entry(m.mnuFile, "mnuFileOpen", u"開く(&O)");
    m.mnuFileSave = entry(m.mnuFile, "mnuFileSave", u"保存(&S)");
    m.mnuFileSaveAs = entry(m.mnuFile, "mnuFileSaveAs", u"名前を付けて保存(&A)...");
    m.mnuFile->addSeparator();
    m.mnuFileExit = entry(m.mnuFile, "mnuFileExit", u"終了(&X)");

    m.mnuEdit = bar->addMenu(QStringLiteral("編集(&E)"));
    m.mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    m.mnuEditCut = entry(m.mnuEdit, "mnuEditCut", u"切り取り(&T)");
    m.mnuEditCopy = entry(m.mnuEdit, "mnuEditCopy", u"ｺﾋﾟｰ(&C)");
    m.mnuEditPaste = entry(m.mnuEdit, "mnuEditPaste", u"貼り付け(&P)");
    m.mnuEditClear = entry(m.mnuEdit, "mnuEditClear", u"消去(&L)");
    m.mnuEditSelectAll = entry(m.mnuEdit, "mnuEditSelectAll", u"すべて選択(&A)");
    m.mnuEdit->addSeparator();
    m.mnuInsertSum = entry(m.mnuEdit, "mnuInsertSum", u"小計行の挿入(&S)");

    m.mnuDisp = bar->addMenu(QStringLiteral("書式(&D)"));
    m.mnuDisp->setObjectName(QStringLiteral("mnuDisp"));
    m.mnuDispGrid = entry(m.mnuDisp, "mnuDispGrid", u"ｸﾞﾘｯﾄﾞの設定(&G)");
    m.mnuDispCellFormat = entry(m.mnuDisp, "mnuDispCellFormat", u"ｾﾙの書式(&F)");
    m.mnuDispBorder = entry(m.mnuDisp, "mnuDispBorder", u"罫線の設定(&B)");
    m.mnuRowCol = entry(m.mnuDisp, "mnuRowCol", u"行・列の設定(&S)");

    m.mnuTable = bar->addMenu(QStringLiteral("ﾃｰﾌﾞﾙ(&T)"));
    m.mnuTable->setObjectName(QStringLiteral("mnuTable"));
    m.mnuTableSort = entry(m.mnuTable, "mnuTableSort", u"ｿｰﾄ設定(&S)");
    m.mnuTableMerge = entry(m.mnuTable, "mnuTableMerge", u"ﾏｰｼﾞ設定(&M)");
    m.mnuTableTotal = entry(m.mnuTable, "mnuTableTotal", u"小計行の設定(&T)");
    m.mnuTableOutline = entry(m.mnuTable, "mnuTableOutline", u"ｱｳﾄﾗｲﾝ設定(&O)");
    m.mnuTableDB = entry(m.mnuTable, "mnuTableDB", u"ﾃﾞｰﾀﾊﾞｳﾝﾄﾞ(&D)");

    m.mnuOp = bar->addMenu(QStringLiteral("操作(&O)"));
    m.mnuOp->setObjectName(QStringLiteral("mnuOp"));
    m.mnuOpRow = submenu(m.mnuOp, "mnuOpRow", u"行の操作(&R)");
    m.mnuOp->addMenu(m.mnuOpRow);
    m.mnuOpRowIns = entry(m.mnuOpRow, "mnuOpRowIns", u"挿入(&I)");
    m.mnuOpRowAdd = entry(m.mnuOpRow, "mnuOpRowAdd", u"追加(&A)");
    m.mnuOpRowMov = entry(m.mnuOpRow, "mnuOpRowMov", u"移動(&M)");
    m.mnuOpRowDel = entry(m.mnuOpRow, "mnuOpRowDel", u"削除(&D)");
    m.mnuOpCol = submenu(m.mnuOp, "mnuOpCol", u"列の操作(&C)");
    m.mnuOp->addMenu(m.mnuOpCol);
    m.mnuOpColIns = entry(m.mnuOpCol, "mnuOpColIns", u"挿入(&I)");
    m.mnuOpColAdd = entry(m.mnuOpCol, "mnuOpColAdd", u"追加(&A)");
    m.mnuOpColMov = entry(m.mnuOpCol, "mnuOpColMov", u"移動(&M)");
    m.mnuOpColDel = entry(m.mnuOpCol, "mnuOpColDel", u"削除(&D)");

    m.mnuHelp = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    m.mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    m.mnuHelpContents = entry(m.mnuHelp, "mnuHelpContents", u"目次(&C)");
    m.mnuHelpSearch = entry(m.mnuHelp, "mnuHelpSearch", u"ﾄﾋﾟｯｸの検索(&S)...");
    m.mnuHelp->addSeparator();
    m.mnuHelpAbout = entry(m.mnuHelp, "mnuHelpAbout", u"ﾊﾞｰｼﾞｮﾝ情報(&A)...");
    m.mnuAboutSample = entry(m.mnuHelp, "mnuAboutSample", u"ｻﾝﾌﾟﾙについて(&A)");

    // The standard keys of the grid's clipboard commands, shown in the menu;
    // they act while the grid (or a cell being edited, which keeps its own
    // keys) has the focus.
    const std::pair<QAction *, QKeySequence> keys[] = {
        {m.mnuEditCut, QKeySequence::Cut},         {m.mnuEditCopy, QKeySequence::Copy},
        {m.mnuEditPaste, QKeySequence::Paste},     {m.mnuEditClear, QKeySequence::Delete},
        {m.mnuEditSelectAll, QKeySequence::SelectAll},
    };
    for (const auto &[action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        if (QWidget *view = commands.view())
            view->addAction(action);
    }
    // Entries this window does not carry out keep their place, greyed out.
    for (QAction *idle : {m.mnuInsertSum, m.mnuDispGrid, m.mnuDispCellFormat, m.mnuDispBorder, m.mnuTableMerge,
                          m.mnuTableTotal, m.mnuTableOutline, m.mnuTableDB, m.mnuHelpContents, m.mnuHelpSearch,
                          m.mnuHelpAbout, m.mnuAboutSample})
        idle->setEnabled(false);

    const auto wire = [&window](QAction *action, auto slot) { QObject::connect(action, &QAction::triggered, &window, slot); };
    wire(m.mnuFileNew, [c] { c->FileNew(); });
    wire(m.mnuFileOpen, [c] { c->FileOpen(); });
    wire(m.mnuFileSave, [c] { c->FileSave(); });
    wire(m.mnuFileSaveAs, [c] { c->FileSaveAs(); });
    wire(m.mnuFileExit, [w = &window] { w->close(); });
    wire(m.mnuEditCut, [c] { c->EditCut(); });
    wire(m.mnuEditCopy, [c] { c->EditCopy(); });
    wire(m.mnuEditPaste, [c] { c->EditPaste(); });
    wire(m.mnuEditClear, [c] { c->EditClear(); });
    wire(m.mnuEditSelectAll, [c] { c->EditSelectAll(); });
    wire(m.mnuRowCol, [c] { c->ShowRowCol(); });
    wire(m.mnuTableSort, [c] { c->ShowSort(); });
    wire(m.mnuOpRowIns, [c] { c->RowIns(); });
    wire(m.mnuOpRowAdd, [c] { c->RowAdd(); });
    wire(m.mnuOpRowMov, [c] { c->RowMov(); });
    wire(m.mnuOpRowDel, [c] { c->RowDel(); });
    wire(m.mnuOpColIns, [c] { c->ColIns(); });
    wire(m.mnuOpColAdd, [c] { c->ColAdd(); });
    wire(m.mnuOpColMov, [c] { c->ColMov(); });
    wire(m.mnuOpColDel, [c] { c->ColDel(); });

    m.Toolbar1 = new QToolBar(QStringLiteral("Toolbar1"), &window);
    m.Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m.Toolbar1->setMovable(false);
    m.Toolbar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
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
        QAction *action = m.Toolbar1->addAction(toolbarIcon(window.style(), QLatin1String(b.image)), key);
        action->setData(key);
        action->setObjectName(QStringLiteral("Toolbar1_") + QLatin1String(b.image).toString().remove(QLatin1Char(' ')));
        action->setToolTip(QString::fromUtf16(b.tooltip));
        QObject::connect(action, &QAction::triggered, &window, [c, key] { c->onToolbarButton(key); });
    }
    window.addToolBar(Qt::TopToolBarArea, m.Toolbar1);
    return m;
}

} // namespace tera
