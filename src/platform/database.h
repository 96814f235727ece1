#pragma once
#include "db_error.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>
#include <utility>

namespace tera {

// The Qt SQL driver that carries the connection.
enum class Engine { SQLite, Odbc };
// The SQL dialect of the database behind the connection: a SQLite file (also
// when reached through the SQLite ODBC driver) or an Access/Jet database.
enum class Dialect { SQLite, Access };

// What a file holds, judged by its first bytes, never by its name.
enum class FileKind { Missing, SQLite, Jet, NotADatabase };

// An ordered list of column names and values for INSERT and UPDATE: only the
// columns named here are written, so a product database with more columns
// (in any order, with defaults) works unchanged.
using Columns = QList<std::pair<QString, QVariant>>;

class Database;
struct CachedStatement;

// Why a snapshot of a SQLite file could not be taken: the step it failed at,
// the engine's own words as the description and its result code as the
// number. At the copy step the cause is Lock when another connection's lock
// outlasted the wait, DiskFull or Io when the copy could not be written
// (systemError() then gives the system's error number).
class SnapshotError : public DbError {
public:
    enum class Step { OpenSource, OpenTarget, Start, Copy };
    SnapshotError(Step step, int engineCode, const QString &description, int systemError = 0)
        : DbError(engineCode, description), m_step(step), m_systemError(systemError) {}
    Step step() const { return m_step; }
    int systemError() const { return m_systemError; }

private:
    Step m_step;
    int m_systemError;
};

// A prepared statement owned by the database's statement cache. Values are
// always bound, never spliced into the text. Reads are Null-aware: Null reads
// as empty text or 0. On Qt's SQLite driver the statement runs on the
// engine's own handle (no per-call placeholder strings or record copies);
// other drivers go through Qt SQL.
class Query {
public:
    Query() = default;
    // Binds params positionally (? markers) and runs the statement.
    Query &exec(const QVariantList &params = {});
    bool next();
    // Releases the result set so that the statement can be reused.
    void finish();

    bool isNull(const QString &column) const;
    QVariant value(const QString &column) const;
    // Null reads as empty text.
    QString text(const QString &column) const;
    // Null reads as 0; text that is no number is a type-mismatch failure.
    qint64 integer(const QString &column) const;
    double number(const QString &column) const;
    int rowsAffected() const;
    QString sql() const;

private:
    friend class Database;
    explicit Query(CachedStatement *s) : m_s(s) {}
    Query &execColumns(const Columns &columns, bool run = true);
    // Binds count values on the engine's statement and, when run, steps it.
    // (Defined and used in the database layer only.)
    template <typename ValueAt>
    void runNative(qsizetype count, const ValueAt &value, bool run);
    int indexOf(const QString &column) const;
    QVariant valueAt(int i) const;
    bool nullAt(int i) const;
    CachedStatement *m_s = nullptr;
};

// Releases a result set however the reading ends, so that a cached
// statement holds no cursor between calls.
class FinishOnExit {
public:
    explicit FinishOnExit(Query &q) : m_q(q) {}
    ~FinishOnExit() { m_q.finish(); }
    FinishOnExit(const FinishOnExit &) = delete;
    FinishOnExit &operator=(const FinishOnExit &) = delete;

private:
    Query &m_q;
};

class Database {
public:
    struct Options {
        // Reach a SQLite file through the SQLite ODBC driver instead of Qt's
        // own SQLite driver: the tests run every case through both.
        bool sqliteThroughOdbc = false;
        // How long a statement waits for a lock held by another connection
        // before it fails as a lock conflict. The temple product keeps the
        // database open, so short locks are normal.
        int lockWaitMs = 30000;
    };

    // Opens a database file (shared, read-write) or an ODBC connection string
    // ("DRIVER=...;" or "DSN=...;"). Throws DbError with a clear message.
    static std::unique_ptr<Database> open(const QString &pathOrConnection, const Options &options);
    static std::unique_ptr<Database> open(const QString &pathOrConnection) { return open(pathOrConnection, Options()); }
    // An empty SQLite database in memory: the check before writing runs on
    // such a copy, so that nothing of it reaches a file.
    static std::unique_ptr<Database> openInMemory();
    static FileKind detect(const QString &path);
    // One committed state of the SQLite file at sourcePath, read with the
    // engine's backup even while another connection writes, written into the
    // file at targetPath (empty or a SQLite database), which is left as one
    // file of its own (no write-ahead log). Waits up to lockWaitMs for a
    // connection that holds the source locked; never writes sourcePath.
    // Throws SnapshotError. Side files of the target are the caller's.
    static void copySqliteSnapshot(const QString &sourcePath, const QString &targetPath, int lockWaitMs);
    static bool isConnectionString(const QString &text);
    // [name], the form both Access and SQLite accept.
    static QString quoteIdentifier(const QString &name);

    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void close();
    bool isOpen() const;
    Engine engine() const { return m_engine; }
    Dialect dialect() const { return m_dialect; }
    QString location() const { return m_location; }
    // The driver's own connection handle (QSqlDriver::handle(): a sqlite3*
    // on SQLite).
    QVariant nativeHandle() const;
    // The same snapshot as copySqliteSnapshot(), into this database (an empty
    // SQLite database, e.g. one in memory). Throws SnapshotError.
    void copySqliteSnapshotFrom(const QString &sourcePath, int lockWaitMs);

