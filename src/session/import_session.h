#pragma once
#include "convert/auto_link.h"
#include "convert/item_catalogue.h"
#include "model/app_state.h"
#include "platform/db_error.h"
#include "platform/grid_model.h"
#include "transcribe/check_run.h"
#include "transcribe/import_table_fill.h"
#include "transcribe/link_file.h"
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
    };
    Cause cause = Cause::None;
    QString message;   // for the user, lines joined by CR LF
    QString detail;    // what went wrong underneath, where known
    QStringList notes; // said along the way without stopping anything
    int link = -1;     // the link the failure is about, by its position
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
    // A session over tables the front end shows (the windows' preview and
    // import grid); they must outlive it.
    ImportSession(GridModel &sourceTable, GridModel &importTable);
    // A session over the windows' state and source table; the import table
    // is the import window's and is handed to each step that needs it.
    ImportSession(AppState &state, GridModel &sourceTable);
    ~ImportSession();
    ImportSession(const ImportSession &) = delete;
    ImportSession &operator=(const ImportSession &) = delete;

    AppState &state() { return *m_state; }
    const AppState &state() const { return *m_state; }

    // Takes the database (a path, or an ODBC connection string) with the
    // files beside it, and reads its master data.
    SessionResult openDatabase(const QString &pathOrConnection);

    void setOutputKind(OutputKind kind);
    void setExecutionMode(ExecutionMode mode) { m_state->executionMode = mode; }
    // 1 when the source's first line holds the titles.
    void setTitleRows(qint16 titleRows) { m_titleRows = titleRows; }
    qint16 titleRows() const { return m_titleRows; }
    // The items of the output kind, by slot.
    const Catalogue &catalogue() const { return m_catalogue; }

    // Reads the source file into the source table and rebuilds the source
    // items from its first line. A warning of the loader is a note.
    SessionResult readSource(const QString &path, GridFileKind format, TextEncoding encoding = TextEncoding::Auto);
    GridModel &sourceTable() { return *m_sourceTable; }
    const GridModel &sourceTable() const { return *m_sourceTable; }
    // One item per source column, then the spare slot past the last.
    const QList<ItemRec> &sourceItems() const { return m_sourceItems; }
    // The lines a list of the source items shows, one per column.
    const QStringList &sourceLines() const { return m_sourceLines; }
    QStringList sourceTitles() const;

    // A saved link matched to the source read: the columns found, moved or missing.
    LinkMatch matchSavedLinks(const LinkFile &file) const;
    // The columns whose titles name an item, leaving alone the columns and
    // items that the links given already use.
    AutoLinkResult autoLink(const QList<DataLink> &kept) const;
    // Each link must name a source column and a linkable item of the kind.
    SessionResult checkLinks(const QList<DataLink> &links) const;

    // Fills the import table from the source table through the links, as
    // 読込実行 does; sourcePathText is the path as the user gave it.
    SessionResult fillImportTable(const QString &sourcePathText, const QList<DataLink> &links);
    SessionResult fillImportTable(const QString &sourcePathText, const QList<DataLink> &links, GridModel &into);
    GridModel &importTable() { return *m_importTable; }
    const GridModel &importTable() const { return *m_importTable; }

    // The check of the filled import table, on scratch copies.
    CheckReport check(const Clock &clock, ProgressObserver *progress, bool skipDuplicates) const;
    CheckReport check(const GridModel &importTable, const Clock &clock, ProgressObserver *progress,
                      bool skipDuplicates) const;
    // The run itself. prompt answers the run's questions (backup, replace);
    // Outcome::Ended says that the program is to end.
    TranscribeReport run(Prompt &prompt, const Clock &clock, ProgressObserver *progress,
                         const TranscribeOptions &options);
    TranscribeReport run(const GridModel &importTable, Prompt &prompt, const Clock &clock,
                         ProgressObserver *progress, const TranscribeOptions &options);
    // The run report beside the database. Returns its path, or empty text
    // with the reason in error.
    QString writeReport(const TranscribeReport &report, const QDateTime &started, QString *error) const;

private:
    AppState m_ownState;
    AppState *m_state = &m_ownState;
    qint16 m_titleRows = 0;
    Catalogue m_catalogue;
    QList<ItemRec> m_sourceItems;
    QStringList m_sourceLines;
    std::unique_ptr<GridModel> m_ownSource;
    std::unique_ptr<GridModel> m_ownImport;
    GridModel *m_sourceTable = nullptr;
    GridModel *m_importTable = nullptr;
};

} // namespace tera
