#include "session/import_session.h"

#include "platform/database.h"
#include "platform/db_error.h"
#include "session/master_data_reading.h"
#include "session/startup.h"
#include "transcribe/run_report.h"
#include "transcribe/transcribe.h"

#include "platform/text_file.h"

#include <QFileInfo>
#include <QHash>

namespace tera {

SessionResult SessionResult::failure(Cause cause, const QString &message, int link)
{
    SessionResult r;
    r.cause = cause;
    r.message = message;
    r.link = link;
    return r;
}

namespace SessionText {

QString itemTaken(const QString &item, const QString &firstTitle, int firstColumn)
{
    const QString first = firstTitle.isEmpty() ? QStringLiteral("%1 列目").arg(firstColumn + 1)
                                               : QStringLiteral("%1 列目「%2」").arg(firstColumn + 1).arg(firstTitle);
    return QStringLiteral("書き出し項目「%1」には、すでに読込み項目 %2 がリンクされています。\r\n"
                          "1 つの項目に 2 つの列はリンクできません。先のリンクを解除してからリンクしてください。")
        .arg(item, first);
}

QString linksCarriedOver(const QString &matchMessage)
{
    return QStringLiteral("読込みファイルが変わったため、データリンクを新しいファイルの表題に合わせました。\r\n") + matchMessage;
}

QString linksDroppedForColumns(int links, int oldColumns, int newColumns)
{
    return QStringLiteral("読込みファイルが変わり、列の数が %1 列から %2 列になったため、設定していたリンク %3 件を解除しました。"
                          "リンクを設定し直してください。")
        .arg(oldColumns)
        .arg(newColumns)
        .arg(links);
}

QString linksKeptQuestion(int links, int columns)
{
    return QStringLiteral("読込みファイルが変わりました。表題がないため、設定していたリンク %1 件が新しいファイルの同じ列"
                          "（%2 列）に合っているかは確かめられません。\r\n"
                          "リンクをそのまま使いますか？\r\n（「いいえ」ではリンクを解除します）")
        .arg(links)
        .arg(columns);
}

QString headingsMoved(int column, const QString &heading, const QString &expected)
{
    return QStringLiteral("インポート表の %1 列目の見出しが「%2」になっていますが、この列は書き出し項目「%3」の列です。\r\n"
                          "列がずれた表は書き込めません。メイン画面で読込実行をやり直してください。")
        .arg(column)
        .arg(heading, expected);
}

QString otherSeparatorQuestion(int kind)
{
    const bool tabs = kind == int(GridFileKind::Tsv);
    return QStringLiteral("このファイルは%1で読むと 1 列にしかなりませんが、%2で読むと複数の列に分かれます。\r\n"
                          "%2として読み直しますか？")
        .arg(tabs ? QStringLiteral("コンマ区切り") : QStringLiteral("タブ区切り"),
             tabs ? QStringLiteral("タブ区切りテキスト") : QStringLiteral("コンマ区切りテキスト"));
}

} // namespace SessionText

namespace {

// An empty import table as the import window starts with: the heading row
// and the row-number column.
std::unique_ptr<GridModel> emptyImportTable()
{
    auto grid = std::make_unique<GridModel>();
    ImportTable(*grid).clear();
    return grid;
}

} // namespace

ImportSession::ImportSession()
    : m_ownSource(std::make_unique<GridModel>()), m_ownImport(emptyImportTable()), m_importTable(*m_ownImport)
{
    m_sourceGrid = m_ownSource.get();
    setOutputKind(m_state->outputKind);
    watchImportTable();
}

ImportSession::ImportSession(AppState &state, GridModel &sourceTable)
    : m_state(&state), m_ownImport(emptyImportTable()), m_sourceGrid(&sourceTable), m_importTable(*m_ownImport)
{
    m_ownImport->setEditable(true);
    setOutputKind(m_state->outputKind);
    watchImportTable();
}

// Any change of the import table outside a fill is the clerk's edit (a cell,
// a paste, a row or column command, a sort, a document opened into it).
void ImportSession::watchImportTable()
{
    GridModel *table = m_ownImport.get();
    const auto edited = [this] {
        if (!m_filling)
            m_importEdited = true;
    };
    QObject::connect(table, &QAbstractItemModel::dataChanged, table, edited);
    QObject::connect(table, &QAbstractItemModel::rowsInserted, table, edited);
    QObject::connect(table, &QAbstractItemModel::rowsRemoved, table, edited);
    QObject::connect(table, &QAbstractItemModel::rowsMoved, table, edited);
    QObject::connect(table, &QAbstractItemModel::columnsInserted, table, edited);
    QObject::connect(table, &QAbstractItemModel::columnsRemoved, table, edited);
    QObject::connect(table, &QAbstractItemModel::columnsMoved, table, edited);
    QObject::connect(table, &QAbstractItemModel::layoutChanged, table, edited);
    QObject::connect(table, &QAbstractItemModel::modelReset, table, edited);
}

ImportSession::~ImportSession() = default;

// The new choice is made on a copy: a database that is not there or cannot
// be read leaves the one chosen before, with its paths and master data.
SessionResult ImportSession::openDatabase(const QString &pathOrConnection)
{
    const bool connection = Database::isConnectionString(pathOrConnection);
    AppState chosen = *m_state;
    chosen.files.database = connection ? pathOrConnection : QFileInfo(pathOrConnection).absoluteFilePath();
    chosen.files.kako.clear(); // beside this database
    DeriveSiblingPaths(chosen);
    if (!connection && !fileExistsExactly(chosen.files.database))
        return SessionResult::failure(SessionResult::Cause::NoDatabase, StartupText::kNoDatabase);
    SessionResult result;
    try {
        std::unique_ptr<Database> db = Database::open(chosen.files.database);
        chosen.master = MasterData();
        if (!ReadCategoryMaster(*db, chosen.master))
            result.notes << kSystemDataUnreadable;
        ReadServiceMaster(*db, chosen.master);
        db->close();
    } catch (const DbError &e) {
        result = SessionResult::failure(SessionResult::Cause::DatabaseFault, DatabaseOpenFailure(e));
        result.detail = e.description();
        result.dbCause = e.cause();
        return result;
    }
    m_state->files = chosen.files;
    m_state->master = chosen.master;
    return result;
}

void ImportSession::setOutputKind(OutputKind kind)
{
    if (kind != m_state->outputKind)
        m_links.clear();
    m_state->outputKind = kind;
    m_catalogue = CatalogueOf(kind);
}

SessionResult ImportSession::readSource(const QString &path, GridFileKind format, TextEncoding encoding)
{
    const QStringList oldTitles = sourceTitles();
    const int oldColumns = int(m_sourceItems.size()) - 1;
    m_sourceGrid->Clear();
    m_sourceGrid->setRows(0);
    m_sourceGrid->setCols(0);
    const bool workbook = format == GridFileKind::Workbook || SpreadsheetKindOf(path) != SpreadsheetKind::None
        || HasSpreadsheetName(path);
    SheetTable sheet;
    const Outcome loaded =
        workbook ? m_sourceGrid->LoadSheet(path, m_sheet, &sheet) : m_sourceGrid->LoadGrid(path, format, encoding);
    // A workbook that turned out to be text has no sheet to name.
    m_state->sourceSheet = sheet.readAs.isEmpty() ? sheet.sheetName : QString();
    m_sheetCount = sheet.sheetCount;
    m_sourceItems.clear();
    m_sourceLines.clear();
    BuildSourceItems(sourceTable(), m_sourceItems, m_sourceLines);
    if (!loaded.ok) {
        // Links to a file that is no longer read would be read against the
        // next one blindly.
        m_links.clear();
        m_readPath.clear();
        return SessionResult::failure(SessionResult::Cause::SourceUnreadable, loaded.message);
    }
    m_readPath = path;
    SessionResult result = offerOtherSeparator(path, format, encoding);
    if (loaded.hasWarning())
        result.notes << loaded.message;
    carryLinksOver(oldTitles, oldColumns, m_titleRows == 1, result);
    return result;
}

namespace {

// The field count of most lines, and how many lines have it.
std::pair<int, int> commonFieldCount(const TextTable &table)
{
    QHash<int, int> counts;
    int lines = 0;
    for (const GridRow &row : table.rows) {
        const int n = row.storedCells(); // trailing empty cells are not stored
        if (n == 0)
            continue;
        ++counts[n];
        ++lines;
    }
    std::pair<int, int> best{0, 0};
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > best.second)
            best = {it.key(), it.value()};
    return {best.first, lines == 0 ? 0 : best.second * 100 / lines};
}

} // namespace

