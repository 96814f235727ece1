#include "cell_assignment.h"

#include "convert/era_calendar.h"
#include "convert/kanji_numerals.h"
#include "convert/number_format.h"
#include "convert/output_items.h"
#include "platform/db_error.h"
#include "transcribe/context.h"
#include "transcribe/death_register.h"
#include "transcribe/member_writer.h"

#include <QDate>
#include <QRegularExpression>

#include <climits>
#include <initializer_list>
#include <iterator>

namespace tera {

namespace {

// A number read from a cell, narrowed to its field. shown is the text the
// user sees in the cell, so that the report names what to correct.
qint64 checkedValue(qint64 value, qint64 low, qint64 high, const QString &shown)
{
    if (value < low || value > high)
        throw RowFailure::cell(QStringLiteral("「%1」の値 %2 は範囲外です（%3～%4）。")
                                   .arg(shown.trimmed())
                                   .arg(value)
                                   .arg(low)
                                   .arg(high));
    return value;
}

qint16 value16(const QString &number, const QString &shown)
{
    return qint16(checkedValue(NumericValue(number), -32768, 32767, shown));
}

qint32 value32(const QString &number, const QString &shown)
{
    return qint32(checkedValue(NumericValue(number), INT32_MIN, INT32_MAX, shown));
}

[[noreturn]] void unreadableDate(const QString &date, const QString &why)
{
    throw RowFailure::cell(QStringLiteral("「%1」は日付として読めません：%2").arg(date, why));
}

// The first n characters of text, a surrogate pair counting as one.
QString firstChars(const QString &text, int n)
{
    qsizetype i = 0;
    for (int k = 0; k < n && i < text.size(); ++k)
        i += (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
    return text.left(i);
}

// A cell that means zero as it stands ("0", "０", "-0", "0.0"): reading it
// as 0 is no loss.
bool writtenAsZero(const QString &text)
{
    const QString t = AsciiDigits(text).trimmed();
    if (t.isEmpty())
        return true;
    bool digit = false;
    for (const QChar c : t) {
        if (c == u'0')
            digit = true;
        else if (c != u'+' && c != u'-' && c != u'.' && c != u' ')
            return false;
    }
    return digit;
}

void notice(TranscribeContext &ctx, qint16 item, const QString &cell, const QString &reason)
{
    ctx.valueNotices << ValueNotice{item, cell.trimmed(), reason};
}

// A death-record text longer than its field: the register's columns get
// only the width, so the cut is listed with what is kept and what is lost.
void noticeCut(TranscribeContext &ctx, qint16 item, const QString &column, const QString &value, int width)
{
    const QString kept = CutToWidth(value, width);
    if (kept.size() == value.size())
        return;
    notice(ctx, item, value,
           QStringLiteral("%1「%2」は %3 文字までのため、「%4」として書き込みます（%5 文字を切り捨て）。")
               .arg(column, value)
               .arg(width)
               .arg(kept)
               .arg(value.size() - kept.size()));
}

void noticeUnread(TranscribeContext &ctx, qint16 item, const QString &cell)
{
    notice(ctx, item, cell, QStringLiteral("「%1」を数として読めません。0 として書き込みます。").arg(cell.trimmed()));
}

// The digits of a numeral that makes up the date of death. One that is no
// number (十十, 五十五十, 3月5) stops the row: read in part, it would put the
// death on another day without a word.
QString dateDigits(const QString &piece, const QString &cell, bool eraYear = false)
{
    const NumeralReading r = ReadKanjiNumeral(piece, eraYear);
    if (r.isMalformed())
        throw RowFailure::cell(QStringLiteral("没年月日「%1」を直してください: %2").arg(cell.trimmed(), r.problem));
    return r.digits;
}

// A date of death that no calendar holds stops its row, as soon as its
// parts show it: month 13, day 40, 2023/02/30. Stored, it would be an entry
// without anniversaries that looks like any other. 0 is a part not given.
void checkDateExists(const KakoRec &k, const QString &cell)
{
    const QString shown = cell.trimmed();
    const auto stop = [&](const QString &why) {
        throw RowFailure::cell(QStringLiteral("没年月日「%1」は存在しない日付です: %2").arg(shown, why));
    };
    if (k.bnen < 0)
        stop(QStringLiteral("年 %1 は負の数です。").arg(k.bnen));
    if (k.btuki != 0 && (k.btuki < 1 || k.btuki > 12))
        stop(QStringLiteral("月 %1 はありません（1～12）。").arg(k.btuki));
    if (k.bHi != 0 && (k.bHi < 1 || k.bHi > 31))
        stop(QStringLiteral("日 %1 はありません（1～31）。").arg(k.bHi));
    if (k.bnen >= 1 && k.btuki >= 1 && k.bHi >= 1 && !QDate(k.bnen, k.btuki, k.bHi).isValid())
        stop(QStringLiteral("%1年%2月%3日 はありません（%1年%2月は %4 日まで）。")
                 .arg(k.bnen)
                 .arg(k.btuki)
                 .arg(k.bHi)
                 .arg(QDate(k.bnen, k.btuki, 1).daysInMonth()));
}

const EraRow &eraRowNamed(TranscribeContext &ctx, const QString &name)
{
    auto it = ctx.eraByName.constFind(name);
    if (it == ctx.eraByName.constEnd())
        it = ctx.eraByName.insert(name, LookUpEraByName(ctx.db, name));
    return *it;
}

QString dateText(const QDate &d)
{
    return QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day());
}

// The era the source states is kept, for a year alone (平成元年 is 平成 1,
// not the 昭和 64 that the year 1989 alone gives) and for a date inside
// that era. A date the stated era does not hold (平成元年1月5日, before
// 平成 began; 昭和七十年) keeps its year, month and day; its era follows the
// day (the month's first day when the day is not given, the whole-year rule
// for a year alone), and a notice says so. Decided again whenever a date
// item changes the date, so the last decision of the row stands alone.
void decideEntryEra(TranscribeContext &ctx, RowRecords &records, qint16 item, const QString &cell)
{
    StatedEra &s = records.statedEra;
    if (!s.notice.isEmpty()) {
        for (qsizetype i = ctx.valueNotices.size() - 1; i >= 0; --i)
            if (ctx.valueNotices.at(i).column == s.noticeColumn && ctx.valueNotices.at(i).reason == s.notice) {
                ctx.valueNotices.removeAt(i);
                break;
            }
        s.notice.clear();
        s.noticeColumn = -1;
    }
    s.decided = false;
    const KakoRec &k = records.entry;
    if (s.statedName.isEmpty() || s.westernYear != k.bnen || k.bnen < 1)
        return;
    const EraRow &row = eraRowNamed(ctx, s.statedName);
    if (!row.found)
        return;
    const EraYearAnswer endYear = row.bounded && row.end >= 1 && row.end <= 32767 ? ctx.eraYear(qint16(row.end))
                                                                                  : EraYearAnswer();
    const EraSpan span = SpanOfEra(row, endYear);
    const EraFit fit = FitInEra(span, k.bnen, k.btuki, k.bHi);
    s.decided = true;
    s.bnen = k.bnen;
    s.btuki = k.btuki;
    s.bHi = k.bHi;
    if (fit == EraFit::Inside) {
        s.name = row.name;
        s.year = QString::number(s.statedYear);
        return;
    }
    const qint16 day = k.bHi >= 1 ? k.bHi : k.btuki >= 1 ? qint16(1) : qint16(0);
    EraArray era{QString(), QStringLiteral("0")};
    EraOfDay(ctx.eraYear(k.bnen), k.bnen, k.btuki, day, era);
    s.name = era[0];
    s.year = era[1];

    QString stated = QStringLiteral("%1%2年").arg(row.name).arg(s.statedYear);
    if (k.btuki >= 1)
        stated += QStringLiteral("%1月").arg(k.btuki);
    if (k.btuki >= 1 && k.bHi >= 1)
        stated += QStringLiteral("%1日").arg(k.bHi);
    const QString written = era[0].trimmed().isEmpty() ? QStringLiteral("年号なし")
                                                       : QStringLiteral("%1%2年").arg(era[0].trimmed(), era[1]);
    s.notice = fit == EraFit::Before
                   ? QStringLiteral("「%1」は%2の始まる前の日付です（%2は %3 から）。年号は%4として書き込みます。")
                         .arg(stated, row.name, dateText(span.first), written)
                   : QStringLiteral("「%1」は%2の終わった後の日付です（%2は %3 まで）。年号は%4として書き込みます。")
                         .arg(stated, row.name, dateText(span.last), written);
    s.noticeColumn = item;
    notice(ctx, item, cell, s.notice);
}

// After every item that sets a part of the date of death.
void dateChanged(TranscribeContext &ctx, RowRecords &records, qint16 item, const QString &cell)
{
    checkDateExists(records.entry, cell);
    decideEntryEra(ctx, records, item, cell);
}

// Stores the trimmed text into every field. A text field is taken only when
// there is something in it, unless the item's rule takes it even when empty.
enum Take { OnlyFilled, EvenEmpty };

void put(const QString &text, Take take, std::initializer_list<QString *> fields)
{
    const QString t = text.trimmed();
    if (t.isEmpty() && take == OnlyFilled)
        return;
    for (QString *f : fields)
        *f = t;
}

// A numeric field is left alone when its cell is empty: every column comes
// for every row, and an empty one must not wipe out a value another item
// has set (the year of a written date, for instance).
void putNumber(const QString &text, qint16 &field)
{
    if (!text.trimmed().isEmpty())
        field = value16(text, text);
}

// As putNumber, for a field whose 0 the date of death does not explain: a
// cell that is no number is noted.
void putNumberNoticed(TranscribeContext &ctx, qint16 item, const QString &text, qint16 &field)
{
    if (text.trimmed().isEmpty())
        return;
    field = value16(text, text);
    if (field == 0 && !writtenAsZero(text))
        noticeUnread(ctx, item, text);
}

// When the date of death is complete, its anniversary dates are computed.
void CompletionTest(TranscribeContext &ctx, RowRecords &records)
{
    const KakoRec &k = records.entry;
    if (k.bnen >= 1 && k.btuki >= 1 && k.bHi >= 1) {
        const QChar zero(u'0');
        BuildKaikiDates(ctx, records, QStringLiteral("%1/%2/%3")
                                 .arg(int(k.bnen), 4, 10, zero)
                                 .arg(int(k.btuki), 2, 10, zero)
                                 .arg(int(k.bHi), 2, 10, zero));
    }
}

// The Western year of the era-year digits just read, under the era name in
// force. A piece without any numeral ("不明") is no era year: reading it as 0
// would give the year before the era began, so bnen stays as it is. The era
// so stated is kept for the entry (decideEntryEra).
void WesternYearOfEra(TranscribeContext &ctx, RowRecords &records, const QString &shown)
{
    if (ctx.work.eraName.trimmed().isEmpty() || ctx.work.eraYearDigits.isEmpty())
        return;
    const qint16 eraYear = value16(ctx.work.eraYearDigits, shown);
    KakoRec &k = records.entry;
    k.bnen = GetWesternYear(ctx.db, ctx.work.eraName, eraYear);
    StatedEra &s = records.statedEra;
    s.statedName = k.bnen != 0 ? ctx.work.eraName : QString();
    s.statedYear = eraYear;
    s.westernYear = k.bnen;
}

// bnen from a Western year: no era is stated for it.
void westernYear(RowRecords &records, qint16 year)
{
    records.entry.bnen = year;
    records.statedEra.statedName.clear();
}

// A date written as numbers with slashes (2023/02/30) sets nothing in this
// column, but one that no calendar holds is plainly a mistake in the source:
// it stops the row rather than leave an entry without its date unnoticed.
void refuseImpossibleNumericDate(const QString &cell)
{
    static const QRegularExpression numeric(QStringLiteral("^(\\d{1,4})[/\\-.](\\d{1,2})[/\\-.](\\d{1,2})$"));
    const QRegularExpressionMatch m = numeric.match(cell.normalized(QString::NormalizationForm_KC));
    if (!m.hasMatch())
        return;
    const int year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    if (year == 0 || month == 0 || day == 0 || QDate(year, month, day).isValid())
        return;
    const QString why = month > 12 ? QStringLiteral("月 %1 はありません（1～12）。").arg(month)
                                   : QStringLiteral("%1年%2月%3日 はありません。").arg(year).arg(month).arg(day);
    throw RowFailure::cell(QStringLiteral("没年月日「%1」は存在しない日付です: %2").arg(cell, why));
}

// A date written with 年, 月 and 日: a Western one (2003年5月17日, item 1) or
// one that starts with a two-character era name (平成15年5月17日, item 2).
// Each piece may be in kanji, full-width or ASCII digits. Whatever is there
// up to the first missing mark is taken; the anniversaries only follow a
// complete date.
void AssignWrittenDate(TranscribeContext &ctx, RowRecords &records, bool withEra, const QString &cell)
{
    const QString t = cell.trimmed();
    if (t.isEmpty())
        return;
    KakoRec &k = records.entry;
    qsizetype yearStart = 0;
    if (withEra) {
        ctx.work.eraName = firstChars(t, 2);
        yearStart = ctx.work.eraName.size();
    }

    // The marks are checked before any piece is read, so that a date written
    // the wrong way round is reported as such and not as a huge number.
    const qsizetype nen = t.indexOf(u'年');
    if (nen < 0) {
        refuseImpossibleNumericDate(t);
        return;
    }
    if (nen < yearStart)
        unreadableDate(t, QStringLiteral("年号（2文字）の後に「年」がありません。"));
    const qsizetype tsuki = t.indexOf(u'月');
    if (tsuki >= 0 && tsuki < nen)
        unreadableDate(t, QStringLiteral("「月」が「年」より前にあります。"));
    const qsizetype hi = tsuki < 0 ? -1 : t.indexOf(u'日');
    if (hi >= 0 && hi < tsuki)
        unreadableDate(t, QStringLiteral("「日」が「月」より前にあります。"));

    // Every piece is read before any is stored: a piece that is no number
    // stops the row with the date as it was.
    const QString year = t.mid(yearStart, nen - yearStart).trimmed();
    const QString yearDigits = year.isEmpty() ? QString() : dateDigits(year, t, withEra);
    const QString month = tsuki < 0 ? QString() : t.mid(nen + 1, tsuki - nen - 1).trimmed();
    const QString monthDigits = month.isEmpty() ? QString() : dateDigits(month, t);
    const QString day = hi < 0 ? QString() : t.mid(tsuki + 1, hi - tsuki - 1).trimmed();
    const QString dayDigits = day.isEmpty() ? QString() : dateDigits(day, t);

    if (!year.isEmpty()) {
        if (withEra) {
            ctx.work.eraYearDigits = yearDigits;
            WesternYearOfEra(ctx, records, year);
        } else {
            westernYear(records, value16(yearDigits, year));
        }
    }
    if (!month.isEmpty())
        k.btuki = value16(monthDigits, month);
    if (!day.isEmpty())
        k.bHi = value16(dayDigits, day);
    dateChanged(ctx, records, withEra ? 2 : 1, t);
    if (hi < 0)
        return;

    CompletionTest(ctx, records);
}

// One of the two postal halves in its own cell (taken even when empty); the
// contact and visit postal codes are then rebuilt from both halves.
void AssignPostalHalf(MemberRec &r, QString &half, const QString &text)
{
    half = text.trimmed();
    r.連絡先郵便 = r.訪問先郵便 = r.YUBIN1.trimmed() + u'-' + r.YUBIN2.trimmed();
}

// A whole postal code: the dashed form goes to the contact and visit fields,
// the halves to YUBIN1 and YUBIN2.
void AssignPostalCode(MemberRec &r, QString &text, std::initializer_list<QString *> alsoTo)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    for (QString *f : alsoTo)
        *f = t;
    r.連絡先郵便 = r.訪問先郵便 = t;
    SplitPostalCode(r, text);
}

// Contact and visit fields in item order, from ContactName to VisitFax.
void AssignContactField(MemberRec &r, int offset, const QString &text)
{
    QString *const fields[] = {&r.連絡先氏名, &r.連絡先郵便, &r.連絡先住所, &r.連絡先住所２, &r.連絡先電話, &r.連絡先ＦＡＸ,
                               &r.訪問先氏名, &r.訪問先郵便, &r.訪問先住所, &r.訪問先住所２, &r.訪問先電話, &r.訪問先ＦＡＸ};
    if (offset >= 0 && offset < int(std::size(fields)))
        put(text, OnlyFilled, {fields[offset]});
}

// The column asks for 昭和yy年; its era name and 年 are no number, and 元年
// is year 1.
void assignBirthEraYear(TranscribeContext &ctx, MemberRec &r, qint16 item, const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    const NumeralReading year = ReadKanjiNumeral(text.trimmed(), true);
    if (year.isMalformed())
        throw RowFailure::cell(QStringLiteral("生れ年号年「%1」を直してください: %2").arg(text.trimmed(), year.problem));
    r.NENGO_NEN = value16(year.digits, text);
    if (year.digits.isEmpty())
        noticeUnread(ctx, item, text);
}

void AssignMember(TranscribeContext &ctx, RowRecords &records, qint16 item, QString &text)
{
    MemberRec &r = records.member;
    switch (MemberItem(item)) {
    case MemberItem::PersonalNumber: put(text, EvenEmpty, {&r.KOJIN_NO}); break;
    case MemberItem::RegistrationDate: {
        put(text, EvenEmpty, {&r.T_YMD});
        const QString problem = RegistrationDateProblem(r.T_YMD);
        if (!problem.isEmpty())
            notice(ctx, item, text, problem);
        break;
    }
    case MemberItem::CancellationDate: put(text, EvenEmpty, {&r.取消日}); break;
    case MemberItem::HouseholdNumber: r.SETAI_NO = FormatSetaiNo(text); break;
    case MemberItem::RelationNumber: put(text, EvenEmpty, {&r.ZOK_CD}); break;
    case MemberItem::RelationCode: r.ZOK_ID = 0; break;
    case MemberItem::RelationName: r.ZOK_NM = QStringLiteral("本人"); break;
    case MemberItem::Name: put(text, EvenEmpty, {&r.MEI, &r.連絡先氏名, &r.訪問先氏名}); break;
    case MemberItem::NameReading: put(text, EvenEmpty, {&r.MEI_KA}); break;
    case MemberItem::Sex: put(text, EvenEmpty, {&r.SEX}); break;
    case MemberItem::BirthWesternYear: putNumberNoticed(ctx, item, text, r.sei); break;
    case MemberItem::BirthEra: put(text, EvenEmpty, {&r.NenGo}); break;
    case MemberItem::BirthEraYear: assignBirthEraYear(ctx, r, item, text); break;
    case MemberItem::BirthMonth: putNumberNoticed(ctx, item, text, r.tuki); break;
    case MemberItem::BirthDay: putNumberNoticed(ctx, item, text, r.Hi); break;
    case MemberItem::BirthZodiacSign: put(text, EvenEmpty, {&r.KETO}); break;
    case MemberItem::BirthStar: put(text, EvenEmpty, {&r.KHOSI}); break;
    case MemberItem::BirthBuddha: put(text, EvenEmpty, {&r.KBUTU}); break;
    case MemberItem::MobilePhone: put(text, EvenEmpty, {&r.KEITAI}); break;
    case MemberItem::LivingFlag: r.LIF = QStringLiteral("0"); break;
    case MemberItem::Memo: put(text, EvenEmpty, {&r.Memo}); break;
    case MemberItem::Occupation: put(text, EvenEmpty, {&r.SYOKU}); break;
    case MemberItem::EmployerName: put(text, EvenEmpty, {&r.KINMU_MEI}); break;
    case MemberItem::EmployerDepartment: put(text, EvenEmpty, {&r.BUKA}); break;
    case MemberItem::EmployerAddress: put(text, EvenEmpty, {&r.KINMU_JYU}); break;
    case MemberItem::EmployerPhone: put(text, EvenEmpty, {&r.KINMU_TEL}); break;
    case MemberItem::EmployerExtension: put(text, EvenEmpty, {&r.NAI_TEL}); break;
    case MemberItem::EmploymentMemo: put(text, EvenEmpty, {&r.KINMU_MEMO}); break;
    case MemberItem::Phone: put(text, EvenEmpty, {&r.tel, &r.連絡先電話, &r.訪問先電話}); break;
    case MemberItem::Fax: put(text, EvenEmpty, {&r.FAX, &r.連絡先ＦＡＸ, &r.訪問先ＦＡＸ}); break;
    case MemberItem::PostalCodeFirstPart: AssignPostalHalf(r, r.YUBIN1, text); break;
    case MemberItem::PostalCodeSecondPart: AssignPostalHalf(r, r.YUBIN2, text); break;
    case MemberItem::Address: put(text, OnlyFilled, {&r.JYU, &r.訪問先住所, &r.連絡先住所}); break;
    case MemberItem::Address2: put(text, EvenEmpty, {&r.JYU_KA, &r.連絡先住所２, &r.訪問先住所２}); break;
    case MemberItem::PostalCode: AssignPostalCode(r, text, {}); break;
    case MemberItem::District: put(text, OnlyFilled, {&r.地区}); break;
    case MemberItem::SearchText: put(text, OnlyFilled, {&r.検索}); break;
    default:
        if (item >= itemNumber(MemberItem::ContactName) && item <= itemNumber(MemberItem::VisitFax))
            AssignContactField(r, item - itemNumber(MemberItem::ContactName), text);
        break; // Id, Unused29, Unused30 and anything else: nothing
    }
}

void AssignHousehold(RowRecords &records, qint16 item, QString &text)
{
    MemberRec &r = records.member;
    switch (HouseholdItem(item)) {
    case HouseholdItem::HouseholdNumber: r.SETAI_NO = FormatSetaiNo(text); break;
    case HouseholdItem::HeadName: put(text, EvenEmpty, {&r.MEI, &r.連絡先氏名, &r.訪問先氏名}); break;
    case HouseholdItem::HouseholdKana: put(text, EvenEmpty, {&r.MEI_KA}); break;
    case HouseholdItem::Phone: put(text, EvenEmpty, {&r.tel, &r.連絡先電話, &r.訪問先電話}); break;
    case HouseholdItem::Fax: put(text, EvenEmpty, {&r.FAX, &r.連絡先ＦＡＸ, &r.訪問先ＦＡＸ}); break;
    case HouseholdItem::PostalCodeFirstPart: AssignPostalHalf(r, r.YUBIN1, text); break;
    case HouseholdItem::PostalCodeSecondPart: AssignPostalHalf(r, r.YUBIN2, text); break;
    case HouseholdItem::Address: put(text, OnlyFilled, {&r.JYU, &r.訪問先住所, &r.連絡先住所}); break;
    case HouseholdItem::Address2: put(text, EvenEmpty, {&r.JYU_KA, &r.連絡先住所２, &r.訪問先住所２}); break;
    case HouseholdItem::PostalCode: AssignPostalCode(r, text, {}); break;
    case HouseholdItem::District: put(text, OnlyFilled, {&r.地区}); break;
    case HouseholdItem::SearchText: put(text, OnlyFilled, {&r.検索}); break;
    default:
        if (item >= itemNumber(HouseholdItem::ContactName) && item <= itemNumber(HouseholdItem::VisitFax))
            AssignContactField(r, item - itemNumber(HouseholdItem::ContactName), text);
        break; // the notice address, staff, spare and anything else: nothing
    }
}

// The age at death: every row hands it over, and an empty one is 0, as
// when not given. Written in kanji (行年八十五歳, 八拾五才) it is read as a
// numeral; otherwise as the leading number (85歳, -5).
void AssignAge(TranscribeContext &ctx, RowRecords &records, qint16 item, QString &text)
{
    KakoRec &k = records.entry;
    const QString cell = text;
    text = RemoveChar(RemoveChar(text, QStringLiteral("歳")), QStringLiteral("才"));
    bool kanji = false;
    for (const QChar c : std::as_const(text))
        kanji = kanji || IsKanjiNumeralChar(c.unicode());
    if (kanji) {
        const NumeralReading r = ReadKanjiNumeral(text);
        if (r.isMalformed()) {
            k.享年 = 0;
            notice(ctx, item, cell, QStringLiteral("享年「%1」: %2").arg(cell.trimmed(), r.problem) + QStringLiteral("0 として書き込みます。"));
            return;
        }
        k.享年 = value16(r.digits, cell);
        return;
    }
    k.享年 = value16(text, text);
    if (k.享年 == 0 && !writtenAsZero(text))
        notice(ctx, item, cell, QStringLiteral("享年「%1」を数として読めません。0 として書き込みます。").arg(cell.trimmed()));
    else if (k.享年 < 0) {
        // No age is below 0: written as read it would become "の十一" in
        // 享年和. Stored as an unread age is; the notice keeps the number.
        notice(ctx, item, cell, QStringLiteral("享年「%1」が負の数です。0 として書き込みます。").arg(cell.trimmed()));
        k.享年 = 0;
    }
}

// A text of the entry, also copied to the member fields in alsoTo. One
// longer than its kako.rnd field is noted with what is kept.
void putEntryText(TranscribeContext &ctx, qint16 item, QString &text, QString &field, const char16_t *column, int width,
                  std::initializer_list<QString *> alsoTo = {})
{
    put(text, EvenEmpty, {&field});
    for (QString *f : alsoTo)
        put(text, EvenEmpty, {f});
    noticeCut(ctx, item, QString::fromUtf16(column), field, width);
}

// A part of the date of death in a cell of its own, as a numeral in kanji
// or digits: the era year, the month or the day. An empty cell leaves the
// date alone; the digits read stay for the next rows.
void assignDatePartInKanji(TranscribeContext &ctx, RowRecords &records, DeathItem item, const QString &t)
{
    if (t.isEmpty())
        return;
    CellWorkingTexts &w = ctx.work;
    KakoRec &k = records.entry;
    switch (item) {
    case DeathItem::DeathEraYear:
        w.eraYearDigits = dateDigits(t, t, true);
        WesternYearOfEra(ctx, records, t);
        break;
    case DeathItem::DeathMonth:
        w.monthDigits = dateDigits(t, t);
        k.btuki = value16(w.monthDigits, t);
        break;
    default: // the day
        w.dayDigits = dateDigits(t, t);
        k.bHi = value16(w.dayDigits, t);
        break;
    }
    dateChanged(ctx, records, itemNumber(item), t);
    if (item == DeathItem::DeathDay)
        CompletionTest(ctx, records);
}

// A part of the date of death as a number: the Western year, the month or
// the day. An empty cell leaves the date alone, but the day's cell still
// completes a date the other cells gave.
void assignDatePartNumber(TranscribeContext &ctx, RowRecords &records, DeathItem item, QString &text)
{
    if (!text.trimmed().isEmpty()) {
        KakoRec &k = records.entry;
        if (item == DeathItem::DeathWesternYear)
            westernYear(records, value16(text, text));
        else
            putNumber(text, item == DeathItem::DeathMonthNumber ? k.btuki : k.bHi);
        dateChanged(ctx, records, itemNumber(item), text);
    }
    if (item == DeathItem::DeathDayNumber)
        CompletionTest(ctx, records);
}

void AssignDeathRegister(TranscribeContext &ctx, RowRecords &records, qint16 item, QString &text)
{
    KakoRec &k = records.entry;
    MemberRec &r = records.member;
    const QString t = text.trimmed();
    switch (DeathItem(item)) {
    case DeathItem::DeathDate: AssignWrittenDate(ctx, records, false, text); break;
    case DeathItem::DeathDateWithEra: AssignWrittenDate(ctx, records, true, text); break;
    case DeathItem::DeathEra: put(text, OnlyFilled, {&ctx.work.eraName}); break;
    case DeathItem::DeathEraYear:
    case DeathItem::DeathMonth:
    case DeathItem::DeathDay: assignDatePartInKanji(ctx, records, DeathItem(item), t); break;
    case DeathItem::AgeAtDeath: AssignAge(ctx, records, item, text); break;
    case DeathItem::PosthumousNameReading: putEntryText(ctx, item, text, k.ﾖﾐ, u"ﾖﾐ", KakoWidth::ﾖﾐ); break;
    case DeathItem::PosthumousName: putEntryText(ctx, item, text, k.戒名, u"戒名", KakoWidth::戒名); break;
    case DeathItem::SecularName: putEntryText(ctx, item, text, k.俗名, u"俗名", KakoWidth::俗名); break;
    case DeathItem::ChiefMourner: putEntryText(ctx, item, text, k.施主名, u"施主名", KakoWidth::施主名, {&r.MEI, &r.世帯主名}); break;
    case DeathItem::Relationship: putEntryText(ctx, item, text, k.続柄, u"続柄", KakoWidth::続柄); break;
    case DeathItem::DeathWesternYear:
    case DeathItem::DeathMonthNumber:
    case DeathItem::DeathDayNumber: assignDatePartNumber(ctx, records, DeathItem(item), text); break;
    case DeathItem::TempleNumber:
        if (!t.isEmpty())
            r.寺番号 = value32(text, text);
        break;
    case DeathItem::HouseholdId:
        if (!t.isEmpty())
            r.SETAI_NO = FormatSetaiNo(t);
        break;
    case DeathItem::PersonalId: put(text, OnlyFilled, {&r.KOJIN_NO}); break;
    case DeathItem::PostalCode: AssignPostalCode(r, text, {&k.郵便}); break;
    case DeathItem::Address: put(text, OnlyFilled, {&k.住所, &r.JYU, &r.訪問先住所, &r.連絡先住所}); break;
    case DeathItem::Phone: put(text, OnlyFilled, {&k.電話, &r.tel, &r.連絡先電話, &r.訪問先電話}); break;
    case DeathItem::District: put(text, OnlyFilled, {&r.地区}); break;
    case DeathItem::SearchText: put(text, OnlyFilled, {&r.検索}); break;
    default: break; // AgeInKanji, StaffCode, StaffName and anything else: nothing
    }
}

} // namespace

