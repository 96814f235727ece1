#pragma once
// A fresh demo database with its master data read, for the writer, run and
// check tests, and import tables as 読込実行 leaves them.
#include "convert/item_catalogue.h"
#include "convert/output_items.h"
#include "model/app_state.h"
#include "model/import_table.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "scripted_prompt.h"
#include "session/startup.h"
#include "test_db.h"
#include "transcribe/context.h"
#include "transcribe/transcribe.h"

#include <QFile>
#include <QtTest>
#include <memory>

namespace tera {

using ImportRow = QMap<int, QString>;

// The items the tests fill: of the death register,
constexpr int kDate = itemNumber(DeathItem::DeathDate), kEraDate = itemNumber(DeathItem::DeathDateWithEra),
              kAge = itemNumber(DeathItem::AgeAtDeath), kReading = itemNumber(DeathItem::PosthumousNameReading),
              kKaimyo = itemNumber(DeathItem::PosthumousName), kZokumei = itemNumber(DeathItem::SecularName),
              kSeshu = itemNumber(DeathItem::ChiefMourner), kZokugara = itemNumber(DeathItem::Relationship),
              kBnen = itemNumber(DeathItem::DeathWesternYear), kBtuki = itemNumber(DeathItem::DeathMonthNumber),
              kBhi = itemNumber(DeathItem::DeathDayNumber), kPostal = itemNumber(DeathItem::PostalCode),
              kJyu = itemNumber(DeathItem::Address), kTel = itemNumber(DeathItem::Phone);
// of the members and of the households.
constexpr int kRegistered = itemNumber(MemberItem::RegistrationDate), kMemberName = itemNumber(MemberItem::Name),
              kBirthMonth = itemNumber(MemberItem::BirthMonth), kMemberJyu = itemNumber(MemberItem::Address),
              kHead = itemNumber(HouseholdItem::HeadName);

// n death-register rows from number from on: a 戒名, a 俗名, a date in May
// 2003 and one of three donors each.
inline QList<ImportRow> deathRows(int n, int from = 1)
{
    QList<ImportRow> rows;
    for (int i = from; i < from + n; ++i)
        rows << ImportRow{{kKaimyo, QStringLiteral("釋浄%1").arg(i)},
                          {kZokumei, QStringLiteral("故人%1").arg(i)},
                          {kSeshu, QStringLiteral("施主%1").arg(i % 3)},
                          {kDate, QStringLiteral("2003年5月%1日").arg(1 + i % 28)}};
    return rows;
}

// A file's bytes, "<missing>" when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// An import table with the grid it is a view of, as the import window
// holds them.
struct GridTable {
    GridModel grid;
    ImportTable table{grid};
    operator const ImportTable &() const { return table; }
};

// Headings from the catalogue, the row number in column 0, the cells at
// their items' columns.
inline std::unique_ptr<GridTable> importTable(qint16 kind, const QList<ImportRow> &rows)
{
    const Catalogue cat = CatalogueOf(kind);
    auto g = std::make_unique<GridTable>();
    ImportTable &table = g->table;
    table.clear();
    table.setRowCount(int(rows.size()));
    table.setColumnCount(int(cat.size()));
    for (int c = 0; c < cat.size(); ++c)
        table.setHeading(c, cat.at(c).name);
    for (int r = 0; r < rows.size(); ++r) {
        table.setText(r + 1, 0, QString::number(r + 1));
        for (auto it = rows.at(r).cbegin(); it != rows.at(r).cend(); ++it)
            table.setText(r + 1, it.key(), it.value());
    }
    return g;
}

struct Fixture {
    TestDb t;
    AppState state;
    RunSettings settings; // what the writers' context was made with
    ScriptedPrompt prompt;
    FixedClock clock{QDate(2024, 5, 10)};
    std::unique_ptr<Database> db;           // the database reopened after a run
    std::unique_ptr<TranscribeContext> ctx; // a writer's context over t.db()

    // For whole runs of kind in mode.
    explicit Fixture(qint16 kind, qint16 mode = kModeAppend, Route route = Route::Direct) : t(route)
    {
        state.files.database = t.path();
        DeriveSiblingPaths(state);
        state.outputKind = static_cast<OutputKind>(kind);
        state.executionMode = static_cast<ExecutionMode>(mode);
        ReadMasterData(t.db(), state, prompt);
    }
    // For the record writers: a context over the open database, as a run
    // makes it.
    explicit Fixture(Route route) : Fixture(kOutMembers, kModeAppend, route)
    {
        clock.set(QDate(2025, 6, 1));
        settings = state.runSettings();
        ctx = std::make_unique<TranscribeContext>(t.db(), settings, state.master, prompt, clock);
        ResetRowRecords(records);
    }

    RowRecords records; // the row the writers are handed
    MemberRec &row() { return records.member; }

    // A run as the window starts it, answering with this fixture's prompt;
    // the database reopened after it.
    TranscribeReport run(const ImportTable &table, const TranscribeOptions &options = TranscribeOptions())
    {
        db.reset();
        t.db().close();
        TranscribeReport r = Transcribe(table, state.runSettings(), state.master, prompt, clock, nullptr, options);
        reopen();
        return r;
    }
    TranscribeReport run(const QList<ImportRow> &rows, const TranscribeOptions &options = TranscribeOptions())
    {
        return run(*importTable(state.outputKind, rows), options);
    }
    Database &reopen()
    {
        db = t.openAgain();
        return *db;
    }
    // The column "v" (or name) of a query's rows, after a run.
    QStringList column(const QString &sql, const QVariantList &params = {}, const QString &name = QStringLiteral("v"))
    {
        QStringList out;
        Query q = db->exec(sql, params);
        while (q.next())
            out << q.text(name);
        return out;
    }
    // A count ("n") of the database reopened after a run.
    qint64 count(const QString &sql, const QVariantList &params = {})
    {
        return column(sql, params, QStringLiteral("n")).value(0).toLongLong();
    }
    // One column of the rows that match in the open database, in stored
    // order, Null as "<null>".
    QStringList values(const QString &table, const QString &column, const QString &where = {},
                       const QVariantList &params = {})
    {
        Database &d = t.db();
        Query q = d.exec(QStringLiteral("SELECT [%1] FROM [%2]").arg(column, table)
                             + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where) + d.storedOrder(),
                         params);
        QStringList out;
        while (q.next())
            out << (q.isNull(column) ? QStringLiteral("<null>") : q.text(column));
        q.finish();
        return out;
    }
    // A member or a household row in the open database, with more columns.
    void addMember(const QString &no, const QString &name, const QString &setai, const QString &lif = QStringLiteral("0"),
                   const Columns &more = {})
    {
        t.db().insert(QStringLiteral("D_KOJIN"), Columns{{QStringLiteral("KOJIN_NO"), no},
                                                         {QStringLiteral("SETAI_NO"), setai},
                                                         {QStringLiteral("MEI"), name},
                                                         {QStringLiteral("LIF"), lif},
                                                         {QStringLiteral("ZOK_CD"), QStringLiteral("00")}} + more);
    }
    void addHousehold(const QString &head, const QString &setai, const Columns &more = {})
    {
        t.db().insert(QStringLiteral("D_SETAI"), Columns{{QStringLiteral("SETAI_NO"), setai}, {QStringLiteral("世帯主名"), head}} + more);
    }
};

} // namespace tera