// A tab-separated .txt read as comma text is one column of whole lines (and
// the reverse); it is said, and the other separator offered, when that one
// gives several columns on nearly every line.
SessionResult ImportSession::offerOtherSeparator(const QString &path, GridFileKind format, TextEncoding encoding) const
{
    SessionResult result;
    if ((format != GridFileKind::Csv && format != GridFileKind::Tsv) || sourceTable().columnCount() > 1
        || sourceTable().rowCount() == 0)
        return result;
    const GridFileKind other = format == GridFileKind::Csv ? GridFileKind::Tsv : GridFileKind::Csv;
    TextTable table;
    if (!ReadDelimitedText(path, other == GridFileKind::Csv ? QChar(u',') : QChar(u'\t'), table, encoding).ok)
        return result;
    const auto [fields, share] = commonFieldCount(table);
    if (fields > 1 && share >= 90)
        result.otherSeparatorKind = int(other);
    return result;
}

void ImportSession::carryLinksOver(const QStringList &oldTitles, int oldColumns, bool hadTitles,
                                   SessionResult &result)
{
    if (m_links.isEmpty())
        return;
    const QStringList titles = sourceTitles();
    if (hadTitles) {
        // As saved links are matched: found in place, moved with their
        // title, or dropped.
        const LinkFile file =
            MakeLinkFile(m_state->outputKind, 1, m_links, oldTitles, m_catalogue);
        const LinkMatch match = MatchSavedLinks(file, titles, int(titles.size()), m_catalogue);
        m_links = match.links;
        for (DataLink &l : m_links)
            l.sourceName = titles.value(l.sourceColumn);
        const QString said = LinkMatchMessage(match);
        if (!said.isEmpty())
            result.notes << SessionText::linksCarriedOver(said);
        return;
    }
    if (oldColumns == int(titles.size())) {
        result.linksKeptByPosition = true;
        return;
    }
    const int dropped = int(m_links.size());
    m_links.clear();
    result.notes << SessionText::linksDroppedForColumns(dropped, oldColumns, int(titles.size()));
}

