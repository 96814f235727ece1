#include "transcribe/death_register.h"

#include "transcribe/cell_assignment.h"

#include "model/schema.h"
#include "convert/era_calendar.h"
#include "convert/kanji_numerals.h"
#include "platform/database.h"
#include "transcribe/context.h"
#include "transcribe/household_writer.h"
#include "transcribe/member_writer.h"

#include <QDate>

#include <array>
#include <tuple>
namespace tera {

using namespace schema;

namespace {

const QString kBlank = QStringLiteral(" ");

// The anniversaries: name and offset from the day of death. Indexes 0 to 7
// count days (the day of death is day one), 8 to 30 calendar years.
struct Kaiki {
    const char16_t *name;
    int offset;
};
const Kaiki kKaiki[31] = {
    {u"初七日", 6},    {u"二七日", 13},   {u"三七日", 20},   {u"四七日", 27},   {u"五七日", 34},
    {u"六七日", 41},   {u"七七日", 48},   {u"百ヶ日", 99},   {u"１周忌", 1},    {u"３回忌", 2},
    {u"７回忌", 6},    {u"13回忌", 12},   {u"17回忌", 16},   {u"23回忌", 22},   {u"25回忌", 24},
    {u"27回忌", 26},   {u"33回忌", 32},   {u"37回忌", 36},   {u"43回忌", 42},   {u"47回忌", 46},
    {u"50回忌", 49},   {u"66回忌", 65},   {u"百回忌", 99},   {u"150回忌", 149}, {u"200回忌", 199},
    {u"250回忌", 249}, {u"300回忌", 299}, {u"350回忌", 349}, {u"400回忌", 399}, {u"450回忌", 449},
    {u"500回忌", 499},
};
constexpr int kLastDayOffset = 7;

const char16_t *const kServiceNames[13] = {u"永代",   u"月参り", u"祥月参", u"春彼岸", u"紫陽花",
                                           u"盆施餓鬼", u"秋彼岸", u"お初穂", u"新彼岸", u"新盆",
                                           u"棚経",   u"墓地保有", u"檀信祖霊"};

// The pieces of a year/month/day text: year, month, day.
QStringList datePieces(const QString &text)
{
    QStringList piece(3);
    qint16 count = 0;
    SplitStr(text, u'/', piece, count);
    return piece;
}

// A year/month/day text as a date; a year of one or two characters belongs
// to this century. Invalid (a null QDate) when it names no day.
QDate dateOfText(const QString &text)
{
    const QStringList piece = datePieces(text);
    const QString year = piece.at(0).trimmed();
    const qint64 y = NumericValue(year.size() < 3 ? QStringLiteral("20") + year : year);
    const qint64 m = NumericValue(piece.at(1));
    const qint64 d = NumericValue(piece.at(2));
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return QDate();
    return QDate(int(y), int(m), int(d));
}

// The dates the anniversary texts (four-digit years) can carry.
bool holdable(const QDate &d)
{
    return d.isValid() && d.year() >= 1 && d.year() <= 9999;
}

QString kanji(qint64 value)
{
    return ToKanjiNum(QString::number(value));
}

// The columns of the deceased that W_KAKO, W_KAIKI and D_OMAIRI share.
struct DeathColumns {
    QString 歿年月, 歿年日, 享年, 享年和, 戒名, 俗名, 施主名, 続柄;

    explicit DeathColumns(const KakoRec &k)
        : 歿年月(BlankForEmpty(kanji(k.btuki))), 歿年日(BlankForEmpty(kanji(k.bHi))),
          享年(BlankForEmpty(QString::number(k.享年))), 享年和(BlankForEmpty(kanji(k.享年))),
          戒名(BlankForEmpty(CutToWidth(k.戒名.trimmed(), KakoWidth::戒名))),
          俗名(BlankForEmpty(CutToWidth(k.俗名.trimmed(), KakoWidth::俗名))),
          施主名(BlankForEmpty(CutToWidth(k.施主名.trimmed(), KakoWidth::施主名))),
          続柄(BlankForEmpty(CutToWidth(k.続柄.trimmed(), KakoWidth::続柄)))
    {
    }