    // A statement prepared once per connection and reused.
    Query prepare(const QString &sql);
    Query exec(const QString &sql, const QVariantList &params = {}) { return prepare(sql).exec(params); }
    // Runs a statement that returns no rows and gives the rows affected.
    int execute(const QString &sql, const QVariantList &params = {});

    // INSERT INTO [table] ([c1], [c2], ...) VALUES (?, ?, ...)
    void insert(const QString &table, const Columns &columns);
    // UPDATE [table] SET [c1] = ?, ... WHERE <where>; returns rows affected.
    int update(const QString &table, const Columns &columns, const QString &where, const QVariantList &whereParams);

    // The clause that returns rows in the table's stored order where a rule
    // relies on it (" ORDER BY rowid" on SQLite; nothing on Access, whose
    // plain SELECT already does).
    QString storedOrder() const;
    // A date as this database stores it: text yyyy/MM/dd on SQLite, a date
    // value on Access.
    QVariant dateValue(const QDate &date) const;

    // Inserts into these tables are prepared and their values bound, which
    // finds a missing column or a value the engine cannot take, but they are
    // not run. Only for a scratch copy whose rows in those tables nobody
    // reads and where no constraint or trigger could refuse them.
    void setInsertsNotRun(const QStringList &tables) { m_insertsNotRun = tables; }

    // Changes how long a statement waits for another connection's lock
    // (SQLite; other engines have no such wait and ignore it).
    void setLockWait(int ms);

    bool hasTable(const QString &table);
    QStringList columnsOf(const QString &table);

    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    // Named points inside a transaction, so that one import row can be
    // taken back while the rows before it stay in the same transaction.
    // Only where supportsSavepoints() (SQLite through Qt's own driver).
    bool supportsSavepoints() const { return m_native != nullptr; }
    void savepoint(const char *name);
    void releaseSavepoint(const char *name);
    void rollbackToSavepoint(const char *name);

private:
    Database() = default;
    // The steps of open(): which driver reaches m_location (returns the ODBC
    // connection string, empty for Qt's SQLite driver and for an Access
    // file), then opening through it.
    QString chooseDriver(const Options &options);
    void openThroughSqlite(const Options &options);
    void openThroughOdbc(const QString &odbcConnect);
    // Statements run on the engine's own handle under Qt's SQLite driver.
    void adoptNativeHandle();
    void finishAll();
    void runPlain(const QString &sql, const QString &what);
    DbError lastError(const QString &what) const;

    QString m_connection;
    QString m_location;
    Engine m_engine = Engine::SQLite;
    Dialect m_dialect = Dialect::SQLite;
    bool m_inTransaction = false;
    void *m_native = nullptr; // the engine's sqlite3 handle under Qt's SQLite driver
    QHash<QString, std::shared_ptr<CachedStatement>> m_cache;
    struct InsertStatement {
        QString table;
        QStringList names;
        QString sql;
    };
    QHash<size_t, std::vector<InsertStatement>> m_inserts; // by a hash of table and column names
    QStringList m_insertsNotRun;
};

// Commits on commit(), rolls back when left without it: one import row is
// written whole or not at all.
class Transaction {
public:
    explicit Transaction(Database &db) : m_db(db) { m_db.beginTransaction(); }
    ~Transaction();
    void commit();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Database &m_db;
    bool m_done = false;
};

// Narrowing as the temple product's 16-bit fields need it; out of range is
// the engine's overflow failure, not a silent wrap.
// A date as yyyy/MM/dd, the form the register's texts and SQLite files use.
QString SlashedDate(const QDate &date);

qint16 toInt16(qint64 value);
qint32 toInt32(qint64 value);

} // namespace tera
