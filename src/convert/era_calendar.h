#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

// Western years and Japanese eras through the database's era table M_年号,
// and the two small routines the date readers build on. The eras are data:
// whatever rows M_年号 holds are the eras known, so a new era needs a new row,
// never a new build.

namespace tera {

class Database;

// Element 0 the era name, element 1 the era year as decimal text.
using EraArray = std::array<QString, 2>;

// The era of a Western year. The rows whose 開始..終了 (both inclusive)
// contain year, or whose 終了 is 0 (the current era) and whose 開始 is year
// or earlier, qualify; the first of them in the table's stored order wins.
// With the eras stored oldest first a year shared by two eras gives the
// older one: a year alone does not say on which side of the change it lies.
// On success era[0] receives 年号 as stored and era[1] year − 計算 in decimal
// (minus sign only when negative, no leading zeros), and the result is true.
// When no row qualifies (year 0, a year before every era), era is left
// exactly as the caller filled it and the result is false.
// Throws DbError on a database failure, and the overflow DbError when the era
// year does not fit 16 bits; era is untouched then too. The database must be
// open.
bool GetEraOfYear(Database &db, qint16 year, EraArray &era);

// The Western year of an era year: eraYear + 計算 of the row whose 年号 is
// eraName without the blanks around it (whitespace, full-width blanks and
// the invisible byte-order mark). Only the exact stored spelling matches;
// 0 when no row does (always for a name holding a NUL character). Read an
// era-year text with FromEraYearNum first, so that 元 counts as 1.
// Throws DbError on a database failure, and the overflow DbError when the
// result does not fit 16 bits.
// What M_年号 says about one Western year, for the era of any day in it:
// the era of the year alone, and the newer era when the next row in the
// stored order begins within that year on a day the program knows.
struct EraYearAnswer {
    bool found = false; // some row qualifies for the year
    QString name;
    qint64 offset = 0; // 計算
    bool change = false; // a newer era begins within the year
    QString newerName;
    qint64 newerOffset = 0;
    int newerMonth = 0, newerDay = 0; // its first day
};

// The first day of an era by its name: 大正 1912-07-30, 昭和 1926-12-25,
// 平成 1989-01-08, 令和 2019-05-01. M_年号 holds years only, so the day an
// era began is known for these alone; any other name gives a null date and
// keeps the whole-year rule.
QDate EraFirstDay(const QString &eraName);

// Reads M_年号 for year. Throws DbError on a database failure.
EraYearAnswer LookUpEraYear(Database &db, qint16 year);

// The era of the day year/month/day from the answer for its year: the newer
// era from its first day on when month and day form a valid date, the era of
// the year otherwise. Fills era as GetEraOfYear does, and like it leaves era
// untouched and returns false when no era qualifies; throws the overflow
// DbError when the era year does not fit 16 bits.
bool EraOfDay(const EraYearAnswer &answer, qint16 year, qint16 month, qint16 day, EraArray &era);

// The era of a day, straight from the database: LookUpEraYear and EraOfDay.
bool GetEraOfDate(Database &db, qint16 year, qint16 month, qint16 day, EraArray &era);

qint16 GetWesternYear(Database &db, const QString &eraName, qint16 eraYear);

// One row of M_年号 by its name, matched as GetWesternYear matches it.
struct EraRow {
    bool found = false;
    QString name;
    bool bounded = false; // 開始 and 終了 are both given
    qint64 start = 0, end = 0, offset = 0; // 開始, 終了 (0: the current era), 計算
};

// Reads the row of eraName. Throws DbError on a database failure.
EraRow LookUpEraByName(Database &db, const QString &eraName);

// The days an era covers, as far as the program knows them: from its first
// day (EraFirstDay, else 1 January of 開始) to the day before the next era
// began (known when endYear, the answer for 終了, names that era's first
// day; else 31 December of 終了). last is null for the current era.
struct EraSpan {
    QDate first, last;
};
EraSpan SpanOfEra(const EraRow &era, const EraYearAnswer &endYear);

// Where the days of year/month/day (month and day 0 when unknown: the
// whole year or month) lie against an era's span: inside when any of them
// falls in it.
enum class EraFit { Inside, Before, After };
EraFit FitInEra(const EraSpan &span, qint16 year, qint16 month, qint16 day);

// Results of CheckYmd; callers treat anything above YmdValid as an invalid date.
enum : qint16 {
    YmdValid = 0,
    YmdBadDay = 1,     // the day is out of range for the month
    YmdBadMonth = 2,   // the month is not 1 to 12 (also any text that is no date at all)
    YmdNotADate = 3,   // more than three pieces, or a piece outside the 16-bit range
};

// Checks a text date year/month/day. Each piece is read with NumericValue
// (blanks ignored, a missing or empty piece is 0). February has 29 days in
// Gregorian leap years only (1900/2/29 is invalid, 2000/2/29 valid). The year
// itself is not checked beyond its 16-bit range.
qint16 CheckYmd(const QString &date);

// Cuts text at every separator: n separators give n + 1 pieces, empty ones
// included ("a//b" gives a, "", b; "" gives one empty piece). The pieces go to
// pieces[0], pieces[1], ... in order and count receives how many were stored.
// pieces is dimensioned by the caller and never resized; elements past count
// keep what they held. Returns false when the text has more pieces than
// pieces holds: then only those that fit are stored.
bool SplitStr(const QString &text, QChar separator, QStringList &pieces, qint16 &count);

} // namespace tera
