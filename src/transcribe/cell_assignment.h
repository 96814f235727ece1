#pragma once
#include "convert/era_calendar.h"

#include <QString>

// The assignment of each import-table cell to the row being written: the
// cell's text goes, converted, into the fields of records.entry and
// records.member that its column's link item stands for. This is also where written dates of death become
// bnen, btuki and bHi, ages become numbers and postal codes are split.

namespace tera {

struct TranscribeContext;
struct MemberRec;
struct RowRecords;

// Puts one cell into records. kind is the output kind (0 members, 1
// households, 2 death register), item the column number, which is the link
// item of that kind (MemberItem, HouseholdItem, DeathItem). Items that mean nothing to the kind are
// ignored. Some items change text in place: the age loses every 歳 and 才, a
// postal code with "-" loses its dashes.
//
// Death register only:
// - dates written with 年, 月, 日 (DeathDate, DeathDateWithEra) and the
//   separate era, era year, month and day cells (DeathEra to DeathDay) fill bnen, btuki, bHi; the era name
//   and the digit texts go to ctx.work and persist across rows, so an empty
//   era cell keeps the era of the last row that had one;
// - after a day item (the two written dates, DeathDay, DeathDayNumber) the
//   completion test runs: with year, month
//   and day all at least 1, the anniversary dates are computed from
//   yyyy/MM/dd (BuildKaikiDates);
// - a numeric cell that is empty leaves its field alone (DeathDayNumber
//   still runs the completion test).
// Text fields keep their whole text; only kako.rnd cuts them to its widths.
//
// A value stored other than it reads is added to ctx.valueNotices (the
// column is the item): a death-register age or a member's birth year, era
// year, month or day that is no number (stored as 0; an age in kanji is read
// as a numeral, and one that is malformed is noted too), a negative age
// (stored as read), a registration date written as text that is no date
// (stored as text), a date of death outside the era it states. Nothing is asked: a long run must not stop for them.
//
// A date of death that names its era (DeathDateWithEra, or DeathEra with
// DeathEraYear) keeps that
// era for a year alone and for a date inside it: 平成元年 is 平成 1. A date
// outside the stated era (平成元年1月5日) keeps its year, month and day, takes
// the era of its day, and is noted.
//
// Throws RowFailure::cell (the row stops; the user corrects the cell) for a
// number outside its field's range; for a numeral of the date of death (or a
// member's birth era year) that is no number (十十, 3月5); for a date of
// death that does not exist (month 13, day 40, 2023/02/30, a negative year),
// as soon as its parts show it; and for a written date whose 月 stands
// before its 年, whose 日 before its 月, or whose 年 falls inside the two
// characters of the era name (DeathDateWithEra). Passes on the database failures
// (DbError) of the era lookup. A text that is no date at all sets nothing.
void AssignCell(TranscribeContext &ctx, RowRecords &records, qint16 kind, qint16 item, QString &text);

// The era of the entry as decided from the era its date of death states
// (see AssignCell), when the date is still the one it was decided for:
// fills era (name, era year) and returns true. False when the date names no
// era: the era then follows the date itself.
bool StatedEraOfEntry(const RowRecords &records, EraArray &era);

// A household number in the form "000000": SixDigits of the trimmed text
// ("12" and "１２" give "000012", "1234567" stays); text that is no number
// comes back trimmed, and empty stays empty.
QString FormatSetaiNo(const QString &text);

// The split of a postal code cell into YUBIN1 (first three characters) and
// YUBIN2 (the rest): 1234567 and 123-4567 give 123 and 4567, 12-34 gives 123
// and 4, 123 gives 123 and leaves YUBIN2 as it was. When p contains "-", the
// dashes are removed from p itself.
void SplitPostalCode(MemberRec &row, QString &p);

} // namespace tera
