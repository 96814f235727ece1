#include "session/import_session.h"

#include "platform/database.h"
#include "platform/db_error.h"
#include "session/startup.h"
#include "transcribe/run_report.h"

#include <QFileInfo>

namespace tera {

SessionResult SessionResult::failure(Cause cause, const QString &message, int link)
{
    SessionResult r;
    r.cause = cause;
    r.message = message;
    r.link = link;
    return r;
}

namespace {

// An empty import table as the import window starts with: the heading row
// and the row-number column.
std::unique_ptr<GridModel> emptyImportTable()
{
    auto table = std::make_unique<GridModel>();
    table->setRows(1);
    table->setCols(1);
    table->setFixedRows(1);
    table->setFixedCols(1);
    return table;
}

} // namespace

ImportSession::ImportSession() : m_ownSource(std::make_unique<GridModel>()), m_ownImport(emptyImportTable())
{
    m_sourceTable = m_ownSource.get();
    m_importTable = m_ownImport.get();
    setOutputKind(m_state->outputKind);
}

ImportSession::ImportSession(GridModel &sourceTable, GridModel &importTable)
    : m_sourceTable(&sourceTable), m_importTable(&importTable)
{
    setOutputKind(m_state->outputKind);
}

// The steps without a table of their own then work on an empty one of the
// session's, never on none.
ImportSession::ImportSession(AppState &state, GridModel &sourceTable)
    : m_state(&state), m_ownImport(emptyImportTable()), m_sourceTable(&sourceTable)
{
    m_importTable = m_ownImport.get();
    setOutputKind(m_state->outputKind);
}

ImportSession::~ImportSession() = default;

SessionResult ImportSession::openDatabase(const QString &pathOrConnection)
{
    const bool connection = Database::isConnectionString(pathOrConnection);
    m_state->files.database = connection ? pathOrConnection : QFileInfo(pathOrConnection).absoluteFilePath();
    m_state->files.kako.clear(); // beside this database
    DeriveSiblingPaths(*m_state);
    if (!connection && !fileExistsExactly(m_state->files.database))
        return SessionResult::failure(SessionResult::Cause::NoDatabase, StartupText::kNoDatabase);
    SessionResult result;
    try {
        std::unique_ptr<Database> db = Database::open(m_state->files.database);
        if (!GetComSys(*db, m_state->master))
            result.notes << kSystemDataUnreadable;
        LoadOmairiMaster(*db, m_state->master);
        db->close();
    } catch (const DbError &e) {
        result = SessionResult::failure(SessionResult::Cause::DatabaseFault, StartupText::kDatabaseFault);
        result.detail = e.description();
        result.dbCause = e.cause();
    }
    return result;
}

void ImportSession::setOutputKind(OutputKind kind)
{
    m_state->outputKind = kind;
    m_catalogue = CatalogueOf(kind);
}

SessionResult ImportSession::readSource(const QString &path, GridFileKind format, TextEncoding encoding)
{
    m_sourceTable->Clear();
    m_sourceTable->setRows(0);
    m_sourceTable->setCols(0);
    const Outcome loaded = m_sourceTable->LoadGrid(path, format, encoding);
    m_sourceItems.clear();
    m_sourceLines.clear();
    BuildSourceItems(*m_sourceTable, m_sourceItems, m_sourceLines);
    if (!loaded.ok)
        return SessionResult::failure(SessionResult::Cause::SourceUnreadable, loaded.message);
    SessionResult result;
    if (loaded.hasWarning())
        result.notes << loaded.message;
    return result;
}

QStringList ImportSession::sourceTitles() const
{
    QStringList titles;
    for (int i = 0; i + 1 < m_sourceItems.size(); ++i)
        titles << m_sourceItems.at(i).name;
    return titles;
}

LinkMatch ImportSession::matchSavedLinks(const LinkFile &file) const
{
    return MatchSavedLinks(file, sourceTitles(), int(m_sourceItems.size()) - 1, m_catalogue);
}

AutoLinkResult ImportSession::autoLink(const QList<DataLink> &kept) const
{
    QList<int> columns, items;
    for (const DataLink &l : kept) {
        columns << l.sourceColumn;
        items << l.importColumn;
    }
    return AutoLink(sourceTitles(), m_state->outputKind, columns, items);
}

SessionResult ImportSession::checkLinks(const QList<DataLink> &links) const
{
    const int columns = m_sourceTable->Cols();
    for (int k = 0; k < links.size(); ++k) {
        const DataLink &l = links.at(k);
        if (l.sourceColumn < 0 || l.sourceColumn >= columns)
            return SessionResult::failure(SessionResult::Cause::NoSourceColumn, LinkText::kNoSourceItem, k);
        if (l.importColumn < 0 || l.importColumn >= m_catalogue.size() || m_catalogue.at(l.importColumn).name.isEmpty())
            return SessionResult::failure(SessionResult::Cause::NoTargetItem, LinkText::kNoTargetItem, k);
        if (m_catalogue.at(l.importColumn).noLink == 1)
            return SessionResult::failure(SessionResult::Cause::NotLinkable, LinkText::kNotLinkable, k);
    }
    return {};
}

SessionResult ImportSession::fillImportTable(const QString &sourcePathText, const QList<DataLink> &links)
{
    return fillImportTable(sourcePathText, links, *m_importTable);
}

SessionResult ImportSession::fillImportTable(const QString &sourcePathText, const QList<DataLink> &links,
                                             GridModel &into)
{
    const FillResult filled = FillImportTable(sourcePathText, m_catalogue, *m_sourceTable, links, m_titleRows, into,
                                              m_state->sourcePath);
    if (!filled.ok)
        return SessionResult::failure(SessionResult::Cause::FillStopped, filled.message);
    return {};
}

// The only calls of the check and the run: what they are given changes here alone.
CheckReport ImportSession::check(const Clock &clock, ProgressObserver *progress, bool skipDuplicates) const
{
    return check(*m_importTable, clock, progress, skipDuplicates);
}

CheckReport ImportSession::check(const GridModel &importTable, const Clock &clock, ProgressObserver *progress,
                                 bool skipDuplicates) const
{
    return CheckTranscription(importTable, m_state->runSettings(), m_state->master, clock, progress, skipDuplicates);
}

TranscribeReport ImportSession::run(Prompt &prompt, const Clock &clock, ProgressObserver *progress,
                                    const TranscribeOptions &options)
{
    return run(*m_importTable, prompt, clock, progress, options);
}

TranscribeReport ImportSession::run(const GridModel &importTable, Prompt &prompt, const Clock &clock,
                                    ProgressObserver *progress, const TranscribeOptions &options)
{
    return Transcribe(importTable, m_state->runSettings(), m_state->master, prompt, clock, progress, options);
}

QString ImportSession::writeReport(const TranscribeReport &report, const QDateTime &started, QString *error) const
{
    return WriteRunReport(report, RunInfoFor(m_state->runSettings(), started), error);
}

} // namespace tera