bool StatedEraOfEntry(const RowRecords &records, EraArray &era)
{
    const StatedEra &s = records.statedEra;
    const KakoRec &k = records.entry;
    if (!s.decided || s.bnen != k.bnen || s.btuki != k.btuki || s.bHi != k.bHi)
        return false;
    era = {s.name, s.year};
    return true;
}

QString FormatSetaiNo(const QString &text)
{
    // The same "000000" rule as the writers', on the trimmed text.
    return SixDigits(text.trimmed());
}

void SplitPostalCode(MemberRec &row, QString &p)
{
    if (p.contains(u'-')) {
        p = RemoveChar(p, QStringLiteral("-"));
        const QString t = p.trimmed();
        if (t.size() == 7) {
            row.YUBIN1 = t.left(3);
            row.YUBIN2 = t.mid(3, 4);
            return;
        }
    }
    const QString t = p.trimmed();
    if (t.size() <= 3) {
        row.YUBIN1 = t;
    } else {
        row.YUBIN1 = t.left(3);
        row.YUBIN2 = t.mid(3);
    }
}

void AssignCell(TranscribeContext &ctx, RowRecords &records, qint16 kind, qint16 item, QString &text)
{
    switch (kind) {
    case 0: AssignMember(ctx, records, item, text); break;
    case 1: AssignHousehold(records, item, text); break;
    case 2: AssignDeathRegister(ctx, records, item, text); break;
    default: break;
    }
}

} // namespace tera