    void appendTo(Columns &c) const
    {
        c << std::pair{col::歿年月, QVariant(歿年月)} << std::pair{col::歿年日, QVariant(歿年日)}
          << std::pair{col::享年, QVariant(享年)} << std::pair{col::享年和, QVariant(享年和)}
          << std::pair{col::戒名, QVariant(戒名)};
    }
    void appendNamesTo(Columns &c) const
    {
        c << std::pair{col::俗名, QVariant(俗名)} << std::pair{col::施主名, QVariant(施主名)}
          << std::pair{col::続柄, QVariant(続柄)};
    }
};

// 世帯CD of W_KAIKI and D_OMAIRI: the household number as it stands, or a
// blank when it names no household.
QString householdText(const MemberRec &r)
{
    return NumericValue(r.SETAI_NO) > 0 ? r.SETAI_NO : kBlank;
}

bool noRowsOf(TranscribeContext &ctx, const QString &table, qint16 kakoCd)
{
    try {
        Query q = ctx.db.prepare(Sql("SELECT 1 AS n FROM [%1] WHERE [%2] = ?", {table, col::過去CD}));
        FinishOnExit done(q);
        q.exec({int(kakoCd)});
        return !q.next();
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return false;
    }
}

void deleteRowsOf(TranscribeContext &ctx, const QString &table, qint16 kakoCd)
{
    ctx.db.execute(Sql("DELETE FROM [%1] WHERE [%2] = ?", {table, col::過去CD}), {int(kakoCd)});
}

} // namespace

QString KaikiName(qint16 index)
{
    if (index >= 0 && index <= 30)
        return QString::fromUtf16(kKaiki[index].name);
    if (index == 31)
        return QStringLiteral("550回忌");
    if (index == 32)
        return QStringLiteral("600回忌");
    if (index >= 40 && index <= 52)
        return QString::fromUtf16(kServiceNames[index - 40]);
    return QString();
}

void ClearKaikiDates(std::array<QString, 32> &dates)
{
    for (QString &d : dates)
        d.clear();
}

bool BuildKaikiDates(TranscribeContext &ctx, RowRecords &records, const QString &date)
{
    if (CheckYmd(date) > YmdValid)
        return false;
    // From here on a date the calendar cannot hold stops the computation:
    // the dates not reached stay blank.
    ClearKaikiDates(records.anniversaryDates);
    const QDate input = dateOfText(date);
    if (!holdable(input))
        return false;

    // The temple may keep the anniversaries a day before or after the death.
    QDate shifted = input;
    switch (ctx.master.kbnValues[10]) {
    case 1:
        shifted = input.addDays(-1);
        break;
    case 2:
        shifted = input.addDays(1);
        break;
    default:
        break;
    }
    if (!holdable(shifted))
        return false;

    for (int i = 0; i <= kLastDayOffset; ++i) {
        const QDate d = shifted.addDays(kKaiki[i].offset);
        if (!holdable(d))
            return false;
        records.anniversaryDates[i] = SlashedDate(d);
    }
    // The yearly anniversaries follow the shift only when the temple says so.
    const QDate base = ctx.master.kbnValues[12] == 0 ? input : shifted;
    for (int i = kLastDayOffset + 1; i <= 30; ++i) {
        const QDate d = base.addYears(kKaiki[i].offset); // 29 February falls on the 28th
        if (!holdable(d))
            return false;
        records.anniversaryDates[i] = SlashedDate(d);
    }
    return true;
}

bool KakoIsEmpty(TranscribeContext &ctx, qint16 kakoCd) { return noRowsOf(ctx, tbl::W_KAKO, kakoCd); }
bool KaikiIsEmpty(TranscribeContext &ctx, qint16 kakoCd) { return noRowsOf(ctx, tbl::W_KAIKI, kakoCd); }
bool OmairiIsEmpty(TranscribeContext &ctx, qint16 kakoCd) { return noRowsOf(ctx, tbl::D_OMAIRI, kakoCd); }

void DeleteKako(TranscribeContext &ctx, qint16 kakoCd) { deleteRowsOf(ctx, tbl::W_KAKO, kakoCd); }
void DeleteKaiki(TranscribeContext &ctx, qint16 kakoCd) { deleteRowsOf(ctx, tbl::W_KAIKI, kakoCd); }
void DeleteOmairi(TranscribeContext &ctx, qint16 kakoCd) { deleteRowsOf(ctx, tbl::D_OMAIRI, kakoCd); }

namespace {

// The era of a day through the run's cache: M_年号 is never written by a
// run. A month and day that form no date leave the era of the year alone.
// No era for the year (year 0, before the first era) is an empty name and
// era year 0, never the era of some other date.
EraArray eraOfDay(TranscribeContext &ctx, qint16 year, qint16 month, qint16 day)
{
    EraArray era{QString(), QStringLiteral("0")};
    EraOfDay(ctx.eraYear(year), year, month, day, era);
    return era;
}

// The era of the entry, written with it and with its anniversary and
// service rows: the era its date states when it names one.
EraArray entryEra(TranscribeContext &ctx, RowRecords &records)
{
    EraArray era;
    if (StatedEraOfEntry(records, era))
        return era;
    const KakoRec &k = records.entry;
    return eraOfDay(ctx, k.bnen, k.btuki, k.bHi);
}

} // namespace

void GetOmairiName(TranscribeContext &ctx, qint16 number, QString &name, qint16 &month)
{
    const auto cached = ctx.serviceNameCache.constFind(number);
    if (cached != ctx.serviceNameCache.constEnd()) {
        name = cached->name;
        month = cached->month;
        return;
    }
    Query q = ctx.db.prepare(Sql("SELECT * FROM [%1] WHERE [%2] = ? AND [%3] <> ?", {tbl::OMAIRI, col::ONO, col::NM})
                             + ctx.db.storedOrder());
    FinishOnExit done(q);
    q.exec({int(number), kBlank});
    if (!q.next()) {
        name.clear();
        month = 0;
    } else {
        name = q.text(col::NM).trimmed();
        month = toInt16(q.integer(col::Otuki));
    }
    ctx.serviceNameCache.insert(number, {name, month});
}

qint16 FirstServiceOffset(TranscribeContext &ctx, qint16 y, qint16 m, qint16 d, qint16 k)
{
    if (k != 6 && k != 7)
        return 1;
    OmairiRec &service = ctx.master.services[k];
    if (service.OHi == 0)
        service.OHi = 1; // kept for the rest of the run, in the run's own copy
    const qint16 daysBefore = ctx.master.kbnValues[k == 6 ? 5 : 4];
    const QDate serviceDay(ctx.clock.today().year(), service.Otuki, service.OHi);
    if (!serviceDay.isValid())
        return 1; // a master without a usable month or day gives no reference date
    const QDate reference = serviceDay.addDays(-daysBefore);
    // Compared piece by piece, so that a death date the calendar does not
    // know (the 30th of February) still compares.
    const bool onOrAfterDeath = std::make_tuple(reference.year(), reference.month(), reference.day())
                                >= std::make_tuple(int(y), int(m), int(d));
    return onOrAfterDeath ? 0 : 1;
}

void PutKakoRnd(TranscribeContext &ctx, RowRecords &records)
{
    KakoRec &k = records.entry;
    for (int i = 0; i <= 30; ++i) {
        k.kaikiDate[i] = records.anniversaryDates[i];
        k.kaikiFlag[i] = 1;
    }
    k.kaikiDate[31].clear();
    k.kaikiFlag[31] = 0;
    for (int i = 0; i <= 17; ++i)
        k.omairiFlag[i] = 1;
    ctx.kakoFile.put(k);
}

bool WriteKako(TranscribeContext &ctx, RowRecords &records, qint16 kakoCd)
{
    try {
        if (!KakoIsEmpty(ctx, kakoCd))
            DeleteKako(ctx, kakoCd);
        const KakoRec &k = records.entry;
        const MemberRec &r = records.member;
        const EraArray era = entryEra(ctx, records);
        const qint64 eraYear = NumericValue(era[1]);
        const DeathColumns death(k);

        Columns c{{col::過去CD, int(kakoCd)},
                  {col::世帯CD, toInt32(NumericValue(r.SETAI_NO))},
                  {col::個人CD, 0},
                  {col::年号, BlankForEmpty(era[0])},
                  {col::年号年, BlankForEmpty(eraYear > 0 ? kanji(eraYear) : kBlank)}};
        death.appendTo(c);
        // The trailing blank only where the width leaves room for it.
        const QString reading = CutToWidth(k.ﾖﾐ.trimmed(), KakoWidth::ﾖﾐ);
        c << std::pair{col::ﾖﾐ, QVariant(reading.size() < KakoWidth::ﾖﾐ ? reading + kBlank : reading)};
        death.appendNamesTo(c);
        c << std::pair{col::bnen, QVariant(int(k.bnen))}
          << std::pair{col::btuki, QVariant(int(k.btuki))}
          << std::pair{col::bHi, QVariant(int(k.bHi))}
          << std::pair{col::yubin, QVariant(r.訪問先郵便)}
          << std::pair{col::JYU, QVariant(r.訪問先住所)}
          << std::pair{col::tel, QVariant(r.訪問先電話)};
        if (!r.地区.isEmpty())
            c << std::pair{col::地区, QVariant(r.地区)};
        if (!r.検索.isEmpty())
            c << std::pair{col::検索, QVariant(r.検索)};
        ctx.db.insert(tbl::W_KAKO, c);
        return true;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return false;
    }
}

namespace {

// The year a service row falls in. A month already past this year falls
// next year; the current month counts as this year. The first bon and the
// first higan (7 and 8) follow the date of death, and without a whole date
// they have no year.
qint16 serviceYear(TranscribeContext &ctx, const KakoRec &k, qint16 service, qint16 month, const QDate &today)
{
    if (service != 7 && service != 8)
        return toInt16(today.year() + (today.month() > month ? 1 : 0));
    if (k.bnen != 0 && k.btuki != 0 && k.bHi != 0)
        return toInt16(today.year() + FirstServiceOffset(ctx, k.bnen, k.btuki, k.bHi, service));
    return 0;
}

// The date of death, schedule and visit columns of a service row.
void appendServiceVisit(Columns &c, const KakoRec &k, const MemberRec &r, const OmairiRec &service, qint16 scheduleKind)
{
    const QString visitName = r.訪問先氏名.trimmed();
    c << std::pair{col::bnen, QVariant(int(k.bnen))}
      << std::pair{col::btuki, QVariant(int(k.btuki))}
      << std::pair{col::bHi, QVariant(int(k.bHi))}
      << std::pair{col::KSEI, QVariant(int(scheduleKind))}
      << std::pair{col::案内, QVariant(0)}
      << std::pair{col::曜日指定, QVariant(int(r.曜日指定))}
      << std::pair{col::場所, QVariant(int(service.訪問区分))};
    if (!visitName.isEmpty())
        c << std::pair{col::場所名, QVariant(visitName)};
    c << std::pair{col::寺番号, QVariant(0)}
      << std::pair{col::地区, QVariant(r.地区 + kBlank)}
      << std::pair{col::訪問電話, QVariant(r.訪問先電話 + kBlank)}
      << std::pair{col::訪問郵便, QVariant(r.訪問先郵便 + kBlank)}
      << std::pair{col::訪問住所, QVariant(r.訪問先住所 + kBlank)};
}

// The date of death, anniversary and visit columns of an anniversary row.
void appendKaikiTail(Columns &c, const KakoRec &k, const MemberRec &r, int index, qint16 year)
{
    c << std::pair{col::bnen, QVariant(int(k.bnen))}
      << std::pair{col::btuki, QVariant(int(k.btuki))}
      << std::pair{col::bHi, QVariant(int(k.bHi))}
      << std::pair{col::KAINO, QVariant(index)}
      << std::pair{col::KSEI, QVariant(int(year))}
      << std::pair{col::担当者CD, QVariant(0)}
      << std::pair{col::yubin, QVariant(r.訪問先郵便)}
      << std::pair{col::JYU, QVariant(r.訪問先住所)}
      << std::pair{col::tel, QVariant(r.訪問先電話)};
}

// An anniversary's own columns, from its stored date: its name, the day and
// the era of that day. False, the failure noted, when the text is no date.
bool kaikiDayColumns(TranscribeContext &ctx, int index, const QString &stored, Columns &c, qint16 &year)
{
    const QStringList piece = datePieces(stored);
    year = toInt16(NumericValue(piece.at(0)));
    const qint16 month = toInt16(NumericValue(piece.at(1)));
    const EraArray kaikiEra = eraOfDay(ctx, year, month, toInt16(NumericValue(piece.at(2))));
    const qint64 kaikiEraYear = NumericValue(kaikiEra[1]);

    c = Columns{{col::回忌, BlankForEmpty(KaikiName(qint16(index)))}};
    if (!stored.isEmpty()) {
        const QDate day = dateOfText(stored);
        if (!day.isValid()) {
            ctx.valueFailed(13, QStringLiteral("回忌年が日付ではありません (%1)。").arg(stored));
            return false;
        }
        c << std::pair{col::回忌年, ctx.db.dateValue(day)};
    }
    c << std::pair{col::回年号, QVariant(BlankForEmpty(kaikiEra[0]))}
      << std::pair{col::回年, QVariant(int(kaikiEraYear > 0 ? toInt16(kaikiEraYear) : 0))}
      << std::pair{col::回月, QVariant(int(month))}
      << std::pair{col::回日, QVariant(BlankForEmpty(piece.at(2)))};
    return true;
}

} // namespace

bool WriteKaiki(TranscribeContext &ctx, RowRecords &records, qint16 kakoCd)
{
    try {
        if (!KaikiIsEmpty(ctx, kakoCd))
            DeleteKaiki(ctx, kakoCd);
        KakoRec &k = records.entry;
        const MemberRec &r = records.member;
        const EraArray era = entryEra(ctx, records);
        const DeathColumns death(k);
        const QString household = householdText(r);
        const QString eraName = BlankForEmpty(era[0]);
        const QString eraYear = BlankForEmpty(NumericValue(era[1]) > 0 ? ToKanjiNum(era[1]) : QString());

        // Members whose Kankei is "2" are remembered up to 500回忌, all
        // others up to 200回忌.
        const int last = r.Kankei == QStringLiteral("2") ? 30 : 24;
        for (int i = 0; i <= last; ++i) {
            if (k.kaikiFlag[i] != 1)
                continue;
            QString stored = k.kaikiDate[i];
            stored.remove(QChar(0));
            stored = stored.trimmed();
            k.kaikiDate[i] = stored;
            Columns c;
            qint16 year = 0;
            if (!kaikiDayColumns(ctx, i, stored, c, year))
                return false;
            c << std::pair{col::過去CD, QVariant(int(kakoCd))}
              << std::pair{col::世帯CD, QVariant(household)}
              << std::pair{col::個人CD, QVariant(kBlank)}
              << std::pair{col::年号, QVariant(eraName)}
              << std::pair{col::年号年, QVariant(eraYear)};
            death.appendTo(c);
            death.appendNamesTo(c);
            appendKaikiTail(c, k, r, i, year);
            ctx.db.insert(tbl::W_KAIKI, c);
        }
        return true;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return false;
    }
}

bool WriteOmairi(TranscribeContext &ctx, RowRecords &records, qint16 kakoCd, qint16 householdNo)
{
    try {
        const KakoRec &k = records.entry;
        if (k.bnen == 0)
            return true; // no service rows without a year of death
        if (!OmairiIsEmpty(ctx, kakoCd))
            DeleteOmairi(ctx, kakoCd);
        const MemberRec &r = records.member;
        const QString household = householdText(r);
        const QString person = QString::number(householdNo);
        const EraArray era = entryEra(ctx, records);
        const QString eraName = BlankForEmpty(era[0]);
        // No era (era year 0) is blank, as in W_KAKO, never a written zero.
        const QString eraYear = NumericValue(era[1]) > 0 ? kanji(NumericValue(era[1])) : kBlank;
        const DeathColumns death(k);
        const QDate today = ctx.clock.today();

        for (qint16 i = 0; i <= 17; ++i) {
            if (k.omairiFlag[i] != 1)
                continue;
            QString name;
            qint16 masterMonth = 0;
            GetOmairiName(ctx, i, name, masterMonth);
            const OmairiRec &service = ctx.master.services[i];
            const qint16 month = service.Otuki > 0 ? service.Otuki : masterMonth != 0 ? masterMonth : k.btuki;
            const qint16 day = service.OHi > 0 ? service.OHi : k.bHi;
            const qint16 year = serviceYear(ctx, k, i, month, today);
            const EraArray serviceEra = eraOfDay(ctx, year, month, day);

            Columns c{{col::OMAIRINO, int(i)},
                      {col::法要, name.trimmed() + kBlank},
                      {col::法要年, int(year)},
                      {col::法年号, serviceEra[0].trimmed()},
                      {col::法年, QString::number(NumericValue(serviceEra[1]))},
                      {col::法月, QString::number(month)},
                      {col::法日, QString::number(day)},
                      {col::過去CD, int(kakoCd)},
                      {col::世帯CD, household},
                      {col::個人CD, person},
                      {col::年号, eraName},
                      {col::年号年, eraYear}};
            death.appendTo(c);
            death.appendNamesTo(c);
            appendServiceVisit(c, k, r, service, ctx.scheduleKind);
            ctx.db.insert(tbl::D_OMAIRI, c);
        }
        return true;
    } catch (const DbError &e) {
        ctx.writerFailed(e);
        return false;
    }
}

EntryLimitReached::EntryLimitReached(qint64 kakoCd)
    : DbError(6, QStringLiteral("過去帳に登録できるのは 32,767 件までです（過去CD の上限）。この行は過去CD %1 になるため書き込めません。")
                     .arg(kakoCd))
{
}

namespace {

// A donor not yet registered becomes the head of a new household, made from
// the row's own values (rowOwn), never from the deceased. The entry goes on
// with what the lookups left, under the new numbers.
void registerNewDonor(TranscribeContext &ctx, RowRecords &records, const QString &donor, const MemberRec &rowOwn)
{
    MemberRec &r = records.member;
    QString setaiNo = QString::number(NextSetaiNo(ctx));
    const QString kojinNo = QString::number(toInt16(qint64(NextKojinId(ctx)) + 1));
    if (setaiNo.size() < 6)
        setaiNo = SixDigits(setaiNo.trimmed());

    MemberRec donorRec = rowOwn;
    donorRec.KOJIN_NO = kojinNo;
    donorRec.SETAI_NO = setaiNo;
    donorRec.MEI = donor;
    donorRec.世帯主名 = donor;
    donorRec.LIF = QStringLiteral("0");
    donorRec.ZOK_CD = QStringLiteral("00");
    donorRec.ZOK_NM = QStringLiteral("本人");
    // The visit fields as the failed lookup left them.
    donorRec.訪問先郵便 = r.訪問先郵便;
    donorRec.訪問先住所 = r.訪問先住所;
    donorRec.訪問先電話 = r.訪問先電話;

    r.SETAI_NO = setaiNo;
    r.KOJIN_NO = kojinNo;
    const MemberRec entryRec = r;
    r = donorRec;
    WriteKojin(ctx, records);
    WriteSetai(ctx, records);
    records.member = entryRec;
    // The visit data as the donor's later entries will find it, so that
    // every entry of one donor carries the same.
    LoadVisitFields(ctx, records, donor);
}

} // namespace

void WriteDeathRegisterImportRow(TranscribeContext &ctx, RowRecords &records, qint32 &entryCounter)
{
    KakoRec &k = records.entry;
    // The entry takes the record number after the last one of kako.rnd; a
    // number past the 16-bit range stops before anything is written.
    if (qint64(entryCounter) + 1 > kMaxKakoCd)
        throw EntryLimitReached(qint64(entryCounter) + 1);
    const qint16 kakoCd = static_cast<qint16>(entryCounter + 1);
    entryCounter = kakoCd;
    k.過去CD = kakoCd;

    // The row's own values, before the lookups load members into records.member: a
    // donor not yet registered is made from these, never from the deceased.
    const MemberRec rowOwn = records.member;

    // The deceased, when a member, is marked deceased.
    bool found = false;
    FindMemberByName(ctx, records, k.俗名.trimmed(), 0, found);
    if (found) {
        records.member.LIF = QStringLiteral("1");
        UpdateMemberLink(ctx, records);
    }

    // The donor is the living head of his household, or becomes one.
    const QString donor = k.施主名.trimmed();
    found = false;
    FindMemberByName(ctx, records, donor, 1, found);
    MemberRec &r = records.member;
    if (found) {
        r.LIF = QStringLiteral("0");
        r.ZOK_CD = QStringLiteral("00");
        r.ZOK_NM = QStringLiteral("本人");
        UpdateMemberLink(ctx, records);
    } else if (!donor.isEmpty()) {
        registerNewDonor(ctx, records, donor, rowOwn);
    }

    // Checked before kako.rnd is touched, so a household number past the
    // 16-bit range leaves no record behind.
    const qint16 household = toInt16(NumericValue(records.member.SETAI_NO));

    PutKakoRnd(ctx, records);
    WriteKako(ctx, records, kakoCd);
    WriteOmairiSelection(ctx, records, household);
    WriteOmairi(ctx, records, kakoCd, household);
    if (k.bnen >= 1 && k.btuki >= 1 && k.bHi >= 1)
        WriteKaiki(ctx, records, kakoCd);
}

} // namespace tera
