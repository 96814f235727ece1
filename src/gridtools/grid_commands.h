#pragma once
#include "platform/prompt.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tera {

class FileKindChooser;
class GridModel;
class GridView;
class InputDialog;
class RowColumnDialog;
class SortDialog;

// The fixed texts of the grid commands.
namespace GridToolText {
inline const QString kUnknownDoc = QStringLiteral("Unknown.vsg");
// The file-dialog filter of Open, Save As.
inline const QString kFilter =
    QStringLiteral("ｸﾞﾘｯﾄﾞﾌｧｲﾙ (*.vsg)|*.vsg|CSVﾌｧｲﾙ(*.CSV)|*.csv|Text(*.txt)|*.txt|総てのﾌｧｲﾙ(*.*)|*.*");
inline const QString kSaveFirst = QStringLiteral("現在のｸﾞﾘｯﾄﾞをｾｰﾌﾞしますか？");
inline const QString kCancelled = QStringLiteral("ｷｬﾝｾﾙしました。");
inline const QString kOpenedCaption = QStringLiteral("データインポート ");
inline const QString kCloseCaption = QStringLiteral("終了");
inline const QString kCloseQuestion = QStringLiteral("終了します。") + QStringLiteral("\r\n")
                                      + QStringLiteral("よろしいですか？") + QStringLiteral("\r\n")
                                      + QStringLiteral("(保存していないグリッドのデータは消去されます)");
QString overwriteQuestion(const QString &docName);

inline const QString kMoveRowPrompt = QStringLiteral("移動後の行の位置を入力してください。");
inline const QString kMoveColPrompt = QStringLiteral("移動後の列の位置を入力してください。");

// What the grid or the clipboard refused; the table is left as it was.
inline const QString kClipboardNotWritten =
    QStringLiteral("クリップボードに書き込めませんでした。表は変更していません。");
inline const QString kClipboardNotRead = QStringLiteral("クリップボードを読み込めませんでした。表は変更していません。");
inline const QString kClipboardNoText = QStringLiteral("クリップボードに貼り付けられる文字がありません。");
inline const QString kNewFailed = QStringLiteral("新しい表を作成できませんでした。");
inline const QString kRowsFull = QStringLiteral("行数が上限に達しているため、行を増やせません。");
inline const QString kColsFull = QStringLiteral("列数が上限に達しているため、列を増やせません。");
inline const QString kRowNotInserted = QStringLiteral("見出しの行より上には行を挿入できません。");
inline const QString kRowNotDeleted = QStringLiteral("見出しの行は削除できません。");
inline const QString kRowNotMoved = QStringLiteral("行を移動できません。見出しの行は動かせず、見出しの位置や表の外へも移動できません。");
inline const QString kNoCurrentCol = QStringLiteral("列が選ばれていません。操作する列のセルを選んでください。");
inline const QString kColNotInserted = QStringLiteral("見出しの列より左には列を挿入できません。");
inline const QString kColNotDeleted = QStringLiteral("見出しの列は削除できません。");
inline const QString kColNotMoved = QStringLiteral("列を移動できません。見出しの列は動かせず、見出しの位置や表の外へも移動できません。");
// A table whose columns are fixed items (the import table): a column keeps
// its item, so its place cannot change.
inline const QString kItemColNotInserted =
    QStringLiteral("この表の列はそれぞれ書き出し項目に決まっているため、列を挿入・追加できません。\r\n"
                   "列を入れ替えるときは、メイン画面でデータリンクを設定し直して読込実行してください。");
inline const QString kItemColNotMoved =
    QStringLiteral("この表の列はそれぞれ書き出し項目に決まっているため、列を移動できません。\r\n"
                   "列を入れ替えるときは、メイン画面でデータリンクを設定し直して読込実行してください。");
} // namespace GridToolText

// The document, clipboard and row/column commands of a window's grid: the
// import table window hangs them off its menu bar and toolbar. The file
// pickers, the clipboard and the questions that need more than the prompt
// offers are replaceable, so that tests drive every path without a real
// dialog.
class GridCommands : public QObject {
    Q_OBJECT
public:
    // docName is the window's document name, read and written here; kinds
    // asks how a file is read or written.
    GridCommands(QWidget *window, GridModel &grid, GridView *view, QString &docName, Prompt &prompt,
                 FileKindChooser &kinds);

    // File pickers: the chosen path, or empty when the user cancelled.
    std::function<QString(const QString &filter, const QString &initialName)> openFileName;
    std::function<QString(const QString &filter, const QString &proposedName)> saveFileName;
    // The clipboard's plain text: put gives false when the clipboard did not
    // take the text; read gives nothing when it cannot be read.
    std::function<bool(const QString &text)> putClipboard;
    std::function<std::optional<QString>()> readClipboard;
    // The sheet of a workbook to open: empty text for the sheet it opens on,
    // a sheet's name, or nothing when the user turned the question away.
    // Unset, a workbook opens on its own sheet.
    std::function<std::optional<QString>(const QString &path)> chooseSheet;
    // "Save first?" with Yes, No and Cancel.
    std::function<Answer(const QString &text)> askSaveFirst;
    // The closing question, with the caption 終了, Yes and No.
    std::function<Answer(const QString &text)> askClose;

    // The columns are items (the import table): a column delete empties
    // the column's cells and keeps its heading; insert, add and move are
    // refused, since every later column would take another item's values.
    bool columnsAreItems = false;

    // The grid view the commands work on.
    GridView *view() const { return m_view; }

    enum class SaveOutcome { Saved, Cancelled, Failed };

    // --- documents
    void FileNew();
    void FileOpen();
    SaveOutcome FileSave();
    void FileSaveAs();
    // True when the window may close.
    bool confirmClose();

    // --- clipboard. The text of a selection: cells joined by TAB, every row
    // (the last one too) followed by rowEnd.
    static QString RangeText(const GridModel &grid, const QString &rowEnd);
    void EditCopy();
    void EditCut();
    void EditPaste();
    // Delete: empties the selected cells (headings stay); nothing in a grid
    // that cannot be edited.
    void EditClear();
    // Selects every cell below and right of the headings.
    void EditSelectAll();

    // --- rows and columns
    void RowIns();
    void RowAdd();
    void RowMov();
    void RowDel();
    void ColIns();
    void ColAdd();
    void ColMov();
    void ColDel();

    // --- dialogs
    void ShowRowCol();
    void ShowSort();
    // The number, row/column size and sort dialogs, children of the window.
    InputDialog &inputDialog();
    RowColumnDialog &rowColumnDialog();
    SortDialog &sortDialog();
    // The folder a document name without one is saved in; empty for the
    // process's current folder.
    void setDocumentFolder(const QString &folder) { m_documentFolder = folder; }

    // Double-click on the grid: edit the current cell.
    void editCurrentCell();
    // The toolbar: the key of the pressed button.
    void onToolbarButton(const QString &key);

private:
    void show(const QString &text, Icon icon = Icon::Exclamation);
    bool addColumnAt(int index);

    QPointer<QWidget> m_window;
    GridModel &m_grid;
    GridView *m_view;
    QString &m_docName;
    Prompt &m_prompt;
    FileKindChooser &m_kinds;
    QString m_documentFolder;
    QPointer<InputDialog> m_input;
    QPointer<RowColumnDialog> m_rowColumn;
    QPointer<SortDialog> m_sort;
};

} // namespace tera
