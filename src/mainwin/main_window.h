#pragma once
#include "session/import_session.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tera {
class Clock;
class LinkEditor;
class FileKindDialog;
class ImportWindow;
class GridModel;
class GridView;
class Prompt;

// The main window's messages.
namespace MainWindowText {
inline const QString kTitleAtLoad = QStringLiteral("fileRead");
// Every kind the program reads first, so that a CSV file is not hidden
// behind the first of the fixed filters.
inline const QString kSourceFilter =
    QStringLiteral("読み込めるファイル (*.csv *.txt *.tsv *.vsg *.xlsx *.xlsm *.xls *.ods)|"
                   "*.csv;*.txt;*.tsv;*.vsg;*.xlsx;*.xlsm;*.xls;*.ods|"
                   "Excelブック (*.xlsx *.xlsm *.xls)|*.xlsx;*.xlsm;*.xls|OpenDocument表計算 (*.ods)|*.ods|"
                   "Takselデータ (*.txt)|*.txt|CSVデータ (*.CSV)|*.CSV|すべてのﾌｧｲﾙ(*.*)|*.*|");
inline const QString kDatabaseFilter = QStringLiteral("Rakselデータ (tera.mdb)|*.mdb");
inline const QString kCancelled = QStringLiteral("ｷｬﾝｾﾙしました。");
inline const QString kNoSource = QStringLiteral("読み出しCSVファイルを設定してから実行してください！");
inline const QString kNoDestination = QStringLiteral("書き出しファイルを設定してから実行してください！");
inline const QString kNoLinks = QStringLiteral("リンクを設定してから実行してください！");
inline const QString kNowhere = QStringLiteral("どこにも無い");
// Saved links, auto-link.
inline const QString kLinkFilter = QStringLiteral("データリンク (*.json)|*.json|すべてのﾌｧｲﾙ(*.*)|*.*|");
inline const QString kPickSourceFirst = QStringLiteral("読込みファイルを選んでから実行してください。");
inline const QString kNothingToSave = QStringLiteral("保存するリンクがありません。リンクを設定してから保存してください。");
inline const QString kAutoLinkNeedsTitles =
    QStringLiteral("自動リンクは表題のあるファイルで使います。「表題あり」を選んでから実行してください。");
inline const QString kAutoLinkNone = QStringLiteral("表題が書き出し項目の名前と同じ列はありませんでした。");
inline QString autoLinked(int n) { return QStringLiteral("%1 列をリンクしました。").arg(n); }
inline QString linksDropped(int n)
{
    return QStringLiteral("書き出しデータの区分を変えたため、設定していたリンク %1 件を解除しました。").arg(n);
}
inline const QString kSourceNotRead =
    QStringLiteral("読込み選択ファイルの欄のファイルは、まだ読み込んでいません。\r\n"
                   "Enter キーか参照ボタンで読み込んでから、読込実行してください。");
inline const QString kDiscardEditsQuestion =
    QStringLiteral("インポート画面の表は、読み込んだ後に変更されています。\r\n"
                   "読込実行をやり直すと、変更した内容は消えます。よろしいですか？");
inline const QString kNoDatabaseFile = QStringLiteral("ファイルがありません。");
inline const QString kNotADatabase = QStringLiteral("データベースとして開けないか、読めません。");
inline QString databaseNotOpened(const QString &path, const QString &why)
{
    return QStringLiteral("このデータベースは使えないため、前のデータベースのままにしました。\r\n%1\r\n%2").arg(path, why);
}
inline QString noSuchSource(const QString &path)
{
    return QStringLiteral("読み込むファイルが見つかりません。\r\n%1").arg(path);
}
} // namespace MainWindowText

