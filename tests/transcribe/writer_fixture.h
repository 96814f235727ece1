#pragma once
// A transcription context on a fresh demo database, for the writer tests.
#include "model/app_state.h"
#include "model/master_data.h"
#include "session/startup.h"
#include "platform/clock.h"
#include "scripted_prompt.h"
#include "test_db.h"
#include "transcribe/context.h"

#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(tera::Route)

namespace tera {

inline void addRoutes()
{
    QTest::addColumn<Route>("route");
    QTest::newRow("sqlite") << Route::Direct;
    QTest::newRow("odbc") << Route::Odbc;
}

struct WriterFixture {
    explicit WriterFixture(Route route) : t(route)
    {
        state.files.database = t.path();
        DeriveSiblingPaths(state);
        ReadMasterData(t.db(), state, prompt);
        ctx = std::make_unique<TranscribeContext>(t.db(), state, prompt, clock);
        ClearKakoRec(ctx->records);
    }

    Database &db() { return t.db(); }
    MemberRec &row() { return ctx->gRow(); }

    // One column of the rows that match, in stored order, Null as "<null>".
    QStringList values(const QString &table, const QString &column, const QString &where = {},
                       const QVariantList &params = {})
    {
        Query q = db().exec(QStringLiteral("SELECT [%1] FROM [%2]").arg(column, table)
                                + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where)
                                + db().storedOrder(),
                            params);
        QStringList out;
        while (q.next())
            out << (q.isNull(column) ? QStringLiteral("<null>") : q.text(column));
        q.finish();
        return out;
    }

    // Replaces the demo D_SETAI and D_KOJIN with tables shaped like a real
    // product's: more columns, another order, NOT NULL with defaults.
    void useProductTables()
    {
        db().execute(QStringLiteral("DROP TABLE [D_KOJIN]"));
        db().execute(QStringLiteral("DROP TABLE [D_SETAI]"));
        db().execute(QStringLiteral(
            "CREATE TABLE [D_SETAI] ([更新者] TEXT NOT NULL DEFAULT 'admin', [検索] TEXT, [地区] TEXT, "
            "[訪問先電話] TEXT, [訪問先住所] TEXT, [訪問先〒] TEXT, [訪問先氏名] TEXT, [連絡先電話] TEXT, "
            "[連絡先住所] TEXT, [連絡先〒] TEXT, [連絡先氏名] TEXT, [寺番号] INTEGER NOT NULL DEFAULT 0, "
            "[住所2] TEXT, [住所1] TEXT, [YU_2] TEXT, [YU_1] TEXT, [FAX] TEXT, [tel] TEXT, [カナ] TEXT, "
            "[世帯主名] TEXT, [SETAI_NO] TEXT NOT NULL DEFAULT '', [SNO] INTEGER PRIMARY KEY AUTOINCREMENT, "
            "[会費] INTEGER NOT NULL DEFAULT 3000)"));
        db().execute(QStringLiteral(
            "CREATE TABLE [D_KOJIN] ([備考] TEXT NOT NULL DEFAULT '－', [検索] TEXT, [地区] TEXT, "
            "[訪問先電話] TEXT, [訪問先住所] TEXT, [訪問先〒] TEXT, [訪問先氏名] TEXT, [連絡先電話] TEXT, "
            "[連絡先住所] TEXT, [連絡先〒] TEXT, [連絡先氏名] TEXT, [寺番号] INTEGER NOT NULL DEFAULT 0, "
            "[KHOSI] TEXT, [KBUTU] TEXT, [KETO] TEXT, [JYU_KA] TEXT, [JYU] TEXT, [YUBIN2] TEXT, [YUBIN1] TEXT, "
            "[FAX] TEXT, [tel] TEXT, [Kankei] TEXT, [KINMU_MEMO] TEXT, [NAI_TEL] TEXT, [KINMU_TEL] TEXT, "
            "[KINMU_JYU] TEXT, [BUKA] TEXT, [KINMU_MEI] TEXT, [SYOKU] TEXT, [Memo] TEXT, [LIF] TEXT, "
            "[KEITAI] TEXT, [Hi] INTEGER, [tuki] INTEGER, [NENGO_NEN] INTEGER, [NenGo] TEXT, [sei] INTEGER, "
            "[SEX] TEXT, [MEI_KA] TEXT, [MEI] TEXT NOT NULL DEFAULT '', [ZOK_NM] TEXT, [ZOK_ID] INTEGER, "
            "[ZOK_CD] TEXT, [SETAI_NO] TEXT, [T_YMD] TEXT, [KOJIN_NO] TEXT NOT NULL DEFAULT '', "
            "[ID] INTEGER PRIMARY KEY AUTOINCREMENT, [旧番号] INTEGER NOT NULL DEFAULT 42)"));
    }

    TestDb t;
    AppState state;
    ScriptedPrompt prompt;
    FixedClock clock{QDate(2025, 6, 1)};
    std::unique_ptr<TranscribeContext> ctx;
};

} // namespace tera
