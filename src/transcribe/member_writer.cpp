#include "transcribe/member_writer.h"

#include "model/schema.h"
#include "convert/kanji_numerals.h"
#include "transcribe/backup.h"
#include "transcribe/context.h"
#include "transcribe/household_writer.h"

#include <QRegularExpression>

namespace tera {

using namespace schema;

namespace {

const QString kKojin = tbl::D_KOJIN;

bool allDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// The next member number as text: the highest ID + 1, through 32 bits.
QString nextKojinNo(TranscribeContext &ctx)
{
    return QString::number(toInt32(qint64(NextKojinId(ctx)) + 1));
}

} // namespace

qint32 NextKojinId(TranscribeContext &ctx)
{
    try {
        Query q = ctx.db.exec(Sql("SELECT [%1] FROM [%2] ORDER BY [%1] DESC", {col::ID, tbl::D_KOJIN}));
        qint32 id = 0;
        if (q.next())
            id = toInt32(q.integer(col::ID));
        q.finish();
        return id;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return 0;
    }
}

QVariant RegistrationDate(const Database &db, const QString &text, const QDate &today)
{
    if (text.isEmpty())
        return db.dateValue(QDate(1999, 1, 1));
    if (text.size() != 8 && text.size() != 6)
        return text;
    // Read digit by digit: going through a number would drop the leading
    // zero of 030517 and cut the pieces in the wrong places.
    const QString digits = AsciiDigits(text);
    QDate date;
    if (allDigits(digits)) {
        const int month = digits.mid(digits.size() - 4, 2).toInt();
        const int day = digits.right(2).toInt();
        int year = 0;
        if (digits.size() == 8) {
            year = digits.left(4).toInt();
        } else {
            const int century = today.year() / 100 * 100;
            year = century + digits.left(2).toInt();
            if (year > today.year())
                year -= 100;
        }
        // The product's date columns hold the years 100 to 9999.
        if (year >= 100)
            date = QDate(year, month, day);
    }
    if (!date.isValid())
        throw RowFailure::cell(QStringLiteral("登録日「%1」は日付として読めません。").arg(text));
    return db.dateValue(date);
}

QString RegistrationDateProblem(const QString &text)
{
    if (text.isEmpty() || text.size() == 6 || text.size() == 8)
        return QString();
    static const QRegularExpression ymd(
        QStringLiteral("^([0-9]{4}) *(?:([/.\\-]) *([0-9]{1,2}) *\\2 *([0-9]{1,2})|年 *([0-9]{1,2}) *月 *([0-9]{1,2}) *日)$"));
    const QRegularExpressionMatch m = ymd.match(AsciiDigits(text).replace(QChar(0xFF0F), u'/').trimmed());
    if (!m.hasMatch())
        return QStringLiteral("登録日「%1」は年/月/日の日付として読めません。文字のまま書き込みます。").arg(text);
    const bool marked = m.captured(2).isEmpty();
    const QDate date(m.captured(1).toInt(), m.captured(marked ? 5 : 3).toInt(), m.captured(marked ? 6 : 4).toInt());
    if (!date.isValid())
        return QStringLiteral("登録日「%1」は暦にない日付です。文字のまま書き込みます。").arg(text);
    return QString();
}

namespace {

// The D_KOJIN columns of a member, after KOJIN_NO (which only an insert
// sets). The contact and visit columns always carry one appended blank.
Columns memberColumns(const MemberRec &r, const QVariant &registered)
{
    auto blankAfter = [](const QString &value) { return value + QLatin1Char(' '); };
    return Columns{
        {col::T_YMD, registered},
        {col::SETAI_NO, SixDigits(r.SETAI_NO)},
        {col::ZOK_CD, r.ZOK_CD},
        {col::ZOK_ID, int(r.ZOK_ID)},
        {col::ZOK_NM, r.ZOK_NM},
        {col::MEI, r.MEI},
        {col::MEI_KA, r.MEI_KA},
        {col::SEX, r.SEX},
        {col::sei, int(r.sei)},
        {col::NenGo, r.NenGo},
        {col::NENGO_NEN, int(r.NENGO_NEN)},
        {col::tuki, int(r.tuki)},
        {col::Hi, int(r.Hi)},
        {col::KEITAI, r.KEITAI},
        {col::LIF, r.LIF},
        {col::Memo, r.Memo},
        {col::SYOKU, r.SYOKU},
        {col::KINMU_MEI, r.KINMU_MEI},
        {col::BUKA, r.BUKA},
        {col::KINMU_JYU, r.KINMU_JYU},
        {col::KINMU_TEL, r.KINMU_TEL},
        {col::NAI_TEL, r.NAI_TEL},
        {col::KINMU_MEMO, r.KINMU_MEMO},
        {col::Kankei, r.Kankei},
        {col::tel, r.tel},
        {col::FAX, r.FAX},
        {col::YUBIN1, r.YUBIN1},
        {col::YUBIN2, r.YUBIN2},
        {col::JYU, r.JYU},
        {col::JYU_KA, r.JYU_KA},
        {col::KETO, r.KETO},
        {col::KBUTU, r.KBUTU},
        {col::KHOSI, r.KHOSI},
        {col::寺番号, r.寺番号},
        {col::連絡先氏名, blankAfter(r.連絡先氏名)},
        {col::連絡先郵便, blankAfter(r.連絡先郵便)},
        {col::連絡先住所, blankAfter(r.連絡先住所)},
        {col::連絡先電話, blankAfter(r.連絡先電話)},
        {col::訪問先氏名, blankAfter(r.訪問先氏名)},
        {col::訪問先郵便, blankAfter(r.訪問先郵便)},
        {col::訪問先住所, blankAfter(r.訪問先住所)},
        {col::訪問先電話, blankAfter(r.訪問先電話)},
        {col::地区, r.地区},
        {col::検索, r.検索},
    };
}

} // namespace

bool WriteKojin(TranscribeContext &ctx, RowRecords &records)
{
    MemberRec &r = records.member;
    // An unreadable date is the row's own fault (RowFailure), reported by the
    // driver with the row; it is no reason to end the program.
    const QVariant registered = RegistrationDate(ctx.db, r.T_YMD, ctx.clock.today());
    if (r.ZOK_NM.isEmpty() && NumericValue(AsciiDigits(r.ZOK_CD)) == 0)
        r.ZOK_NM = QStringLiteral("本人");
    try {
        Query q = ctx.db.exec(Sql("SELECT [%1] FROM [%2] WHERE [%3] = ?", {col::ID, tbl::D_KOJIN, col::KOJIN_NO}) + ctx.db.storedOrder(),
                              {r.KOJIN_NO.trimmed()});
        const bool exists = q.next();
        const qint64 id = exists ? q.integer(col::ID) : 0;
        q.finish();

        Columns columns;
        if (!exists)
            columns.append({col::KOJIN_NO, r.KOJIN_NO});
        columns << memberColumns(r, registered);
        ctx.memberUpdated = exists;
        if (exists)
            ctx.db.update(kKojin, columns, QStringLiteral("[ID] = ?"), {id});
        else
            ctx.db.insert(kKojin, columns);
        return true;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

bool UpdateMemberLink(TranscribeContext &ctx, RowRecords &records)
{
    const MemberRec &r = records.member;
    try {
        Query q = ctx.db.exec(Sql("SELECT [%1] FROM [%2] WHERE [%3] = ?", {col::ID, tbl::D_KOJIN, col::KOJIN_NO}) + ctx.db.storedOrder(),
                              {r.KOJIN_NO});
        if (!q.next()) {
            q.finish();
            return false;
        }
        const qint64 id = q.integer(col::ID);
        q.finish();
        Columns columns;
        if (!r.ZOK_CD.isEmpty())
            columns.append({col::ZOK_CD, r.ZOK_CD});
        if (!r.ZOK_NM.isEmpty())
            columns.append({col::ZOK_NM, r.ZOK_NM});
        if (!r.SETAI_NO.isEmpty())
            columns.append({col::LIF, r.LIF});
        ctx.db.update(kKojin, columns, QStringLiteral("[ID] = ?"), {id});
        return true;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

namespace {

// The member found by name, loaded into r. A donor also lends the entry
// his phone, postal code and address where it gives none of its own.
void loadFoundMember(Query &q, MemberRec &r, KakoRec &k, bool donor)
{
    auto text = [&q](const QString &column) { return q.text(column); };
    auto int16 = [&q](const QString &column) { return toInt16(q.integer(column)); };

    r.KOJIN_NO = text(col::KOJIN_NO);
    r.SETAI_NO = text(col::SETAI_NO);
    if (r.SETAI_NO.size() < 6)
        r.SETAI_NO = SixDigits(r.SETAI_NO);

    r.tel = text(col::tel);
    r.訪問先電話 = r.tel;
    if (donor && k.電話.trimmed().isEmpty())
        k.電話 = r.tel;

    r.FAX = text(col::FAX);
    r.YUBIN1 = text(col::YUBIN1);
    r.YUBIN2 = text(col::YUBIN2);
    r.訪問先郵便 = r.YUBIN1 + QLatin1Char('-') + r.YUBIN2;
    if (donor && k.郵便.trimmed().isEmpty() && !r.YUBIN1.trimmed().isEmpty() && !r.YUBIN2.trimmed().isEmpty())
        k.郵便 = FormatDigits(r.YUBIN1.trimmed(), 3) + QLatin1Char('-') + FormatDigits(r.YUBIN2.trimmed(), 4);

    r.JYU = text(col::JYU);
    r.訪問先住所 = r.JYU;
    if (donor && k.住所.trimmed().isEmpty())
        k.住所 = r.JYU;

    r.JYU_KA = text(col::JYU_KA);
    if (donor && k.住所2.trimmed().isEmpty())
        k.住所2 = r.JYU_KA;

    r.ZOK_CD = text(col::ZOK_CD);
    r.ZOK_NM = text(col::ZOK_NM);
    r.MEI = text(col::MEI);
    r.MEI_KA = text(col::MEI_KA);
    r.SEX = text(col::SEX);
    r.sei = int16(col::sei);
    r.NenGo = text(col::NenGo);
    r.NENGO_NEN = int16(col::NENGO_NEN);
    r.tuki = int16(col::tuki);
    r.Hi = int16(col::Hi);
    r.KEITAI = text(col::KEITAI);
    r.Kankei = text(col::Kankei);
    r.地区 = text(col::地区);
    r.検索 = text(col::検索);
}

} // namespace

bool FindMemberByName(TranscribeContext &ctx, RowRecords &records, const QString &name, qint16 mode, bool &found)
{
    found = false;
    MemberRec &r = records.member;
    KakoRec &k = records.entry;
    try {
        Query q = ctx.db.exec(Sql("SELECT * FROM [%1] WHERE [%2] = ?", {tbl::D_KOJIN, col::MEI}) + ctx.db.storedOrder(),
                              {name.trimmed()});
        if (!q.next()) {
            q.finish();
            r.訪問先電話.clear();
            r.訪問先郵便.clear();
            r.訪問先住所.clear();
            return found;
        }
        loadFoundMember(q, r, k, mode == 1);
        q.finish();
        found = true;
    } catch (const DbError &e) {
        ctx.lookupFailed(QStringLiteral("D_KOJIN の「%1」").arg(name.trimmed()), e);
    }
    return found;
}

void LoadVisitFields(TranscribeContext &ctx, RowRecords &records, const QString &name)
{
    MemberRec &r = records.member;
    r.訪問先電話.clear();
    r.訪問先郵便.clear();
    r.訪問先住所.clear();
    try {
        Query q = ctx.db.exec(Sql("SELECT * FROM [%1] WHERE [%2] = ?", {tbl::D_KOJIN, col::MEI}) + ctx.db.storedOrder(),
                              {name.trimmed()});
        FinishOnExit done(q);
        if (!q.next())
            return;
        r.訪問先電話 = q.text(col::tel);
        r.訪問先郵便 = q.text(col::YUBIN1) + QLatin1Char('-') + q.text(col::YUBIN2);
        r.訪問先住所 = q.text(col::JYU);
    } catch (const DbError &e) {
        ctx.lookupFailed(QStringLiteral("D_KOJIN の「%1」の訪問先").arg(name.trimmed()), e);
    }
}

bool FindMemberByName(TranscribeContext &ctx, RowRecords &records, const QString &name, qint16 mode)
{
    bool found = false;
    return FindMemberByName(ctx, records, name, mode, found);
}

bool DeleteKojinByName(TranscribeContext &ctx, const QString &name)
{
    try {
        ctx.db.execute(Sql("DELETE FROM [%1] WHERE [%2] = ?", {tbl::D_KOJIN, col::MEI}), {name.trimmed()});
        return true;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

QString GetSetaiNoOf(TranscribeContext &ctx, const QString &key, qint16 mode)
{
    const QString select = Sql("SELECT [%1], [%2], [%3], [%4] FROM [%5] ", {col::KOJIN_NO, col::MEI, col::LIF, col::SETAI_NO, tbl::D_KOJIN});
    const QString where = mode != 0 ? Sql("WHERE [%1] = ?", {col::KOJIN_NO}) : Sql("WHERE [%1] = ?", {col::MEI});
    try {
        Query q = ctx.db.exec(select + where + ctx.db.storedOrder(), {key});
        QString n;
        if (q.next())
            n = SixDigits(q.text(col::SETAI_NO));
        q.finish();
        return n;
    } catch (const DbError &e) {
        ctx.lookupFailed(QStringLiteral("D_KOJIN の「%1」の世帯番号").arg(key), e);
    }
}

QString LivingMemberOf(TranscribeContext &ctx, RowRecords &records, const QString &n)
{
    try {
        Query q = ctx.db.exec(Sql("SELECT [%1] FROM [%2] WHERE [%3] = ? AND [%4] = ?", {col::KOJIN_NO, tbl::D_KOJIN, col::SETAI_NO, col::LIF})
                                  + ctx.db.storedOrder(),
                              {SixDigits(n), QStringLiteral("0")});
        QString no = records.member.KOJIN_NO;
        if (q.next())
            no = q.text(col::KOJIN_NO);
        q.finish();
        return no;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

RowWriteResult WriteMemberImportRow(TranscribeContext &ctx, RowRecords &records)
{
    MemberRec &r = records.member;
    ctx.memberUpdated = false;
    if (r.MEI.isEmpty())
        return RowWriteResult::skipped(QStringLiteral("氏名が空です"));
    // The member cells never fill 世帯主名: a member heads a household of its
    // own name unless a cell said otherwise.
    if (r.世帯主名.isEmpty())
        r.世帯主名 = r.MEI;
    if (!FindSetaiByHead(ctx, records, r.世帯主名)) {
        r.SETAI_NO = SixDigits(qint64(NextSetaiNo(ctx)));
        WriteSetai(ctx, records);
    }
    if (r.KOJIN_NO.isEmpty())
        r.KOJIN_NO = nextKojinNo(ctx);
    WriteKojin(ctx, records);
    return {};
}

RowWriteResult WriteHouseholdImportRow(TranscribeContext &ctx, RowRecords &records, const QString &preDeleteNo)
{
    MemberRec &r = records.member;
    if (r.MEI.isEmpty())
        return RowWriteResult::skipped(QStringLiteral("世帯主名が空です"));
    if (r.世帯主名.isEmpty())
        r.世帯主名 = r.MEI;
    // Existing households are not changed.
    if (FindSetaiByHead(ctx, records, r.世帯主名))
        return RowWriteResult::skipped(QStringLiteral("世帯主「%1」の世帯は既に登録されています").arg(r.世帯主名));

    // After a replace run's delete the table is empty and would start again
    // at 1; the first household takes the number it would have had instead.
    QString no = QString::number(NextSetaiNo(ctx));
    if (NumericValue(AsciiDigits(preDeleteNo)) > 1 && NumericValue(no) <= 1)
        no = preDeleteNo;
    r.SETAI_NO = SixDigits(no);
    WriteSetai(ctx, records);

    const QString old = GetSetaiNoOf(ctx, r.MEI, 0);
    if (old == r.SETAI_NO)
        return {};
    RenumberHousehold(ctx.db, old, r.SETAI_NO);
    DeleteKojinByName(ctx, r.MEI);
    if (r.KOJIN_NO.isEmpty())
        r.KOJIN_NO = nextKojinNo(ctx);
    WriteKojin(ctx, records);
    return {};
}

} // namespace tera
