#pragma once
#include "platform/db_error.h"

#include <QString>

#include <array>

namespace tera {

struct TranscribeContext;
struct RowRecords;

// The death register: one entry per import-table row, stored as a record of
// kako.rnd, a W_KAKO row, up to 31 W_KAIKI anniversaries and 18 D_OMAIRI
// service rows.

// The anniversary name of an index: 0 "初七日" ... 30 "500回忌", 31 "550回忌",
// 32 "600回忌", 40 to 52 the service names "永代" ... "檀信祖霊"; any other
// index gives empty text.
QString KaikiName(qint16 index);

// Blanks the 32 anniversary dates.
void ClearKaikiDates(std::array<QString, 32> &dates);

// Fills records.anniversaryDates(0..30) of the entry from a death date year/month/day: days for
// 0 to 7 (shifted a day by master.kbnValues(10) 1 earlier / 2 later), calendar years
// for 8 to 30 (from the shifted date only when master.kbnValues(12) is not 0). An
// invalid date returns false and changes nothing; a date the calendar cannot
// hold (outside the years 1 to 9999) returns false, keeping the dates
// computed before it and leaving the others blank.
bool BuildKaikiDates(TranscribeContext &ctx, RowRecords &records, const QString &date);

// True when the table holds no row of that 過去CD. A failure is reported
// through ctx.writerFailed and gives false.
bool KakoIsEmpty(TranscribeContext &ctx, qint16 kakoCd);
bool KaikiIsEmpty(TranscribeContext &ctx, qint16 kakoCd);
bool OmairiIsEmpty(TranscribeContext &ctx, qint16 kakoCd);

// Deletes the rows of that 過去CD. A failure (DbError) goes to the caller.
void DeleteKako(TranscribeContext &ctx, qint16 kakoCd);
void DeleteKaiki(TranscribeContext &ctx, qint16 kakoCd);
void DeleteOmairi(TranscribeContext &ctx, qint16 kakoCd);

// The service of that number in OMAIRI (rows whose NM is not a lone blank):
// its trimmed NM and Otuki, or "" and 0 when there is none. A failure
// (DbError) goes to the caller.
void GetOmairiName(TranscribeContext &ctx, qint16 number, QString &name, qint16 &month);

// 0 when the first service k (7: the first bon) after a death on y/m/d falls
// in the current year, 1 when it falls in the next. Service 6 and 7 compare
// with this year's service date less master.kbnValues(5) / master.kbnValues(4) days; their
// day 0 becomes 1 for the rest of the run, in the run's copy of the master
// (ctx.master). Every other k gives 1.
qint16 FirstServiceOffset(TranscribeContext &ctx, qint16 y, qint16 m, qint16 d, qint16 k);

// Stores records.entry, with the anniversary dates and all flags set, as record
// 過去CD of kako.rnd. A failure (KakoRndError) goes to the caller.
void PutKakoRnd(TranscribeContext &ctx, RowRecords &records);

// The entry's rows, each replacing whatever that 過去CD held before. A
// failure is reported through ctx.writerFailed and the writer returns false.
bool WriteKako(TranscribeContext &ctx, RowRecords &records, qint16 kakoCd);
bool WriteKaiki(TranscribeContext &ctx, RowRecords &records, qint16 kakoCd);
// householdNo is the numeric value of SETAI_NO, written as 個人CD.
bool WriteOmairi(TranscribeContext &ctx, RowRecords &records, qint16 kakoCd, qint16 householdNo);

// 過去CD is a 16-bit number in the product: the death register holds at most
// 32,767 entries. Every row after the one that reaches past it would fail
// the same way.
inline constexpr qint32 kMaxKakoCd = 32767;
class EntryLimitReached : public DbError {
public:
    explicit EntryLimitReached(qint64 kakoCd);
};

// Writes one death-register row whose cells have been assigned (the caller
// has skipped a row with an empty 戒名): numbers it after entryCounter, marks
// the deceased member deceased, records the donor as the living head of his
// household or creates both from the row's own values, then kako.rnd,
// W_KAKO, the household's M_お参り, D_OMAIRI and W_KAIKI. A 過去CD, member
// number or household number past 32767 throws the overflow DbError before
// the kako.rnd record is written (for 過去CD: EntryLimitReached); a kako.rnd failure throws KakoRndError.
// The caller writes the row in one transaction.
void WriteDeathRegisterImportRow(TranscribeContext &ctx, RowRecords &records, qint32 &entryCounter);

} // namespace tera
