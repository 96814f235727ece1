#pragma once
#include "convert/auto_link.h"
#include "convert/item_catalogue.h"
#include "model/app_state.h"
#include "model/import_table.h"
#include "model/source_table.h"
#include "platform/db_error.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "transcribe/check_run.h"
#include "transcribe/import_table_fill.h"
#include "transcribe/link_file.h"
#include "transcribe/progress.h"
#include "transcribe/restore.h"
#include "transcribe/run_report.h"
#include "transcribe/transcribe.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace tera {
class Clock;
class Prompt;
class ProgressObserver;

// What the session says of links and sources, in the clerk's words.
namespace SessionText {
QString itemTaken(const QString &item, const QString &firstTitle, int firstColumn);
QString linksCarriedOver(const QString &matchMessage);
QString linksDroppedForColumns(int links, int oldColumns, int newColumns);
QString linksKeptQuestion(int links, int columns);
QString otherSeparatorQuestion(int kind);
QString headingsMoved(int column, const QString &heading, const QString &expected);
inline const QString kFirstLineTitlesQuestion =
    QStringLiteral("読込みファイルの 1 行目は表題のようです（書き出し項目やリンクの名前と同じ文字があります）。\r\n"
                   "1 行目を表題として読み飛ばしますか？\r\n"
                   "（「いいえ」では 1 行目もデータとして読み込みます）");
} // namespace SessionText

// What a step of the session tells its front end. The session asks nothing
// itself: the windows show message in a box, the command line prints it and
// turns the cause into its exit code.
struct SessionResult {
    enum class Cause {
        None,
        NoDatabase,       // the database file is not there
        DatabaseFault,    // it cannot be opened or read (detail: the engine's words)
        SourceUnreadable, // the source file cannot be read as a table
        NoSourceColumn,   // a link names a column the source does not have
        NoTargetItem,     // a link names an item the output kind does not have
        NotLinkable,      // a link names an item that may not be linked
        FillStopped,      // the source file is gone, or a stale link
        ItemTaken,        // a second link to an item one link already fills
        HeadingsMoved,    // the import table's columns are not the kind's items
    };
    Cause cause = Cause::None;
    QString message;   // for the user, lines joined by CR LF
    QString detail;    // what went wrong underneath, where known
    QStringList notes; // said along the way without stopping anything
    int link = -1;     // the link the failure is about, by its position
    // readSource: the links of the earlier file were kept by position, as
    // neither file has a title line to match them by; the front end asks
    // whether they still fit (dropLinks() when not).
    bool linksKeptByPosition = false;
    // readSource: the file read as one column would read as several with
    // the other separator; the kind to offer (-1: none).
    int otherSeparatorKind = -1;
    // DatabaseFault: what kind of fault the engine reported (another
    // program's lock, a read-only file, a full disk, ...), so that a front
    // end can name it instead of a fault of the database.
    DbError::Cause dbCause = DbError::Cause::None;

    bool ok() const { return cause == Cause::None; }
    static SessionResult failure(Cause cause, const QString &message, int link = -1);
};

// One import, as both front ends go through it: the database and its master
// data, the source table read from a file, its source items, the links
// checked against them, the import table filled through them, and then the
// check or the run with its report. The front ends gather the choices and
// show the results; the run lock, the kako.rnd journal and the backup stay
// inside the run.
class ImportSession {
public:
    // A session that keeps its own source and import tables.
    ImportSession();
    // A session over the windows' state and source table (the preview,
    // which must outlive it); the import table, which the import window
    // shows, is the session's own.
    ImportSession(AppState &state, GridModel &sourceTable);
    ~ImportSession();
    ImportSession(const ImportSession &) = delete;
    ImportSession &operator=(const ImportSession &) = delete;

    AppState &state() { return *m_state; }
    const AppState &state() const { return *m_state; }

    // Takes the database (a path, or an ODBC connection string) with the
    // files beside it, and reads its master data. On failure the database
    // chosen before, with its master data, stays.
    SessionResult openDatabase(const QString &pathOrConnection);
    const QString &databasePath() const { return m_state->files.database; }

    // A change of kind drops the links, which name the other kind's items.
    void setOutputKind(OutputKind kind);
    void setExecutionMode(ExecutionMode mode) { m_state->executionMode = mode; }
    // 1 when the source's first line holds the titles.
    void setTitleRows(qint16 titleRows) { m_titleRows = titleRows; }
    qint16 titleRows() const { return m_titleRows; }
    // The items of the output kind, by slot.
    const Catalogue &catalogue() const { return m_catalogue; }

    // Reads the source file into the source table and rebuilds the source
    // items from its first line. A warning of the loader is a note.
    // A workbook (by its content, or by its name: a ".xls" that is really a
    // CSV or an HTML table is read as what it is, with a note) is read as
    // the texts of the sheet setSheet names.
    SessionResult readSource(const QString &path, GridFileKind format, TextEncoding encoding = TextEncoding::Auto);
    // The sheet of a workbook source to read: a name, or a number from 1;
    // empty for the sheet the workbook opens on. Text files ignore it.
    void setSheet(const QString &sheet) { m_sheet = sheet; }
    const QString &sheet() const { return m_sheet; }
    // The sheet the last read took (empty for a text file), for the title
    // bar and the run report; sheetCount is the workbook's number of sheets.
    const QString &sheetRead() const { return m_state->sourceSheet; }
    int sheetCount() const { return m_sheetCount; }
    SourceTable sourceTable() const { return SourceTable(*m_sourceGrid); }
    // One item per source column, then the spare slot past the last.
    const QList<ItemRec> &sourceItems() const { return m_sourceItems; }
    // The lines a list of the source items shows, one per column.
    const QStringList &sourceLines() const { return m_sourceLines; }
    QStringList sourceTitles() const;

