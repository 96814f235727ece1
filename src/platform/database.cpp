#include "database.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include <sqlite3.h>

namespace tera {

namespace {

// Error numbers in the engine's own numbering, so reports read as users of
// the temple product know them.
constexpr int kErrOverflow = 6;
constexpr int kErrTypeMismatch = 13;
constexpr int kErrItemNotFound = 3265;
constexpr int kErrCannotOpen = 3049;
constexpr int kErrNotFound = 3024;
constexpr int kErrNoDriver = 3170;

QString nextConnectionName()
{
    static QAtomicInteger<int> counter;
    return QStringLiteral("tera-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString odbcEscape(const QString &value)
{
    // A value with a separator goes between braces, a closing brace doubled;
    // plain values stay bare, as some drivers take braces literally.
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) && !value.contains(QLatin1Char('}')))
        return value;
    QString v = value;
    v.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

QString driverText(const QSqlError &e)
{
    QString t = e.databaseText().trimmed();
    const QString d = e.driverText().trimmed();
    if (t.isEmpty())
        return d;
    if (!d.isEmpty() && !t.contains(d))
        t = d + QStringLiteral(": ") + t;
    return t;
}

// True when the engine refused because another connection holds a lock:
// SQLITE_BUSY / SQLITE_LOCKED through Qt's SQLite driver, and the lock
// messages of ODBC drivers (SQLite's "database is locked", the Access
// driver's "could not lock" / "currently locked" / "ロック").
bool isLockError(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    if (ok && (code == 5 || code == 6 || code == 261 || code == 262 || code == 517))
        return true;
    const QString text = (e.databaseText() + QLatin1Char(' ') + e.driverText()).toLower();
    return text.contains(QStringLiteral("database is locked")) || text.contains(QStringLiteral("table is locked"))
           || text.contains(QStringLiteral("could not lock")) || text.contains(QStringLiteral("currently locked"))
           || text.contains(QStringLiteral("is locked")) || text.contains(QStringLiteral("opened or locked"))
           || text.contains(QStringLiteral("database is busy"))
           || text.contains(QStringLiteral("ロック"));
}

// SQLITE_FULL / SQLITE_READONLY, and the wording of the drivers.
DbError::Cause causeOf(const QSqlError &e)
{
    if (isLockError(e))
        return DbError::Cause::Lock;
    const QString text = (e.databaseText() + QLatin1Char(' ') + e.driverText()).toLower();
    if (text.contains(QStringLiteral("disk is full")) || text.contains(QStringLiteral("disk full"))
        || text.contains(QStringLiteral("no space left")) || text.contains(QStringLiteral("not enough space")))
        return DbError::Cause::DiskFull;
    if (text.contains(QStringLiteral("readonly database")) || text.contains(QStringLiteral("read-only"))
        || text.contains(QStringLiteral("read only")))
        return DbError::Cause::ReadOnly;
    if (text.contains(QStringLiteral("disk i/o error")))
        return DbError::Cause::Io;
    return DbError::Cause::None;
}

DbError engineError(int number, const QString &description, const QSqlError &e)
{
    DbError error(number, description);
    error.setCause(causeOf(e));
    return error;
}

// A column's name as the engine reports it. Some ODBC drivers give the byte
// length of a multi-byte name where Qt expects characters, leaving NULs and
// garbage behind it.
QString fieldName(const QSqlRecord &rec, int i)
{
    QString name = rec.fieldName(i);
    const int nul = name.indexOf(QChar(0));
    if (nul >= 0)
        name.truncate(nul);
    return name;
}

} // namespace

// One prepared statement of a connection: Qt SQL's, or the engine's own
// statement on Qt's SQLite driver.
struct CachedStatement {
    QSqlQuery query;
    sqlite3_stmt *stmt = nullptr;
    sqlite3 *handle = nullptr;
    QString sql;
    // Column names, as written and lower-cased, to their index; for an
    // engine statement they are known once it is prepared.
    QHash<QString, int> columns;
    bool active = false;     // executed and not finished
    bool rowPending = false; // the first row was fetched by exec()
    bool done = false;       // no more rows
    int changes = 0;

