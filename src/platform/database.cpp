#include "database.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <cmath>

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

struct Database::Cached {
    QSqlQuery query;
    QHash<QString, int> columns;
    bool columnsKnown = false;
    explicit Cached(const QSqlDatabase &db) : query(db) {}
};

// ---------------------------------------------------------------- Query

int Query::indexOf(const QString &column) const
{
    if (!m_q || !m_q->isActive())
        throw DbError(kErrItemNotFound, QStringLiteral("結果のない文から項目 %1 を読もうとしました。").arg(column));
    if (m_columns->isEmpty()) {
        const QSqlRecord rec = m_q->record();
        for (int i = 0; i < rec.count(); ++i)
            m_columns->insert(fieldName(rec, i).toLower(), i);
    }
    const auto it = m_columns->constFind(column.toLower());
    if (it == m_columns->constEnd())
        throw DbError(kErrItemNotFound, QStringLiteral("項目 %1 がこのテーブルにありません。").arg(column));
    return it.value();
}

Query &Query::exec(const QVariantList &params)
{
    if (!m_q)
        throw DbError(kErrCannotOpen, QStringLiteral("文が準備されていません。"));
    m_q->finish();
    m_columns->clear();
    for (int i = 0; i < params.size(); ++i) {
        QVariant v = params.at(i);
        // A null QString would be bound as SQL Null; an empty text is meant.
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            v = QVariant(QString::fromLatin1(""));
        m_q->bindValue(i, v);
    }
    if (!m_q->exec()) {
        const QSqlError e = m_q->lastError();
        bool ok = false;
        const int n = e.nativeErrorCode().toInt(&ok);
        throw engineError(ok ? n : kErrCannotOpen,
                          QStringLiteral("SQL の実行に失敗しました: %1 [%2]").arg(driverText(e), m_q->lastQuery()), e);
    }
    return *this;
}

bool Query::next() { return m_q && m_q->isActive() && m_q->isSelect() && m_q->next(); }

void Query::finish()
{
    if (m_q)
        m_q->finish();
}

bool Query::isNull(const QString &column) const { return m_q->isNull(indexOf(column)); }

QVariant Query::value(const QString &column) const { return m_q->value(indexOf(column)); }

QString Query::text(const QString &column) const
{
    const int i = indexOf(column);
    if (m_q->isNull(i))
        return QString::fromLatin1("");
    const QVariant v = m_q->value(i);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date().toString(QStringLiteral("yyyy/MM/dd"));
    return v.toString();
}

qint64 Query::integer(const QString &column) const
{
    const int i = indexOf(column);
    if (m_q->isNull(i))
        return 0;
    const QVariant v = m_q->value(i);
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
    if (m_q->isNull(i))
        return 0;
    bool ok = false;
    const QVariant v = m_q->value(i);
    const double d = v.toString().trimmed().toDouble(&ok);
    if (!ok)
        throw DbError(kErrTypeMismatch, QStringLiteral("項目 %1 の値「%2」は数値ではありません。").arg(column, v.toString()));
    return d;
}

int Query::rowsAffected() const { return m_q ? m_q->numRowsAffected() : 0; }