QStringList ImportSession::sourceTitles() const
{
    QStringList titles;
    for (int i = 0; i + 1 < m_sourceItems.size(); ++i)
        titles << m_sourceItems.at(i).name;
    return titles;
}

LinkMatch ImportSession::matchSavedLinks(const LinkFile &file)
{
    m_savedTitles.clear();
    for (const SavedLink &l : file.links)
        if (!l.sourceTitle.trimmed().isEmpty())
            m_savedTitles << FoldTitle(l.sourceTitle);
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

namespace {

QString sourceTitleOf(const QList<ItemRec> &items, const QList<DataLink> &links, int k)
{
    const DataLink &l = links.at(k);
    if (!l.sourceName.isEmpty())
        return l.sourceName;
    return l.sourceColumn >= 0 && l.sourceColumn < items.size() ? items.at(l.sourceColumn).name : QString();
}

} // namespace

// The one check of a data link, for the link editor, saved links, the
// command line and the fill alike.
SessionResult ImportSession::checkLinks(const QList<DataLink> &links) const
{
    const int columns = sourceTable().columnCount();
    QHash<int, int> firstLinkOfItem;
    for (int k = 0; k < links.size(); ++k) {
        const DataLink &l = links.at(k);
        if (l.sourceColumn < 0 || l.sourceColumn >= columns)
            return SessionResult::failure(SessionResult::Cause::NoSourceColumn, LinkText::kNoSourceItem, k);
        if (l.importColumn < 0 || l.importColumn >= m_catalogue.size() || m_catalogue.at(l.importColumn).name.isEmpty())
            return SessionResult::failure(SessionResult::Cause::NoTargetItem, LinkText::kNoTargetItem, k);
        if (m_catalogue.at(l.importColumn).noLink == 1)
            return SessionResult::failure(SessionResult::Cause::NotLinkable, LinkText::kNotLinkable, k);
        // Two columns into one item: one of them would be lost without a word.
        const auto first = firstLinkOfItem.constFind(l.importColumn);
        if (first != firstLinkOfItem.cend())
            return SessionResult::failure(
                SessionResult::Cause::ItemTaken,
                SessionText::itemTaken(m_catalogue.at(l.importColumn).name, sourceTitleOf(m_sourceItems, links, *first),
                                       links.at(*first).sourceColumn),
                k);
        firstLinkOfItem.insert(l.importColumn, k);
    }
    return {};
}

SessionResult ImportSession::addLink(int sourceColumn, int item)
{
    DataLink l;
    l.sourceColumn = sourceColumn;
    l.importColumn = item;
    l.sourceName = sourceColumn >= 0 && sourceColumn < m_sourceItems.size() ? m_sourceItems.at(sourceColumn).name
                                                                              : QString();
    QList<DataLink> links = m_links;
    links << l;
    SessionResult said = checkLinks(links);
    if (!said.ok())
        return said;
    m_links = links;
    return said;
}

void ImportSession::removeLink(int index)
{
    if (index >= 0 && index < m_links.size())
        m_links.removeAt(index);
}

bool ImportSession::firstLineLooksLikeTitles() const
{
    if (m_titleRows != 0 || sourceTable().rowCount() < 2)
        return false;
    const QStringList titles = sourceTitles();
    if (!AutoLink(titles, m_state->outputKind).links.isEmpty())
        return true;
    // A text of a saved link's title line, unless the second line holds it
    // too (a column of equal values is data, not a title).
    for (int c = 0; c < titles.size(); ++c)
        if (!titles.at(c).trimmed().isEmpty() && m_savedTitles.contains(FoldTitle(titles.at(c)))
            && sourceTable().text(1, c) != titles.at(c))
            return true;
    return false;
}

SessionResult ImportSession::fillImportTable(const QString &sourcePathText)
{
    return fillImportTable(sourcePathText, m_links);
}

SessionResult ImportSession::fillImportTable(const QString &sourcePathText, const QList<DataLink> &links)
{
    // Stale columns are the fill's own to name; two links into one item
    // would lose one column without a word.
    const SessionResult linksSaid = checkLinks(links);
    if (linksSaid.cause == SessionResult::Cause::ItemTaken)
        return linksSaid;
    // Every fill starts from an empty table: rows or columns of an earlier
    // file must never be written with this one.
    m_filling = true;
    m_importTable.clear();
    const FillResult filled = FillImportTable(sourcePathText, m_catalogue, sourceTable(), links, m_titleRows, m_importTable,
                                              m_state->sourcePath);
    m_filling = false;
    m_importEdited = false;
    m_importKind = filled.ok ? int(m_state->outputKind) : -1;
    if (!filled.ok)
        return SessionResult::failure(SessionResult::Cause::FillStopped, filled.message);
    return {};
}

// The only calls of the check and the run: what they are given changes here alone.
CheckReport ImportSession::check(const Clock &clock, ProgressObserver *progress, bool skipDuplicates) const
{
    return check(m_importTable, clock, progress, skipDuplicates);
}

SessionResult ImportSession::checkImportHeadings(const ImportTable &importTable) const
{
    if (!importTable.hasHeader())
        return {};
    const int columns = std::max<int>(importTable.columnCount(), int(m_catalogue.size()));
    for (int c = 1; c < columns; ++c) {
        const QString expected = c < m_catalogue.size() ? m_catalogue.at(c).name : QString();
        const QString heading = importTable.heading(c);
        if (heading != expected)
            return SessionResult::failure(SessionResult::Cause::HeadingsMoved,
                                          SessionText::headingsMoved(c, heading, expected));
    }
    return {};
}

CheckReport ImportSession::check(const ImportTable &importTable, const Clock &clock, ProgressObserver *progress,
                                 bool skipDuplicates) const
{
    const SessionResult headings = checkImportHeadings(importTable);
    if (!headings.ok()) {
        CheckReport refused;
        refused.failure = headings.message;
        return refused;
    }
    return CheckTranscription(importTable, m_state->runSettings(), m_state->master, clock, progress, skipDuplicates);
}

ImportSession::DuplicateScan ImportSession::scanDuplicates(const Clock &clock, ProgressObserver *progress) const
{
    DuplicateScan scan;
    const CheckReport report = check(clock, progress, false);
    scan.made = report.made && report.run.outcome != TranscribeReport::Outcome::Cancelled;
    scan.failure = report.made ? QString() : report.failure;
    scan.rows = report.run.duplicates;
    return scan;
}

TranscribeReport ImportSession::run(Prompt &prompt, const Clock &clock, ProgressObserver *progress,
                                    const TranscribeOptions &options)
{
    return run(m_importTable, prompt, clock, progress, options);
}

TranscribeReport ImportSession::run(const ImportTable &importTable, Prompt &prompt, const Clock &clock,
                                    ProgressObserver *progress, const TranscribeOptions &options)
{
    const SessionResult headings = checkImportHeadings(importTable);
    if (!headings.ok()) {
        TranscribeReport refused;
        refused.outcome = TranscribeReport::Outcome::Failed;
        refused.rowsTotal = importTable.rowCount();
        refused.failure = headings.message;
        return refused;
    }
    return Transcribe(importTable, m_state->runSettings(), m_state->master, prompt, clock, progress, options);
}

RestoreResult ImportSession::restore(Prompt &prompt)
{
    RestoreResult restored = RestoreFromBackup(m_state->files, prompt);
    // What was put back may hold other eras, categories or services.
    if (restored.outcome == RestoreResult::Outcome::Restored && !Database::isConnectionString(m_state->files.database))
        openDatabase(m_state->files.database);
    return restored;
}

QString ImportSession::writeReport(const TranscribeReport &report, const QDateTime &started, QString *error) const
{
    return WriteRunReport(report, RunInfoFor(m_state->runSettings(), started), error);
}

} // namespace tera
