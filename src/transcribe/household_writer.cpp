#include "transcribe/household_writer.h"

#include "model/schema.h"
#include "transcribe/context.h"
#include "transcribe/member_writer.h"

namespace tera {

using namespace schema;

namespace {

const QString kSetai = tbl::D_SETAI;

} // namespace

qint32 NextSetaiNo(TranscribeContext &ctx)
{
    try {
        Query q = ctx.db.exec(Sql("SELECT [%1] FROM [%2] ORDER BY [%1] DESC", {col::SNO, tbl::D_SETAI}));
        qint32 next = 1;
        if (q.next())
            next = toInt32(q.integer(col::SNO) + 1);
        q.finish();
        return next;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return 0;
    }
}

bool WriteSetai(TranscribeContext &ctx, RowRecords &records)
{
    const MemberRec &r = records.member;
    const QString n = SixDigits(r.SETAI_NO);

    // The columns in the table's order; a staged field left empty does not
    // touch its column.
    Columns columns{{col::SETAI_NO, n}};
    auto trimmedWhenSet = [&columns](const QString &column, const QString &value) {
        if (!value.isEmpty())
            columns.append({column, value.trimmed()});
    };
    if (!r.世帯主名.isEmpty())
        columns.append({col::世帯主名, r.世帯主名});
    trimmedWhenSet(QStringLiteral("カナ"), r.MEI_KA);
    trimmedWhenSet(col::tel, r.tel);
    trimmedWhenSet(col::FAX, r.FAX);
    trimmedWhenSet(QStringLiteral("YU_1"), r.YUBIN1);
    trimmedWhenSet(QStringLiteral("YU_2"), r.YUBIN2);
    trimmedWhenSet(QStringLiteral("住所1"), r.JYU);
    trimmedWhenSet(QStringLiteral("住所2"), r.JYU_KA);
    columns.append({col::寺番号, r.寺番号});
    trimmedWhenSet(col::連絡先氏名, r.連絡先氏名);
    trimmedWhenSet(col::連絡先郵便, r.連絡先郵便);
    trimmedWhenSet(col::連絡先住所, r.連絡先住所);
    trimmedWhenSet(col::連絡先電話, r.連絡先電話);
    trimmedWhenSet(col::訪問先氏名, r.訪問先氏名);
    trimmedWhenSet(col::訪問先郵便, r.訪問先郵便);
    trimmedWhenSet(col::訪問先住所, r.訪問先住所);
    trimmedWhenSet(col::訪問先電話, r.訪問先電話);
    trimmedWhenSet(col::地区, r.地区);
    trimmedWhenSet(col::検索, r.検索);

    try {
        Query q = ctx.db.exec(Sql("SELECT [%1] FROM [%2] WHERE [%3] = ?", {col::SNO, tbl::D_SETAI, col::SETAI_NO}) + ctx.db.storedOrder(),
                              {n});
        const bool exists = q.next();
        const qint64 sno = exists ? q.integer(col::SNO) : 0;
        q.finish();
        if (exists)
            ctx.db.update(kSetai, columns, QStringLiteral("[SNO] = ?"), {sno});
        else
            ctx.db.insert(kSetai, columns);
        return true;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return false;
    }
}

bool FindSetaiByHead(TranscribeContext &ctx, RowRecords &records, const QString &head)
{
    MemberRec &r = records.member;
    try {
        Query q = ctx.db.exec(Sql("SELECT * FROM [%1] WHERE [%2] = ?", {tbl::D_SETAI, col::世帯主名}) + ctx.db.storedOrder(),
                              {head.trimmed()});
        if (!q.next()) {
            q.finish();
            return false;
        }
        auto unlessNull = [&q](const QString &column, QString &field) {
            if (!q.isNull(column))
                field = q.text(column);
        };
        r.SETAI_NO = q.text(col::SETAI_NO);
        unlessNull(col::連絡先氏名, r.連絡先氏名);
        unlessNull(col::連絡先郵便, r.連絡先郵便);
        unlessNull(col::連絡先住所, r.連絡先住所);
        unlessNull(col::連絡先電話, r.連絡先電話);
        unlessNull(col::訪問先氏名, r.訪問先氏名);
        unlessNull(col::訪問先郵便, r.訪問先郵便);
        unlessNull(col::訪問先住所, r.訪問先住所);
        unlessNull(col::訪問先電話, r.訪問先電話);
        r.地区 = q.text(col::地区);
        r.検索 = q.text(col::検索);
        q.finish();
    } catch (const DbError &e) {
        // Taken for "not found", the row would make a second household.
        ctx.lookupFailed(QStringLiteral("%1 の世帯主「%2」").arg(tbl::D_SETAI, head.trimmed()), e);
    }
    // Outside the trap: a failure here is the member procedures' own.
    r.KOJIN_NO = LivingMemberOf(ctx, records, r.SETAI_NO);
    return true;
}

namespace {

void rewriteSelection(TranscribeContext &ctx, qint16 h, const ServiceSelections::Flags &flags)
{
    const QString c = SixDigits(qint64(h));
    Query q = ctx.db.exec(Sql("SELECT 1 AS n FROM [%1] WHERE [%2] = ?", {tbl::M_お参り, col::世帯CD}), {c});
    const bool earlier = q.next();
    q.finish();
    if (earlier)
        ctx.db.execute(Sql("DELETE FROM [%1] WHERE [%2] = ?", {tbl::M_お参り, col::世帯CD}), {c});
    for (int i = 1; i <= 17; ++i) {
        if (flags[i] != 1)
            continue;
        ctx.db.insert(tbl::M_お参り, {{col::世帯CD, c},
                                                  {col::選択, 1},
                                                  {col::お参りCD, i},
                                                  {col::お参り名称, ctx.master.services[i].NM},
                                                  {col::指定曜日, 0},
                                                  {col::KSEI, int(ctx.scheduleKind)}});
    }
}

} // namespace

bool WriteOmairiSelection(TranscribeContext &ctx, RowRecords &records, qint16 h)
{
    KakoRec &k = records.entry;
    ServiceSelections::Flags flags{};
    for (int i = 1; i <= 17; ++i) {
        if (k.omairiFlag[i] != 1)
            k.omairiFlag[i] = 0;
        flags[i] = k.omairiFlag[i];
    }
    if (ctx.serviceSelections) {
        ctx.serviceSelections->request(h, flags);
        return true;
    }
    try {
        rewriteSelection(ctx, h, flags);
        return true;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return false;
    }
}

void ServiceSelections::request(qint16 household, const Flags &flags)
{
    Undo undo;
    for (int i = 0; i < int(m_entries.size()); ++i) {
        if (m_entries[i].household == household) {
            undo.index = i;
            undo.entry = m_entries[i];
            m_entries.erase(m_entries.begin() + i);
            break;
        }
    }
    m_entries.push_back(Entry{household, flags});
    m_rowUndo.push_back(undo);
}

void ServiceSelections::dropRow()
{
    for (auto it = m_rowUndo.rbegin(); it != m_rowUndo.rend(); ++it) {
        m_entries.pop_back();
        if (it->index >= 0)
            m_entries.insert(m_entries.begin() + it->index, it->entry);
    }
    m_rowUndo.clear();
}

void ServiceSelections::clear()
{
    m_entries.clear();
    m_rowUndo.clear();
}

void ServiceSelections::write(TranscribeContext &ctx) const
{
    for (const Entry &e : m_entries)
        rewriteSelection(ctx, e.household, e.flags);
}

} // namespace tera