    explicit CachedStatement(const QSqlDatabase &db) : query(db) {}
    ~CachedStatement()
    {
        if (stmt)
            sqlite3_finalize(stmt);
    }
    CachedStatement(const CachedStatement &) = delete;
    CachedStatement &operator=(const CachedStatement &) = delete;

    void reset()
    {
        if (stmt && active)
            sqlite3_reset(stmt);
        active = rowPending = done = false;
    }
};

namespace {

QString engineMessage(sqlite3 *handle)
{
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

// The kind of trouble behind an engine result code.
DbError::Cause causeOfCode(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DbError::Cause::Lock;
    case SQLITE_FULL: return DbError::Cause::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM: return DbError::Cause::ReadOnly;
    case SQLITE_IOERR: return DbError::Cause::Io;
    default: return DbError::Cause::None;
    }
}

DbError nativeError(int code, const QString &description)
{
    DbError error(code & 0xff, description);
    error.setCause(causeOfCode(code));
    return error;
}

void bindNative(CachedStatement &s, int index, const QVariant &v)
{
    sqlite3_stmt *st = s.stmt;
    int rc = SQLITE_OK;
    if (v.isNull() && v.typeId() != QMetaType::QString) {
        rc = sqlite3_bind_null(st, index);
    } else {
        switch (v.typeId()) {
        case QMetaType::QString: {
            // A null QString would be bound as SQL Null; an empty text is meant.
            const QString t = v.toString();
            rc = sqlite3_bind_text16(st, index, t.isNull() ? static_cast<const void *>(u"") : static_cast<const void *>(t.utf16()), int(t.size() * sizeof(char16_t)),
                                     SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Bool: rc = sqlite3_bind_int(st, index, v.toInt()); break;
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULong:
        case QMetaType::ULongLong: rc = sqlite3_bind_int64(st, index, v.toLongLong()); break;
        case QMetaType::Double:
        case QMetaType::Float: rc = sqlite3_bind_double(st, index, v.toDouble()); break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob(st, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            // As Qt's driver binds the rest: as text.
            const QString t = v.toString();
            rc = sqlite3_bind_text16(st, index, t.utf16(), int(t.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throw nativeError(rc, QStringLiteral("値を設定できません: %1 [%2]").arg(engineMessage(s.handle), s.sql));
}

// Steps the statement; true on a row. A failure resets it and throws.
bool stepNative(CachedStatement &s)
{
    const int rc = sqlite3_step(s.stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        s.done = true;
        return false;
    }
    const QString text = engineMessage(s.handle);
    sqlite3_reset(s.stmt);
    s.active = s.rowPending = false;
    s.done = true;
    throw nativeError(rc, QStringLiteral("SQL の実行に失敗しました: %1 [%2]").arg(text, s.sql));
}

} // namespace

// ---------------------------------------------------------------- Query

int Query::indexOf(const QString &column) const
{
    if (!m_s || !m_s->active)
        throw DbError(kErrItemNotFound, QStringLiteral("結果のない文から項目 %1 を読もうとしました。").arg(column));
    QHash<QString, int> &columns = m_s->columns;
    if (columns.isEmpty() && !m_s->stmt) {
        const QSqlRecord rec = m_s->query.record();
        for (int i = 0; i < rec.count(); ++i) {
            const QString name = fieldName(rec, i);
            columns.insert(name.toLower(), i);
            columns.insert(name, i);
        }
    }
    auto it = columns.constFind(column);
    if (it == columns.constEnd())
        it = columns.constFind(column.toLower());
    if (it == columns.constEnd())
        throw DbError(kErrItemNotFound, QStringLiteral("項目 %1 がこのテーブルにありません。").arg(column));
    return it.value();
}

template <typename ValueAt>
void Query::runNative(qsizetype count, const ValueAt &value, bool run)
{
    CachedStatement &s = *m_s;
    s.reset();
    sqlite3_clear_bindings(s.stmt);
    for (int i = 0; i < count; ++i)
        bindNative(s, i + 1, value(i));
    if (!run)
        return;
    s.active = true;
    s.rowPending = stepNative(s);
    s.changes = s.done && sqlite3_column_count(s.stmt) == 0 ? sqlite3_changes(s.handle) : 0;
}

Query &Query::exec(const QVariantList &params)
{
    if (!m_s)
        throw DbError(kErrCannotOpen, QStringLiteral("文が準備されていません。"));
    if (m_s->stmt) {
        runNative(params.size(), [&](int i) -> const QVariant & { return params.at(i); }, true);
        return *this;
    }
    QSqlQuery *q = &m_s->query;
    q->finish();
    m_s->columns.clear();
    for (int i = 0; i < params.size(); ++i) {
        QVariant v = params.at(i);
        // A null QString would be bound as SQL Null; an empty text is meant.
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            v = QVariant(QString::fromLatin1(""));
        q->bindValue(i, v);
    }
    if (!q->exec()) {
        const QSqlError e = q->lastError();
        bool ok = false;
        const int n = e.nativeErrorCode().toInt(&ok);
        throw engineError(ok ? n : kErrCannotOpen,
                          QStringLiteral("SQL の実行に失敗しました: %1 [%2]").arg(driverText(e), q->lastQuery()), e);
    }
    m_s->active = true;
    return *this;
}

Query &Query::execColumns(const Columns &columns, bool run)
{
    if (m_s && m_s->stmt) {
        runNative(columns.size(), [&](int i) -> const QVariant & { return columns.at(i).second; }, run);
        return *this;
    }
    QVariantList values;
    values.reserve(columns.size());
    for (const auto &c : columns)
        values << c.second;
    return exec(values);
}

bool Query::next()
{
    if (!m_s || !m_s->active)
        return false;
    if (m_s->stmt) {
        CachedStatement &s = *m_s;
        if (s.rowPending) {
            s.rowPending = false;
            return true;
        }
        return !s.done && sqlite3_column_count(s.stmt) > 0 && stepNative(s);
    }
    QSqlQuery *q = &m_s->query;
    return q->isActive() && q->isSelect() && q->next();
}

void Query::finish()
{
    if (!m_s)
        return;
    if (m_s->stmt)
        m_s->reset();
    else
        m_s->query.finish();
}

bool Query::nullAt(int i) const
{
    if (m_s->stmt)
        return sqlite3_column_type(m_s->stmt, i) == SQLITE_NULL;
    return m_s->query.isNull(i);
}

QVariant Query::valueAt(int i) const
{
    if (!m_s->stmt)
        return m_s->query.value(i);
    // The types Qt's SQLite driver gives.
    sqlite3_stmt *st = m_s->stmt;
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(st, i));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i)));
    case SQLITE_NULL: return QVariant(QMetaType::fromType<QString>());
    default: {
        const void *text = sqlite3_column_text16(st, i);
        return QVariant(QString(static_cast<const QChar *>(text), sqlite3_column_bytes16(st, i) / 2));
    }
    }
}

bool Query::isNull(const QString &column) const { return nullAt(indexOf(column)); }

QVariant Query::value(const QString &column) const { return valueAt(indexOf(column)); }

QString Query::text(const QString &column) const
{
    const int i = indexOf(column);
    if (nullAt(i))
        return QString::fromLatin1("");
    if (m_s->stmt && sqlite3_column_type(m_s->stmt, i) == SQLITE_TEXT) {
        const void *text = sqlite3_column_text16(m_s->stmt, i);
        return QString(static_cast<const QChar *>(text), sqlite3_column_bytes16(m_s->stmt, i) / 2);
    }
    const QVariant v = valueAt(i);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date().toString(QStringLiteral("yyyy/MM/dd"));
    return v.toString();
}

qint64 Query::integer(const QString &column) const
{
    const int i = indexOf(column);
    if (nullAt(i))
        return 0;
    if (m_s->stmt && sqlite3_column_type(m_s->stmt, i) == SQLITE_INTEGER)
        return sqlite3_column_int64(m_s->stmt, i);
    const QVariant v = valueAt(i);
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (ok)
        return n;
    const double d = v.toString().trimmed().toDouble(&ok);
    if (ok && std::isfinite(d) && std::fabs(d) < 9.2e18)
        return static_cast<qint64>(std::llround(d));
    throw DbError(kErrTypeMismatch, QStringLiteral("項目 %1 の値「%2」は数値ではありません。").arg(column, v.toString()));
}

double Query::number(const QString &column) const
{
    const int i = indexOf(column);
    if (nullAt(i))
        return 0;
    bool ok = false;
    const QVariant v = valueAt(i);
    const double d = v.toString().trimmed().toDouble(&ok);
    if (!ok)
        throw DbError(kErrTypeMismatch, QStringLiteral("項目 %1 の値「%2」は数値ではありません。").arg(column, v.toString()));
    return d;
}

int Query::rowsAffected() const
{
    if (!m_s)
        return 0;
    return m_s->stmt ? m_s->changes : m_s->query.numRowsAffected();
}

QString Query::sql() const { return m_s ? m_s->sql : QString(); }

// ---------------------------------------------------------------- Database

FileKind Database::detect(const QString &path)
{
    QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile())
        return FileKind::Missing;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileKind::NotADatabase;
    const QByteArray head = f.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::SQLite;
    // Jet 3/4 and ACE files carry their signature at byte 4.
    if (head.size() >= 19
        && (head.mid(4, 15) == QByteArrayLiteral("Standard Jet DB")
            || head.mid(4, 15) == QByteArrayLiteral("Standard ACE DB")))
        return FileKind::Jet;
    return FileKind::NotADatabase;
}

bool Database::isConnectionString(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(DRIVER|DSN|FILEDSN)\\s*="),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

QString Database::quoteIdentifier(const QString &name)
{
    if (!name.contains(QLatin1Char('[')) && !name.contains(QLatin1Char(']')))
        return QLatin1Char('[') + name + QLatin1Char(']');
    QString n = name;
    n.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    return QLatin1Char('[') + n + QLatin1Char(']');
}

std::unique_ptr<Database> Database::open(const QString &pathOrConnection, const Options &options)
{
    std::unique_ptr<Database> db(new Database());
    db->m_connection = nextConnectionName();
    db->m_location = pathOrConnection;
    const QString odbcConnect = db->chooseDriver(options);
    if (db->m_engine == Engine::SQLite)
        db->openThroughSqlite(options);
    else
        db->openThroughOdbc(odbcConnect);
    return db;
}

QString Database::chooseDriver(const Options &options)
{
    if (isConnectionString(m_location)) {
        m_engine = Engine::Odbc;
        m_dialect = m_location.contains(QStringLiteral("sqlite"), Qt::CaseInsensitive) ? Dialect::SQLite : Dialect::Access;
        return m_location;
    }
    const QString path = m_location;
    QString odbcConnect;
    switch (detect(path)) {
    case FileKind::Missing:
        throw DbError(kErrNotFound, QStringLiteral("データベースファイルがありません: %1").arg(path));
    case FileKind::NotADatabase:
        throw DbError(kErrCannotOpen, QStringLiteral("データベースではないファイルです: %1").arg(path));
    case FileKind::SQLite:
        m_dialect = Dialect::SQLite;
        m_engine = options.sqliteThroughOdbc ? Engine::Odbc : Engine::SQLite;
        if (options.sqliteThroughOdbc)
            odbcConnect = QStringLiteral("DRIVER={SQLite3};Database=%1;Timeout=%2;")
                              .arg(odbcEscape(path))
                              .arg(qMax(0, options.lockWaitMs));
        break;
    case FileKind::Jet:
        m_dialect = Dialect::Access;
        m_engine = Engine::Odbc;
        break;
    }
    if (!QFileInfo(path).isWritable())
        throw DbError(kErrCannotOpen, QStringLiteral("データベースファイルに書き込みできません: %1").arg(path))
            .setCause(DbError::Cause::ReadOnly);
    return odbcConnect;
}

void Database::openThroughSqlite(const Options &options)
{
    QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    q.setDatabaseName(m_location);
    q.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qMax(0, options.lockWaitMs)));
    if (!q.open())
        throw lastError(QStringLiteral("データベースを開けません: %1").arg(m_location));
    // Qt opens any file lazily; read the schema now so that a damaged file
    // is reported here, not in the middle of a run.
    adoptNativeHandle();
    exec(QStringLiteral("SELECT count(*) AS n FROM sqlite_master")).finish();
}

// Tries the connection string, or for an Access file the Access drivers the
// platform may have, in turn.
void Database::openThroughOdbc(const QString &odbcConnect)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        throw DbError(kErrNoDriver, QStringLiteral("ODBC ドライバ（Qt の QODBC）がこの環境にありません。"));