    // A saved link matched to the source read: the columns found, moved or
    // missing. Its titles are remembered to recognise a title line later.
    LinkMatch matchSavedLinks(const LinkFile &file);
    // The file the source table was read from (empty: none read).
    const QString &readPath() const { return m_readPath; }
    // The columns whose titles name an item, leaving alone the columns and
    // items that the links given already use.
    AutoLinkResult autoLink(const QList<DataLink> &kept) const;
    // Each link must name a source column and a linkable item of the kind,
    // and no item may be filled by two links.
    SessionResult checkLinks(const QList<DataLink> &links) const;

    // The data link the windows build: one pair per link, in the order made.
    const QList<DataLink> &links() const { return m_links; }
    // Adds the pair after the same checks as checkLinks; the refusal says why.
    SessionResult addLink(int sourceColumn, int item);
    void removeLink(int index);
    void dropLinks() { m_links.clear(); }
    // The first line of a source read without a title line reads like one:
    // one of its texts is an item's name or label, or a title of the saved
    // link last opened.
    bool firstLineLooksLikeTitles() const;

    // Fills the import table afresh from the source table through the
    // links (the session's own without links given), as 読込実行 does;
    // sourcePathText is the path as the user gave it. Nothing of an earlier
    // fill stays.
    SessionResult fillImportTable(const QString &sourcePathText);
    SessionResult fillImportTable(const QString &sourcePathText, const QList<DataLink> &links);
    // The import window shows and edits it through importTable().grid().
    ImportTable &importTable() { return m_importTable; }
    const ImportTable &importTable() const { return m_importTable; }
    // The import table was changed since it was last filled (or emptied):
    // an edit that a new fill or the end of the program would lose.
    bool importTableEdited() const { return m_importEdited; }
    // The output kind the import table was filled for (-1: not filled).
    int importTableKind() const { return m_importKind; }

    // In append mode, leave out the rows that repeat what the database holds;
    // kept for the whole session, as the clerk last chose.
    bool skipDuplicates() const { return m_skipDuplicates; }
    void setSkipDuplicates(bool skip) { m_skipDuplicates = skip; }

    // The import table's headings are the catalogue's names of the output
    // kind, column by column: the check and the run read each item by its
    // column, so a table whose columns moved (a document opened into it, a
    // column inserted) is refused rather than read as other items.
    SessionResult checkImportHeadings(const ImportTable &importTable) const;

    // The check of the filled import table, on scratch copies.
    CheckReport check(const Clock &clock, ProgressObserver *progress, bool skipDuplicates) const;
    CheckReport check(const ImportTable &importTable, const Clock &clock, ProgressObserver *progress,
                      bool skipDuplicates) const;
    // The rows of the import table that likely repeat what the database
    // holds (or an earlier row), as an append run would find them: the check
    // on scratch copies, so nothing is written. made false (with failure)
    // when the check could not be made.
    struct DuplicateScan {
        bool made = false;
        QString failure;
        QList<RowNote> rows;
    };
    DuplicateScan scanDuplicates(const Clock &clock, ProgressObserver *progress) const;
    // The run itself. prompt answers the run's questions (backup, replace);
    // Outcome::Ended says that the program is to end.
    TranscribeReport run(Prompt &prompt, const Clock &clock, ProgressObserver *progress,
                         const TranscribeOptions &options);
    TranscribeReport run(const ImportTable &importTable, Prompt &prompt, const Clock &clock,
                         ProgressObserver *progress, const TranscribeOptions &options);
    // The run report beside the database. Returns its path, or empty text
    // with the reason in error.
    QString writeReport(const TranscribeReport &report, const QDateTime &started, QString *error) const;

    // tera2.mdb and kako2.rnd back in place, after the question; the master
    // data is read again from what was put back.
    RestoreResult restore(Prompt &prompt);

private:
    void watchImportTable();
    // Moves the links onto the source just read: by title where both files
    // have titles, by position (after the front end's question) where not.
    void carryLinksOver(const QStringList &oldTitles, int oldColumns, bool hadTitles, SessionResult &result);
    SessionResult offerOtherSeparator(const QString &path, GridFileKind format, TextEncoding encoding) const;

    AppState m_ownState;
    AppState *m_state = &m_ownState;
    qint16 m_titleRows = 0;
    QString m_sheet;
    int m_sheetCount = 0;
    Catalogue m_catalogue;
    QList<ItemRec> m_sourceItems;
    QStringList m_sourceLines;
    std::unique_ptr<GridModel> m_ownSource;
    std::unique_ptr<GridModel> m_ownImport;
    GridModel *m_sourceGrid = nullptr; // loaded by readSource, read through sourceTable()
    ImportTable m_importTable; // over *m_ownImport
    QList<DataLink> m_links;
    QStringList m_savedTitles;
    QString m_readPath;
    bool m_importEdited = false;
    bool m_filling = false;
    int m_importKind = -1;
    bool m_skipDuplicates = false;
};

} // namespace tera
