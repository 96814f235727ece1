#include "transcribe/member_writer.h"

#include "convert/kanji_numerals.h"
#include "transcribe/backup.h"
#include "transcribe/context.h"
#include "transcribe/household_writer.h"

#include <QRegularExpression>

namespace tera {

namespace {

constexpr int kErrTypeMismatch = 13;

const QString kKojin = QStringLiteral("D_KOJIN");

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
        Query q = ctx.db.exec(QStringLiteral("SELECT [ID] FROM [D_KOJIN] ORDER BY [ID] DESC"));
        qint32 id = 0;
        if (q.next())
            id = toInt32(q.integer(QStringLiteral("ID")));
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
        throw DbError(kErrTypeMismatch, QStringLiteral("登録日「%1」は日付として読めません。").arg(text));
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

bool WriteKojin(TranscribeContext &ctx)
{
    MemberRec &r = ctx.gRow();
    // An unreadable date is the row's own fault, reported by the driver with
    // the row; it is no reason to end the program.
    const QVariant registered = RegistrationDate(ctx.db, r.T_YMD, ctx.clock.today());
    if (r.ZOK_NM.isEmpty() && NumericValue(AsciiDigits(r.ZOK_CD)) == 0)
        r.ZOK_NM = QStringLiteral("本人");
    // The contact and visit columns always carry one appended blank.
    auto blankAfter = [](const QString &value) { return value + QLatin1Char(' '); };
    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT [ID] FROM [D_KOJIN] WHERE [KOJIN_NO] = ?") + ctx.db.storedOrder(),
                              {r.KOJIN_NO.trimmed()});
        const bool exists = q.next();
        const qint64 id = exists ? q.integer(QStringLiteral("ID")) : 0;
        q.finish();

        Columns columns;
        if (!exists)
            columns.append({QStringLiteral("KOJIN_NO"), r.KOJIN_NO});
        columns << Columns{
            {QStringLiteral("T_YMD"), registered},
            {QStringLiteral("SETAI_NO"), SixDigits(r.SETAI_NO)},
            {QStringLiteral("ZOK_CD"), r.ZOK_CD},
            {QStringLiteral("ZOK_ID"), int(r.ZOK_ID)},
            {QStringLiteral("ZOK_NM"), r.ZOK_NM},
            {QStringLiteral("MEI"), r.MEI},
            {QStringLiteral("MEI_KA"), r.MEI_KA},
            {QStringLiteral("SEX"), r.SEX},
            {QStringLiteral("sei"), int(r.sei)},
            {QStringLiteral("NenGo"), r.NenGo},
            {QStringLiteral("NENGO_NEN"), int(r.NENGO_NEN)},
            {QStringLiteral("tuki"), int(r.tuki)},
            {QStringLiteral("Hi"), int(r.Hi)},
            {QStringLiteral("KEITAI"), r.KEITAI},
            {QStringLiteral("LIF"), r.LIF},
            {QStringLiteral("Memo"), r.Memo},
            {QStringLiteral("SYOKU"), r.SYOKU},
            {QStringLiteral("KINMU_MEI"), r.KINMU_MEI},
            {QStringLiteral("BUKA"), r.BUKA},
            {QStringLiteral("KINMU_JYU"), r.KINMU_JYU},
            {QStringLiteral("KINMU_TEL"), r.KINMU_TEL},
            {QStringLiteral("NAI_TEL"), r.NAI_TEL},
            {QStringLiteral("KINMU_MEMO"), r.KINMU_MEMO},
            {QStringLiteral("Kankei"), r.Kankei},
            {QStringLiteral("tel"), r.tel},
            {QStringLiteral("FAX"), r.FAX},
            {QStringLiteral("YUBIN1"), r.YUBIN1},
            {QStringLiteral("YUBIN2"), r.YUBIN2},
            {QStringLiteral("JYU"), r.JYU},
            {QStringLiteral("JYU_KA"), r.JYU_KA},
            {QStringLiteral("KETO"), r.KETO},
            {QStringLiteral("KBUTU"), r.KBUTU},
            {QStringLiteral("KHOSI"), r.KHOSI},
            {QStringLiteral("寺番号"), r.寺番号},
            {QStringLiteral("連絡先氏名"), blankAfter(r.連絡先氏名)},
            {QStringLiteral("連絡先〒"), blankAfter(r.連絡先郵便)},
            {QStringLiteral("連絡先住所"), blankAfter(r.連絡先住所)},
            {QStringLiteral("連絡先電話"), blankAfter(r.連絡先電話)},
            {QStringLiteral("訪問先氏名"), blankAfter(r.訪問先氏名)},
            {QStringLiteral("訪問先〒"), blankAfter(r.訪問先郵便)},
            {QStringLiteral("訪問先住所"), blankAfter(r.訪問先住所)},
            {QStringLiteral("訪問先電話"), blankAfter(r.訪問先電話)},
            {QStringLiteral("地区"), r.地区},
            {QStringLiteral("検索"), r.検索},
        };
        if (exists)
            ctx.db.update(kKojin, columns, QStringLiteral("[ID] = ?"), {id});
        else
            ctx.db.insert(kKojin, columns);
        return true;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

bool UpdateMemberLink(TranscribeContext &ctx)
{
    const MemberRec &r = ctx.gRow();
    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT [ID] FROM [D_KOJIN] WHERE [KOJIN_NO] = ?") + ctx.db.storedOrder(),
                              {r.KOJIN_NO});
        if (!q.next()) {
            q.finish();
            return false;
        }
        const qint64 id = q.integer(QStringLiteral("ID"));
        q.finish();
        Columns columns;
        if (!r.ZOK_CD.isEmpty())
            columns.append({QStringLiteral("ZOK_CD"), r.ZOK_CD});
        if (!r.ZOK_NM.isEmpty())
            columns.append({QStringLiteral("ZOK_NM"), r.ZOK_NM});
        if (!r.SETAI_NO.isEmpty())
            columns.append({QStringLiteral("LIF"), r.LIF});
        ctx.db.update(kKojin, columns, QStringLiteral("[ID] = ?"), {id});
        return true;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

bool FindMemberByName(TranscribeContext &ctx, const QString &name, qint16 mode, bool &found)
{
    found = false;
    MemberRec &r = ctx.gRow();
    KakoRec &k = ctx.gKakoRec();
    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT * FROM [D_KOJIN] WHERE [MEI] = ?") + ctx.db.storedOrder(),
                              {name.trimmed()});
        if (!q.next()) {
            q.finish();
            r.訪問先電話.clear();
            r.訪問先郵便.clear();
            r.訪問先住所.clear();
            return found;
        }
        auto text = [&q](const char *column) { return q.text(QString::fromUtf8(column)); };
        auto int16 = [&q](const char *column) { return toInt16(q.integer(QString::fromUtf8(column))); };
        const bool donor = mode == 1;

