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
    QMenu *fileMenu = nullptr; // ﾌｧｲﾙ(&F)
    QAction *newAction = nullptr;
    QAction *openAction = nullptr;
    QAction *saveAction = nullptr;
    QAction *saveAsAction = nullptr;
    QAction *exitAction = nullptr;

    QMenu *editMenu = nullptr; // 編集(&E)
    QAction *cutAction = nullptr;
    QAction *copyAction = nullptr;
    QAction *pasteAction = nullptr;
    QAction *clearAction = nullptr;     // Delete
    QAction *selectAllAction = nullptr; // Ctrl+A
    QAction *insertSumAction = nullptr;

    QMenu *formatMenu = nullptr; // 書式(&D)
    QAction *gridLinesAction = nullptr;
    QAction *cellFormatAction = nullptr;
    QAction *borderAction = nullptr;
    QAction *rowColumnCountAction = nullptr;

    QMenu *tableMenu = nullptr; // ﾃｰﾌﾞﾙ(&T)
    QAction *sortAction = nullptr;
    QAction *mergeAction = nullptr;
    QAction *totalAction = nullptr;
    QAction *outlineAction = nullptr;
    QAction *databaseAction = nullptr;

    QMenu *operationMenu = nullptr;    // 操作(&O)
    QMenu *rowMenu = nullptr; // 行の操作(&R)
    QAction *insertRowAction = nullptr;
    QAction *addRowAction = nullptr;
    QAction *moveRowAction = nullptr;
    QAction *deleteRowAction = nullptr;
    QMenu *columnMenu = nullptr; // 列の操作(&C)
    QAction *insertColumnAction = nullptr;
    QAction *addColumnAction = nullptr;
    QAction *moveColumnAction = nullptr;
    QAction *deleteColumnAction = nullptr;

    QMenu *helpMenu = nullptr; // ﾍﾙﾌﾟ(&H)
    QAction *helpContentsAction = nullptr;
    QAction *helpSearchAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *aboutSampleAction = nullptr;

    // Its buttons carry their key as data and dispatch on it.
    QToolBar *toolBar = nullptr;
    // The toolbar button of a key ("開く"); null for an unknown key.
    QAction *toolbarButton(const char16_t *key) const;
};

// Builds both into window and wires them to commands.
GridMenus InstallGridMenus(QMainWindow &window, GridCommands &commands);

} // namespace tera
