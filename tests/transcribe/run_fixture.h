#pragma once
// A fresh demo database set up for whole transcription runs, and import
// tables as 読込実行 leaves them, for the driver and check tests.
#include "model/master_data.h"
#include "session/startup.h"
#include "convert/item_catalogue.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "scripted_prompt.h"
#include "test_db.h"
#include "transcribe/transcribe.h"

#include <QtTest>
#include <memory>

namespace tera {

using ImportRow = QMap<int, QString>;

// Headings from the catalogue, the row number in column 0, the cells at
// their items' columns.
inline std::unique_ptr<GridModel> importTable(qint16 kind, const QList<ImportRow> &rows)
{
    const Catalogue cat = CatalogueOf(kind);
    auto g = std::make_unique<GridModel>();
    g->setRows(int(rows.size()) + 1);
    g->setCols(int(cat.size()));
    g->setFixedRows(1);
    g->setFixedCols(1);
    for (int c = 0; c < cat.size(); ++c)
        g->setTextMatrix(0, c, cat.at(c).name);
    for (int r = 0; r < rows.size(); ++r) {
        g->setTextMatrix(r + 1, 0, QString::number(r + 1));
        for (auto it = rows.at(r).cbegin(); it != rows.at(r).cend(); ++it)
            g->setTextMatrix(r + 1, it.key(), it.value());
    }
    return g;
}

struct RunFixture {
    TestDb t;
    AppState state;
    ScriptedPrompt prompt;
    FixedClock clock{QDate(2024, 5, 10)};
    std::unique_ptr<Database> db; // the database reopened after a run

    explicit RunFixture(qint16 kind, qint16 mode = kModeAppend)
    {
        state.files.database = t.path();
        DeriveSiblingPaths(state);
        state.outputKind = static_cast<OutputKind>(kind);
        state.executionMode = static_cast<ExecutionMode>(mode);
        ReadMasterData(t.db(), state, prompt);
    }
    // A run as the window starts it, answering with this fixture's prompt.
    TranscribeReport run(const QList<ImportRow> &rows, const TranscribeOptions &options = TranscribeOptions())
    {
        db.reset();
        t.db().close();
        TranscribeReport r = Transcribe(*importTable(state.outputKind, rows), state, prompt, clock, nullptr, options);
        reopen();
        return r;
    }
    Database &reopen()
    {
        db = t.openAgain();
        return *db;
    }
    // The first column of a query's rows ("n" for a count).
    qint64 count(const QString &sql, const QVariantList &params = {})
    {
        Query q = db->exec(sql, params);
        q.next();
        const qint64 n = q.integer(QStringLiteral("n"));
        q.finish();
        return n;
    }
    QStringList column(const QString &sql, const QVariantList &params = {})
    {
        QStringList out;
        Query q = db->exec(sql, params);
        while (q.next())
            out << q.text(QStringLiteral("v"));
        return out;
    }
    void addMember(const QString &no, const QString &name, const QString &setai, const QString &lif = QStringLiteral("0"))
    {
        t.db().insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), no},
                                                  {QStringLiteral("SETAI_NO"), setai},
                                                  {QStringLiteral("MEI"), name},
                                                  {QStringLiteral("LIF"), lif},
                                                  {QStringLiteral("ZOK_CD"), QStringLiteral("00")}});
    }
    void addHousehold(const QString &head, const QString &setai)
    {
        t.db().insert(QStringLiteral("D_SETAI"), {{QStringLiteral("SETAI_NO"), setai}, {QStringLiteral("世帯主名"), head}});
    }
};

} // namespace tera