    QStringList attempts;
    if (!odbcConnect.isEmpty()) {
        attempts << odbcConnect;
    } else {
        // An Access file: the Access driver where the platform has one.
        const QString dbq = odbcEscape(m_location);
        attempts << QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=%1;").arg(dbq)
                 << QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=%1;").arg(dbq);
    }
    QSqlError last;
    for (const QString &connect : std::as_const(attempts)) {
        QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connection);
        q.setDatabaseName(connect);
        if (q.open()) {
            if (m_dialect == Dialect::SQLite)
                exec(QStringLiteral("SELECT count(*) AS n FROM sqlite_master")).finish();
            return;
        }
        last = q.lastError();
        q = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_connection.clear();
    if (odbcConnect.isEmpty())
        throw DbError(kErrNoDriver,
                      QStringLiteral("Access データベース（%1）を開く ODBC ドライバ（Microsoft Access Driver）が"
                                     "この環境にありません。Windows の Access ドライバのある環境で開いてください。"
                                     "（%2）")
                          .arg(m_location, driverText(last)));
    throw DbError(kErrCannotOpen, QStringLiteral("ODBC でデータベースに接続できません: %1").arg(driverText(last)));
}

std::unique_ptr<Database> Database::openInMemory()
{
    std::unique_ptr<Database> db(new Database());
    db->m_connection = nextConnectionName();
    db->m_location = QStringLiteral(":memory:");
    QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->m_connection);
    q.setDatabaseName(db->m_location);
    if (!q.open())
        throw db->lastError(QStringLiteral("メモリ上のデータベースを作れません"));
    db->adoptNativeHandle();
    return db;
}