        r.KOJIN_NO = text("KOJIN_NO");
        r.SETAI_NO = text("SETAI_NO");
        if (r.SETAI_NO.size() < 6)
            r.SETAI_NO = SixDigits(r.SETAI_NO);

        r.tel = text("tel");
        r.訪問先電話 = r.tel;
        if (donor && k.電話.trimmed().isEmpty())
            k.電話 = r.tel;

        r.FAX = text("FAX");
        r.YUBIN1 = text("YUBIN1");
        r.YUBIN2 = text("YUBIN2");
        r.訪問先郵便 = r.YUBIN1 + QLatin1Char('-') + r.YUBIN2;
        if (donor && k.郵便.trimmed().isEmpty() && !r.YUBIN1.trimmed().isEmpty() && !r.YUBIN2.trimmed().isEmpty())
            k.郵便 = FormatDigits(r.YUBIN1.trimmed(), 3) + QLatin1Char('-') + FormatDigits(r.YUBIN2.trimmed(), 4);

        r.JYU = text("JYU");
        r.訪問先住所 = r.JYU;
        if (donor && k.住所.trimmed().isEmpty())
            k.住所 = r.JYU;

        r.JYU_KA = text("JYU_KA");
        if (donor && k.住所2.trimmed().isEmpty())
            k.住所2 = r.JYU_KA;

        r.ZOK_CD = text("ZOK_CD");
        r.ZOK_NM = text("ZOK_NM");
        r.MEI = text("MEI");
        r.MEI_KA = text("MEI_KA");
        r.SEX = text("SEX");
        r.sei = int16("sei");
        r.NenGo = text("NenGo");
        r.NENGO_NEN = int16("NENGO_NEN");
        r.tuki = int16("tuki");
        r.Hi = int16("Hi");
        r.KEITAI = text("KEITAI");
        r.Kankei = text("Kankei");
        r.地区 = text("地区");
        r.検索 = text("検索");
        q.finish();
        found = true;
    } catch (const DbError &e) {
        ctx.lookupFailed(e);
    }
    return found;
}