// MainWindow: the window start-up shows. Top to bottom the user names the
// source file and the database, says whether the file has a title line,
// picks the output kind and the execution mode, links source columns to
// destination items, and presses 読込実行, which fills the import table and
// opens the import window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppState &state, Prompt &prompt, const Clock &clock, QWidget *parent = nullptr);
    ~MainWindow() override;

    // --- controls, top to bottom (docs/objects.md gives each one's object
    // name, the product's name for it)
    QGroupBox *sourceBox; // 読込み選択ファイル(CSV/TEXT)
    QLineEdit *sourcePathEdit; // the source file's full path
    QToolButton *sourceBrowseButton;
    QGroupBox *databaseBox; // 書出しファイルパス(tera.mdb)
    QLineEdit *databasePathEdit; // the destination as shown to the user
    QToolButton *databaseBrowseButton;
    QGroupBox *titleRowBox; // 元ファイルの表題の区分
    std::array<QRadioButton *, 2> titleRowButtons{}; // 表題なし, 表題あり
    QGroupBox *outputKindBox; // 書き出しデータの区分
    std::array<QRadioButton *, 3> outputKindButtons{}; // members, households, death register
    QGroupBox *executionModeBox; // 実行区分
    std::array<QRadioButton *, 2> executionModeButtons{}; // replace, append
    GridView *sourceGrid; // preview of the source file
    QGroupBox *sourceItemsBox; // 読込みデータ・項目
    QListWidget *sourceItems; // one line per source column
    QGroupBox *targetItemsBox; // 書き出し項目
    QListWidget *targetItems; // the output kind's items a column can be linked to
    QGroupBox *linksBox; // データリンク設定内容
    GridView *linkTable; // the links made: one row per source column and item
    QPushButton *linkButton; // リンク
    QPushButton *unlinkButton; // 解除
    QPushButton *runButton; // 読込実行
    QPushButton *quitButton; // 終了
    QPushButton *autoLinkButton; // 自動リンク
    QAction *loadLinksAction; // データリンクを開く…
    QAction *saveLinksAction; // データリンクを保存…
    QAction *autoLinkAction; // 自動リンク
    QAction *restoreAction; // バックアップから元に戻す…

    // The file-open dialog (filter, initial file name) ->
    // the chosen path, empty when cancelled. Tests replace it.
    std::function<QString(const QString &filter, const QString &initialName)> openFileDialog;
    // The file-save dialog (filter, initial file name) -> the chosen path,
    // empty when cancelled. Tests replace it.
    std::function<QString(const QString &filter, const QString &initialName)> saveFileDialog;
    // How 終了 ends the program; tests replace it.
    std::function<void(int)> endProgram;

    // --- window state (the import's own state is the session's)
    QString initialFileName; // offered by the file dialogs; stays empty

    GridModel &preview() { return *m_preview; }
    // The import this window and the import window work on.
    ImportSession &session() { return *m_session; }
    GridModel &linkGrid() { return *m_linkGrid; }
    LinkEditor &links() { return *m_links; }
    // The import window, while it is open.
    ImportWindow *importWindow() const;
    // The file-kind dialog of the source pick, which the import window's
    // file commands share (a choice made in one is offered in the other).
    FileKindDialog &fileKindDialog() { return *m_fileKinds; }

    // The end of the source pick: reads the file into the preview with file
    // kind kind, rebuilds the source items and names the file in the title.
    // False when it could not be read (the user has been told; the preview
    // stays empty).
    bool ReadSourceFile(const QString &path, int kind);

    // Saved links: writes the link grid with the output kind and the title
    // option; reads one back onto the source file now loaded, choosing its
    // kind and title option, and says which of its source columns this file
    // does not have. False (after a message) when nothing was saved or read.
    bool SaveLinkFile(const QString &path);
    bool LoadLinkFile(const QString &path);

public slots:
    void onTitleRowsClicked(int index);
    void onOutputKindClicked(int index);
    void onExecutionModeClicked(int index);
    void onSourceBrowseClicked();
    // Enter in 読込み選択ファイル: reads the typed path as the file button
    // reads the chosen one.
    void onSourcePathEntered();
    void onDatabaseBrowseClicked();
    // Enter in the database box: the typed path is opened as a chosen one.
    void onDatabasePathEntered();
    void onLinkClicked();
    void onUnlinkClicked();
    void onRunClicked();
    void onQuitClicked();
    void onLinkTableClicked();
    void onSourceItemDoubleClicked();
    void onTargetItemDoubleClicked();
    // 自動リンク: links every source title that is an item's name or label.
    void onAutoLinkClicked();
    void onLoadLinks();
    void onSaveLinks();
    // バックアップから元に戻す: tera2.mdb and kako2.rnd back in place.
    void onRestore();

    // The settings key of the folder a file dialog with filter starts in.
    static QString dialogPurpose(const QString &filter);

protected:
    // Closing asks first while the import table holds rows not yet written.
    void closeEvent(QCloseEvent *event) override;

private:
    void initialise();
    // The source pick from the chosen path on: the file kind, then the read.
    void pickSource(const QString &chosen);
    bool m_quietKindChange = false;
    void setTitleFor(const QString &path);
    void buildFileRows(QWidget *central);
    void buildChoices(QWidget *central);
    void buildLinkArea(QWidget *central);
    void layOut(QWidget *central);
    // A change of database, chosen or typed: the session opens it and reads
    // its master data; a failure says why and keeps the database before.
    bool chooseDatabase(const QString &path, const QString &shown);
    // The database box no longer names the session's database (a path typed
    // but not entered): it is opened now. False when it could not be.
    bool databaseBoxTaken();
    // 読込実行's questions before a fill: the first line as titles, the
    // clerk's edits of the import table. False when the fill is not to go on.
    bool askBeforeFill();
    // The steps of 読込実行: the checks before the fill, and the import
    // window opened (or brought up) over the filled table.
    bool readyToFill();
    void showImportWindow();
    // The import window's table holds rows the clerk may still want: asks
    // before the program ends. True when it may end.
    bool mayEndProgram();
    // The preview marks the title line while 表題あり is chosen.
    void markTitleLine();
    void showSourceItems();
    void buildMenus();
    void wireControls();

    AppState &m_state;
    Prompt &m_prompt;
    const Clock &m_clock;
    GridModel *m_preview;
    GridModel *m_linkGrid;
    std::unique_ptr<ImportSession> m_session;
    std::unique_ptr<LinkEditor> m_links;
    FileKindDialog *m_fileKinds;
    QButtonGroup *m_titleGroup = nullptr;
    QButtonGroup *m_kindGroup = nullptr;
    QButtonGroup *m_modeGroup = nullptr;
    QPointer<ImportWindow> m_import;
    bool m_endingProgram = false;
    QString m_shownDatabase; // what the database box showed for the session's database
};

} // namespace tera