void Database::adoptNativeHandle()
{
    const QVariant handle = nativeHandle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_native = *static_cast<sqlite3 *const *>(handle.constData());
}

namespace {

// Closes an engine handle however the copy ends.
struct EngineHandle {
    sqlite3 *db = nullptr;
    EngineHandle() = default;
    EngineHandle(const EngineHandle &) = delete;
    EngineHandle &operator=(const EngineHandle &) = delete;
    ~EngineHandle() { sqlite3_close(db); }
};

// The engine's message of a handle, or of a code where opening gave none.
QString openFailureText(sqlite3 *db, int rc)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// Read-only: the snapshot never writes the file it reads.
void openSnapshotSource(EngineHandle &from, const QString &sourcePath, int lockWaitMs)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(sourcePath).constData(), &from.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        throw SnapshotError(SnapshotError::Step::OpenSource, rc, openFailureText(from.db, rc));
    sqlite3_busy_timeout(from.db, qMax(0, lockWaitMs));
}

// Copies the whole of from into to in one step, so that what to receives is
// one committed state of from.
void runBackup(sqlite3 *to, sqlite3 *from)
{
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        throw SnapshotError(SnapshotError::Step::Start, sqlite3_errcode(to), QString::fromUtf8(sqlite3_errmsg(to)));
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE)
        return;
    const int systemError = sqlite3_system_errno(to);
    SnapshotError error(SnapshotError::Step::Copy, rc, QString::fromUtf8(sqlite3_errstr(rc)), systemError);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        error.setCause(DbError::Cause::Lock);
    else if (rc == SQLITE_FULL || systemError == ENOSPC)
        error.setCause(DbError::Cause::DiskFull);
    else if (systemError != 0)
        error.setCause(DbError::Cause::Io);
    throw error;
}

} // namespace