void LoadVisitFields(TranscribeContext &ctx, const QString &name)
{
    MemberRec &r = ctx.gRow();
    r.訪問先電話.clear();
    r.訪問先郵便.clear();
    r.訪問先住所.clear();
    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT * FROM [D_KOJIN] WHERE [MEI] = ?") + ctx.db.storedOrder(),
                              {name.trimmed()});
        FinishOnExit done(q);
        if (!q.next())
            return;
        r.訪問先電話 = q.text(QStringLiteral("tel"));
        r.訪問先郵便 = q.text(QStringLiteral("YUBIN1")) + QLatin1Char('-') + q.text(QStringLiteral("YUBIN2"));
        r.訪問先住所 = q.text(QStringLiteral("JYU"));
    } catch (const DbError &e) {
        ctx.lookupFailed(e);
    }
}

bool FindMemberByName(TranscribeContext &ctx, const QString &name, qint16 mode)
{
    bool found = false;
    return FindMemberByName(ctx, name, mode, found);
}

bool DeleteKojinByName(TranscribeContext &ctx, const QString &name)
{
    try {
        ctx.db.execute(QStringLiteral("DELETE FROM [D_KOJIN] WHERE [MEI] = ?"), {name.trimmed()});
        return true;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

QString GetSetaiNoOf(TranscribeContext &ctx, const QString &key, qint16 mode)
{
    const QString select = QStringLiteral("SELECT [KOJIN_NO], [MEI], [LIF], [SETAI_NO] FROM [D_KOJIN] ");
    const QString where = mode != 0 ? QStringLiteral("WHERE [KOJIN_NO] = ?") : QStringLiteral("WHERE [MEI] = ?");
    try {
        Query q = ctx.db.exec(select + where + ctx.db.storedOrder(), {key});
        QString n;
        if (q.next())
            n = SixDigits(q.text(QStringLiteral("SETAI_NO")));
        q.finish();
        return n;
    } catch (const DbError &e) {
        ctx.lookupFailed(e);
        return QString();
    }
}

QString LivingMemberOf(TranscribeContext &ctx, const QString &n)
{
    try {
        Query q = ctx.db.exec(QStringLiteral("SELECT [KOJIN_NO] FROM [D_KOJIN] WHERE [SETAI_NO] = ? AND [LIF] = ?")
                                  + ctx.db.storedOrder(),
                              {SixDigits(n), QStringLiteral("0")});
        QString no = ctx.gRow().KOJIN_NO;
        if (q.next())
            no = q.text(QStringLiteral("KOJIN_NO"));
        q.finish();
        return no;
    } catch (const DbError &e) {
        ctx.endForMemberFailure(e);
    }
}

RowWriteResult WriteMemberRow(TranscribeContext &ctx)
{
    MemberRec &r = ctx.gRow();
    if (r.MEI.isEmpty())
        return RowWriteResult::skipped(QStringLiteral("氏名が空です"));
    // The member cells never fill 世帯主名: a member heads a household of its
    // own name unless a cell said otherwise.
    if (r.世帯主名.isEmpty())
        r.世帯主名 = r.MEI;
    if (!FindSetaiByHead(ctx, r.世帯主名)) {
        r.SETAI_NO = SixDigits(qint64(NextSetaiNo(ctx)));
        WriteSetai(ctx);
    }
    if (r.KOJIN_NO.isEmpty())
        r.KOJIN_NO = nextKojinNo(ctx);
    WriteKojin(ctx);
    return {};
}

RowWriteResult WriteHouseholdRow(TranscribeContext &ctx, const QString &preDeleteNo)
{
    MemberRec &r = ctx.gRow();
    if (r.MEI.isEmpty())
        return RowWriteResult::skipped(QStringLiteral("世帯主名が空です"));
    if (r.世帯主名.isEmpty())
        r.世帯主名 = r.MEI;
    // Existing households are not changed.
    if (FindSetaiByHead(ctx, r.世帯主名))
        return RowWriteResult::skipped(QStringLiteral("世帯主「%1」の世帯は既に登録されています").arg(r.世帯主名));

    // After a replace run's delete the table is empty and would start again
    // at 1; the first household takes the number it would have had instead.
    QString no = QString::number(NextSetaiNo(ctx));
    if (NumericValue(AsciiDigits(preDeleteNo)) > 1 && NumericValue(no) <= 1)
        no = preDeleteNo;
    r.SETAI_NO = SixDigits(no);
    WriteSetai(ctx);

    const QString old = GetSetaiNoOf(ctx, r.MEI, 0);
    if (old == r.SETAI_NO)
        return {};
    RenumberHousehold(ctx.db, old, r.SETAI_NO);
    DeleteKojinByName(ctx, r.MEI);
    if (r.KOJIN_NO.isEmpty())
        r.KOJIN_NO = nextKojinNo(ctx);
    WriteKojin(ctx);
    return {};
}

} // namespace tera
