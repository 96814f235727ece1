#include "transcribe/household_writer.h"

#include "transcribe/context.h"
#include "transcribe/member_writer.h"


namespace tera {

namespace {

const QString kSetai = QStringLiteral("D_SETAI");

} // namespace

qint32 NextSetaiNo(TranscribeContext &ctx)
{
    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT [SNO] FROM [D_SETAI] ORDER BY [SNO] DESC"));
        qint32 next = 1;
        if (q.next())
            next = toInt32(q.integer(QStringLiteral("SNO")) + 1);
        q.finish();
        return next;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return 0;
    }
}

bool WriteSetai(TranscribeContext &ctx)
{
    const MemberRec &r = ctx.gRow();
    const QString n = SixDigits(r.SETAI_NO);

    // The columns in the table's order; a staged field left empty does not
    // touch its column.
    Columns columns{{QStringLiteral("SETAI_NO"), n}};
    auto trimmedWhenSet = [&columns](const QString &column, const QString &value) {
        if (!value.isEmpty())
            columns.append({column, value.trimmed()});
    };
    if (!r.世帯主名.isEmpty())
        columns.append({QStringLiteral("世帯主名"), r.世帯主名});
    trimmedWhenSet(QStringLiteral("カナ"), r.MEI_KA);
    trimmedWhenSet(QStringLiteral("tel"), r.tel);
    trimmedWhenSet(QStringLiteral("FAX"), r.FAX);
    trimmedWhenSet(QStringLiteral("YU_1"), r.YUBIN1);
    trimmedWhenSet(QStringLiteral("YU_2"), r.YUBIN2);
    trimmedWhenSet(QStringLiteral("住所1"), r.JYU);
    trimmedWhenSet(QStringLiteral("住所2"), r.JYU_KA);
    columns.append({QStringLiteral("寺番号"), r.寺番号});
    trimmedWhenSet(QStringLiteral("連絡先氏名"), r.連絡先氏名);
    trimmedWhenSet(QStringLiteral("連絡先〒"), r.連絡先郵便);
    trimmedWhenSet(QStringLiteral("連絡先住所"), r.連絡先住所);
    trimmedWhenSet(QStringLiteral("連絡先電話"), r.連絡先電話);
    trimmedWhenSet(QStringLiteral("訪問先氏名"), r.訪問先氏名);
    trimmedWhenSet(QStringLiteral("訪問先〒"), r.訪問先郵便);
    trimmedWhenSet(QStringLiteral("訪問先住所"), r.訪問先住所);
    trimmedWhenSet(QStringLiteral("訪問先電話"), r.訪問先電話);
    trimmedWhenSet(QStringLiteral("地区"), r.地区);
    trimmedWhenSet(QStringLiteral("検索"), r.検索);

    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT [SNO] FROM [D_SETAI] WHERE [SETAI_NO] = ?") + ctx.db.storedOrder(),
                              {n});
        const bool exists = q.next();
        const qint64 sno = exists ? q.integer(QStringLiteral("SNO")) : 0;
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

bool FindSetaiByHead(TranscribeContext &ctx, const QString &head)
{
    MemberRec &r = ctx.gRow();
    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT * FROM [D_SETAI] WHERE [世帯主名] = ?") + ctx.db.storedOrder(),
                              {head.trimmed()});
        if (!q.next()) {
            q.finish();
            return false;
        }
        auto unlessNull = [&q](const QString &column, QString &field) {
            if (!q.isNull(column))
                field = q.text(column);
        };
        r.SETAI_NO = q.text(QStringLiteral("SETAI_NO"));
        unlessNull(QStringLiteral("連絡先氏名"), r.連絡先氏名);
        unlessNull(QStringLiteral("連絡先〒"), r.連絡先郵便);
        unlessNull(QStringLiteral("連絡先住所"), r.連絡先住所);
        unlessNull(QStringLiteral("連絡先電話"), r.連絡先電話);
        unlessNull(QStringLiteral("訪問先氏名"), r.訪問先氏名);
        unlessNull(QStringLiteral("訪問先〒"), r.訪問先郵便);
        unlessNull(QStringLiteral("訪問先住所"), r.訪問先住所);
        unlessNull(QStringLiteral("訪問先電話"), r.訪問先電話);
        r.地区 = q.text(QStringLiteral("地区"));
        r.検索 = q.text(QStringLiteral("検索"));
        q.finish();
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return false;
    }
    // Outside the trap: a failure here is the member procedures' own.
    r.KOJIN_NO = LivingMemberOf(ctx, r.SETAI_NO);
    return true;
}

namespace {

void rewriteSelection(TranscribeContext &ctx, qint16 h, const ServiceSelections::Flags &flags)
{
    const QString c = SixDigits(qint64(h));
    Query q = ctx.db.exec(QStringLiteral("SELECT 1 AS n FROM [M_お参り] WHERE [世帯CD] = ?"), {c});
    const bool earlier = q.next();
    q.finish();
    if (earlier)
        ctx.db.execute(QStringLiteral("DELETE FROM [M_お参り] WHERE [世帯CD] = ?"), {c});
    for (int i = 1; i <= 17; ++i) {
        if (flags[i] != 1)
            continue;
        ctx.db.insert(QStringLiteral("M_お参り"), {{QStringLiteral("世帯CD"), c},
                                                  {QStringLiteral("選択"), 1},
                                                  {QStringLiteral("お参りCD"), i},
                                                  {QStringLiteral("お参り名称"), ctx.state.master.services[i].NM},
                                                  {QStringLiteral("指定曜日"), 0},
                                                  {QStringLiteral("KSEI"), int(ctx.scheduleKind)}});
    }
}

} // namespace

bool WriteOmairiSelection(TranscribeContext &ctx, qint16 h)
{
    KakoRec &k = ctx.gKakoRec();
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