QString Query::sql() const { return m_q ? m_q->lastQuery() : QString(); }

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

    QString odbcConnect;
    if (isConnectionString(pathOrConnection)) {
        odbcConnect = pathOrConnection;
        db->m_engine = Engine::Odbc;
        db->m_dialect = pathOrConnection.contains(QStringLiteral("sqlite"), Qt::CaseInsensitive) ? Dialect::SQLite
                                                                                                  : Dialect::Access;
    } else {
        const QString path = pathOrConnection;
        switch (detect(path)) {
        case FileKind::Missing:
            throw DbError(kErrNotFound, QStringLiteral("データベースファイルがありません: %1").arg(path));
        case FileKind::NotADatabase:
            throw DbError(kErrCannotOpen, QStringLiteral("データベースではないファイルです: %1").arg(path));
        case FileKind::SQLite:
            db->m_dialect = Dialect::SQLite;
            db->m_engine = options.sqliteThroughOdbc ? Engine::Odbc : Engine::SQLite;
            if (options.sqliteThroughOdbc)
                odbcConnect = QStringLiteral("DRIVER={SQLite3};Database=%1;Timeout=%2;")
                                  .arg(odbcEscape(path))
                                  .arg(qMax(0, options.lockWaitMs));
            break;
        case FileKind::Jet:
            db->m_dialect = Dialect::Access;
            db->m_engine = Engine::Odbc;
            break;
        }
        if (!QFileInfo(path).isWritable())
            throw DbError(kErrCannotOpen, QStringLiteral("データベースファイルに書き込みできません: %1").arg(path));
    }

    if (db->m_engine == Engine::SQLite) {
        QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->m_connection);
        q.setDatabaseName(pathOrConnection);
        q.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qMax(0, options.lockWaitMs)));
        if (!q.open())
            throw db->lastError(QStringLiteral("データベースを開けません: %1").arg(pathOrConnection));
        // Qt opens any file lazily; read the schema now so that a damaged file
        // is reported here, not in the middle of a run.
        db->exec(QStringLiteral("SELECT count(*) AS n FROM sqlite_master")).finish();
        return db;
    }

    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        throw DbError(kErrNoDriver, QStringLiteral("ODBC ドライバ（Qt の QODBC）がこの環境にありません。"));

    QStringList attempts;
    if (!odbcConnect.isEmpty()) {
        attempts << odbcConnect;
    } else {
        // An Access file: the Access driver where the platform has one.
        const QString dbq = odbcEscape(pathOrConnection);
        attempts << QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=%1;").arg(dbq)
                 << QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=%1;").arg(dbq);
    }
    QSqlError last;
    for (const QString &connect : std::as_const(attempts)) {
        QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), db->m_connection);
        q.setDatabaseName(connect);
        if (q.open()) {
            if (db->m_dialect == Dialect::SQLite)
                db->exec(QStringLiteral("SELECT count(*) AS n FROM sqlite_master")).finish();
            return db;
        }
        last = q.lastError();
        q = QSqlDatabase();
        QSqlDatabase::removeDatabase(db->m_connection);
    }
    db->m_connection.clear();
    if (odbcConnect.isEmpty())
        throw DbError(kErrNoDriver,
                      QStringLiteral("Access データベース（%1）を開く ODBC ドライバ（Microsoft Access Driver）が"
                                     "この環境にありません。Windows の Access ドライバのある環境で開いてください。"
                                     "（%2）")
                          .arg(pathOrConnection, driverText(last)));
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
    return db;
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
    m_insertSql.clear();
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
        auto cached = std::make_shared<Cached>(QSqlDatabase::database(m_connection, false));
        cached->query.setForwardOnly(true);
        if (!cached->query.prepare(sql)) {
            const QSqlError e = cached->query.lastError();
            throw engineError(kErrCannotOpen, QStringLiteral("SQL を準備できません: %1 [%2]").arg(driverText(e), sql), e);
        }
        it = m_cache.insert(sql, cached);
    }
    return Query(&it.value()->query, &it.value()->columns);
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
    // The statement text is made once per table and column list.
    QString key = table;
    key.reserve(table.size() + columns.size() * 8);
    QVariantList values;
    values.reserve(columns.size());
    for (const auto &c : columns) {
        key += QChar(0x1f);
        key += c.first;
        values << c.second;
    }
    auto it = m_insertSql.constFind(key);
    if (it == m_insertSql.constEnd()) {
        QString sql = QStringLiteral("INSERT INTO ") + quoteIdentifier(table) + QStringLiteral(" (");
        QString marks;
        for (int i = 0; i < columns.size(); ++i) {
            if (i) {
                sql += QStringLiteral(", ");
                marks += QStringLiteral(", ");
            }
            sql += quoteIdentifier(columns.at(i).first);
            marks += QLatin1Char('?');
        }
        sql += QStringLiteral(") VALUES (") + marks + QLatin1Char(')');
        it = m_insertSql.insert(key, sql);
    }
    execute(it.value(), values);
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
        return date.toString(QStringLiteral("yyyy/MM/dd"));
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
    for (auto &c : m_cache)
        c->query.finish();
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

void Database::runPlain(const QString &sql, const QString &what)
{
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
