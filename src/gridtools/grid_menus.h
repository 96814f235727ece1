#pragma once

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace tera {

class GridCommands;

// The menu bar and the toolbar of the import table window. Entries without a
// command of their own are there, disabled.
struct GridMenus {
    QMenu *mnuFile = nullptr; // ﾌｧｲﾙ(&F)
    QAction *mnuFileNew = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileSave = nullptr;
    QAction *mnuFileSaveAs = nullptr;
    QAction *mnuFileExit = nullptr;

    QMenu *mnuEdit = nullptr; // 編集(&E)
    QAction *mnuEditCut = nullptr;
    QAction *mnuEditCopy = nullptr;
    QAction *mnuEditPaste = nullptr;
    QAction *mnuEditClear = nullptr;     // Delete
    QAction *mnuEditSelectAll = nullptr; // Ctrl+A
    QAction *mnuInsertSum = nullptr;

    QMenu *mnuDisp = nullptr; // 書式(&D)
    QAction *mnuDispGrid = nullptr;
    QAction *mnuDispCellFormat = nullptr;
    QAction *mnuDispBorder = nullptr;
    QAction *mnuRowCol = nullptr;

    QMenu *mnuTable = nullptr; // ﾃｰﾌﾞﾙ(&T)
    QAction *mnuTableSort = nullptr;
    QAction *mnuTableMerge = nullptr;
    QAction *mnuTableTotal = nullptr;
    QAction *mnuTableOutline = nullptr;
    QAction *mnuTableDB = nullptr;

    QMenu *mnuOp = nullptr;    // 操作(&O)
    QMenu *mnuOpRow = nullptr; // 行の操作(&R)
    QAction *mnuOpRowIns = nullptr;
    QAction *mnuOpRowAdd = nullptr;
    QAction *mnuOpRowMov = nullptr;
    QAction *mnuOpRowDel = nullptr;
    QMenu *mnuOpCol = nullptr; // 列の操作(&C)
    QAction *mnuOpColIns = nullptr;
    QAction *mnuOpColAdd = nullptr;
    QAction *mnuOpColMov = nullptr;
    QAction *mnuOpColDel = nullptr;

    QMenu *mnuHelp = nullptr; // ﾍﾙﾌﾟ(&H)
    QAction *mnuHelpContents = nullptr;
    QAction *mnuHelpSearch = nullptr;
    QAction *mnuHelpAbout = nullptr;
    QAction *mnuAboutSample = nullptr;

    // Its buttons carry their key as data and dispatch on it.
    QToolBar *Toolbar1 = nullptr;
    // The toolbar button of a key ("開く"); null for an unknown key.
    QAction *toolbarButton(const char16_t *key) const;
};

// Builds both into window and wires them to commands.
GridMenus InstallGridMenus(QMainWindow &window, GridCommands &commands);

} // namespace tera