void Database::copySqliteSnapshot(const QString &sourcePath, const QString &targetPath, int lockWaitMs)
{
    EngineHandle from;
    EngineHandle to;
    openSnapshotSource(from, sourcePath, lockWaitMs);
    const int rc = sqlite3_open_v2(QFile::encodeName(targetPath).constData(), &to.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        throw SnapshotError(SnapshotError::Step::OpenTarget, rc, openFailureText(to.db, rc));
    runBackup(to.db, from.db);
    // The copy is one file of its own: no write-ahead log beside it.
    sqlite3_exec(to.db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
}

void Database::copySqliteSnapshotFrom(const QString &sourcePath, int lockWaitMs)
{
    const QVariant handle = nativeHandle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw SnapshotError(SnapshotError::Step::OpenTarget, SQLITE_MISUSE,
                            QStringLiteral("写し先が SQLite のデータベースではありません。"));
    EngineHandle from;
    openSnapshotSource(from, sourcePath, lockWaitMs);
    runBackup(*static_cast<sqlite3 *const *>(handle.constData()), from.db);
}

QVariant Database::nativeHandle() const
{
    const QSqlDatabase q = QSqlDatabase::database(m_connection, false);
    return q.isValid() && q.driver() ? q.driver()->handle() : QVariant();
}

Database::~Database() { close(); }

void Database::close()
{
    if (m_connection.isEmpty())
        return;
    if (m_inTransaction) {
        try {
            rollback();
        } catch (const DbError &) {
        }
    }
    m_cache.clear();
    m_inserts.clear();
    m_insertsNotRun.clear();
    m_native = nullptr;
    {
        QSqlDatabase q = QSqlDatabase::database(m_connection, false);
        if (q.isOpen())
            q.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

bool Database::isOpen() const { return !m_connection.isEmpty(); }

DbError Database::lastError(const QString &what) const
{
    const QSqlError e = QSqlDatabase::database(m_connection, false).lastError();
    return engineError(kErrCannotOpen, what + QStringLiteral(" (") + driverText(e) + QLatin1Char(')'), e);
}

Query Database::prepare(const QString &sql)
{
    if (m_connection.isEmpty())
        throw DbError(kErrCannotOpen, QStringLiteral("データベースが開かれていません。"));
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) {
        auto cached = std::make_shared<CachedStatement>(
            m_native ? QSqlDatabase() : QSqlDatabase::database(m_connection, false));
        cached->sql = sql;
        if (m_native) {
            auto *handle = static_cast<sqlite3 *>(m_native);
            const int rc = sqlite3_prepare_v3(handle, reinterpret_cast<const char *>(sql.toUtf8().constData()), -1,
                                              SQLITE_PREPARE_PERSISTENT, &cached->stmt, nullptr);
            if (rc != SQLITE_OK || !cached->stmt)
                throw nativeError(rc == SQLITE_OK ? SQLITE_ERROR : rc,
                                  QStringLiteral("SQL を準備できません: %1 [%2]").arg(engineMessage(handle), sql));
            cached->handle = handle;
            for (int i = 0, n = sqlite3_column_count(cached->stmt); i < n; ++i) {
                const QString name = QString::fromUtf8(sqlite3_column_name(cached->stmt, i));
                // The first of two equal names wins, as with Qt's record.
                if (!cached->columns.contains(name))
                    cached->columns.insert(name, i);
                if (!cached->columns.contains(name.toLower()))
                    cached->columns.insert(name.toLower(), i);
            }
        } else {
            cached->query.setForwardOnly(true);
            if (!cached->query.prepare(sql)) {
                const QSqlError e = cached->query.lastError();
                throw engineError(kErrCannotOpen, QStringLiteral("SQL を準備できません: %1 [%2]").arg(driverText(e), sql),
                                  e);
            }
        }
        it = m_cache.insert(sql, cached);
    }
    return Query(it.value().get());
}

int Database::execute(const QString &sql, const QVariantList &params)
{
    Query q = prepare(sql);
    q.exec(params);
    const int n = q.rowsAffected();
    q.finish();
    return n;
}

void Database::insert(const QString &table, const Columns &columns)
{
    // The statement is made once per table and column list, found again by
    // a hash of the names without building a key for every row.
    size_t h = qHash(table);
    for (const auto &c : columns)
        h = qHashMulti(h, c.first);
    auto matches = [&](const InsertStatement &s) {
        if (s.table != table || s.names.size() != columns.size())
            return false;
        for (int i = 0; i < columns.size(); ++i)
            if (s.names.at(i) != columns.at(i).first)
                return false;
        return true;
    };
    std::vector<InsertStatement> &bucket = m_inserts[h];
    auto it = std::find_if(bucket.begin(), bucket.end(), matches);
    if (it == bucket.end()) {
        InsertStatement s;
        s.table = table;
        QString sql = QStringLiteral("INSERT INTO ") + quoteIdentifier(table) + QStringLiteral(" (");
        QString marks;
        for (int i = 0; i < columns.size(); ++i) {
            if (i) {
                sql += QStringLiteral(", ");
                marks += QStringLiteral(", ");
            }
            sql += quoteIdentifier(columns.at(i).first);
            marks += QLatin1Char('?');
            s.names << columns.at(i).first;
        }
        s.sql = sql + QStringLiteral(") VALUES (") + marks + QLatin1Char(')');
        bucket.push_back(s);
        it = bucket.end() - 1;
    }
    Query q = prepare(it->sql);
    q.execColumns(columns, m_insertsNotRun.isEmpty() || !m_native || !m_insertsNotRun.contains(table));
    q.finish();
}

int Database::update(const QString &table, const Columns &columns, const QString &where, const QVariantList &whereParams)
{
    if (columns.isEmpty())
        return 0;
    QString sql = QStringLiteral("UPDATE ") + quoteIdentifier(table) + QStringLiteral(" SET ");
    QVariantList values;
    for (int i = 0; i < columns.size(); ++i) {
        if (i)
            sql += QStringLiteral(", ");
        sql += quoteIdentifier(columns.at(i).first) + QStringLiteral(" = ?");
        values << columns.at(i).second;
    }
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    values += whereParams;
    return execute(sql, values);
}

QString Database::storedOrder() const
{
    return m_dialect == Dialect::SQLite ? QStringLiteral(" ORDER BY rowid") : QString();
}

QVariant Database::dateValue(const QDate &date) const
{
    if (m_dialect == Dialect::SQLite)
        return SlashedDate(date);
    return date;
}

void Database::setLockWait(int ms)
{
    if (m_dialect != Dialect::SQLite)
        return;
    exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(qMax(0, ms))).finish();
}

bool Database::hasTable(const QString &table)
{
    const QStringList tables = QSqlDatabase::database(m_connection, false).tables();
    for (const QString &t : tables)
        if (t.compare(table, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QStringList Database::columnsOf(const QString &table)
{
    const QSqlRecord rec = QSqlDatabase::database(m_connection, false).record(table);
    QStringList out;
    for (int i = 0; i < rec.count(); ++i)
        out << fieldName(rec, i);
    return out;
}

void Database::finishAll()
{
    for (auto &c : m_cache) {
        if (c->stmt)
            c->reset();
        else
            c->query.finish();
    }
}

void Database::beginTransaction()
{
    if (m_inTransaction)
        throw DbError(kErrCannotOpen, QStringLiteral("トランザクションは既に始まっています。"));
    finishAll();
    if (m_engine == Engine::SQLite) {
        // A write transaction from the start: the busy timeout then waits
        // for another writer here, instead of a read transaction failing at
        // once when it later needs to write.
        runPlain(QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("トランザクションを開始できません"));
    } else if (!QSqlDatabase::database(m_connection, false).transaction()) {
        throw lastError(QStringLiteral("トランザクションを開始できません"));
    }
    m_inTransaction = true;
}

void Database::commit()
{
    finishAll();
    // A commit that fails (a lock it could not get) leaves the transaction
    // open: the caller rolls it back.
    if (m_engine == Engine::SQLite)
        runPlain(QStringLiteral("COMMIT"), QStringLiteral("トランザクションを確定できません"));
    else if (!QSqlDatabase::database(m_connection, false).commit())
        throw lastError(QStringLiteral("トランザクションを確定できません"));
    m_inTransaction = false;
}

void Database::rollback()
{
    finishAll();
    m_inTransaction = false;
    if (m_engine == Engine::SQLite)
        runPlain(QStringLiteral("ROLLBACK"), QStringLiteral("トランザクションを取り消せません"));
    else if (!QSqlDatabase::database(m_connection, false).rollback())
        throw lastError(QStringLiteral("トランザクションを取り消せません"));
}

void Database::savepoint(const char *name)
{
    runPlain(QStringLiteral("SAVEPOINT ") + QLatin1String(name), QStringLiteral("保存点を作れません"));
}

void Database::releaseSavepoint(const char *name)
{
    runPlain(QStringLiteral("RELEASE ") + QLatin1String(name), QStringLiteral("保存点を確定できません"));
}

void Database::rollbackToSavepoint(const char *name)
{
    // Reads still open would be cut off by the rollback; none is needed.
    finishAll();
    runPlain(QStringLiteral("ROLLBACK TO ") + QLatin1String(name), QStringLiteral("保存点まで取り消せません"));
    runPlain(QStringLiteral("RELEASE ") + QLatin1String(name), QStringLiteral("保存点を確定できません"));
}

void Database::runPlain(const QString &sql, const QString &what)
{
    if (m_native) {
        auto *handle = static_cast<sqlite3 *>(m_native);
        const int rc = sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw nativeError(rc, what + QStringLiteral(" (") + engineMessage(handle) + QLatin1Char(')'));
        return;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(sql)) {
        const QSqlError e = q.lastError();
        throw engineError(kErrCannotOpen, what + QStringLiteral(" (") + driverText(e) + QLatin1Char(')'), e);
    }
}

Transaction::~Transaction()
{
    if (!m_done && m_db.isOpen() && m_db.inTransaction()) {
        try {
            m_db.rollback();
        } catch (const DbError &) {
        }
    }
}

void Transaction::commit()
{
    m_db.commit();
    m_done = true;
}

QString SlashedDate(const QDate &date)
{
    const int y = date.year();
    if (!date.isValid() || y < 1 || y > 9999)
        return date.toString(QStringLiteral("yyyy/MM/dd"));
    // Written digit by digit: a run stores hundreds of thousands of dates.
    const int m = date.month(), d = date.day();
    const char16_t text[10] = {char16_t(u'0' + y / 1000), char16_t(u'0' + y / 100 % 10), char16_t(u'0' + y / 10 % 10),
                               char16_t(u'0' + y % 10),   u'/',                          char16_t(u'0' + m / 10),
                               char16_t(u'0' + m % 10),   u'/',                          char16_t(u'0' + d / 10),
                               char16_t(u'0' + d % 10)};
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

qint16 toInt16(qint64 value)
{
    if (value < -32768 || value > 32767)
        throw DbError(kErrOverflow, QStringLiteral("オーバーフローしました (%1)。").arg(value));
    return static_cast<qint16>(value);
}

qint32 toInt32(qint64 value)
{
    if (value < INT32_MIN || value > INT32_MAX)
        throw DbError(kErrOverflow, QStringLiteral("オーバーフローしました (%1)。").arg(value));
    return static_cast<qint32>(value);
}

} // namespace tera
