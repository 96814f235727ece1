#include "era_calendar.h"

#include "kanji_numerals.h"
#include "platform/database.h"

#include <algorithm>

namespace tera {

namespace {

// Blanks around an era name, full-width ones included, and the invisible
// byte-order mark that a UTF-8 source file may leave on its first cell (one
// engine drops it while binding, another would not: drop it here for both).
QString trimEraName(const QString &name)
{
    auto blank = [](QChar c) { return c.isSpace() || c == QChar(0xFEFF); };
    qsizetype from = 0, to = name.size();
    while (from < to && blank(name.at(from)))
        ++from;
    while (to > from && blank(name.at(to - 1)))
        --to;
    return name.mid(from, to - from);
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

bool GetEraOfYear(Database &db, qint16 year, EraArray &era)
{
    // The current era's row (終了 0) always qualifies, so the choice rests on
    // the stored order: oldest first, a closed era precedes the current one.
    Query q = db.prepare(QStringLiteral("SELECT * FROM [M_年号] WHERE ([開始] <= ? AND [終了] >= ?) OR [終了] = 0")
                         + db.storedOrder());
    FinishOnExit done(q);
    q.exec({int(year), int(year)});
    if (!q.next())
        return false;
    const QString name = q.text(QStringLiteral("年号"));
    const qint16 eraYear = toInt16(qint64(year) - q.integer(QStringLiteral("計算")));
    era[0] = name;
    era[1] = QString::number(eraYear);
    return true;
}

qint16 GetWesternYear(Database &db, const QString &eraName, qint16 eraYear)
{
    const QString name = trimEraName(eraName);
    // No era name holds a NUL, and an ODBC driver would cut the bound text
    // there and match the part before it.
    if (name.contains(QChar(0)))
        return 0;
    Query q = db.prepare(QStringLiteral("SELECT * FROM [M_年号] WHERE [年号] = ?") + db.storedOrder());
    FinishOnExit done(q);
    q.exec({name});
    if (!q.next())
        return 0;
    return toInt16(qint64(eraYear) + q.integer(QStringLiteral("計算")));
}

qint16 CheckYmd(const QString &date)
{
    QStringList piece(3); // year, month, day; a fourth piece is no date
    qint16 count = 0;
    if (!SplitStr(date, u'/', piece, count))
        return YmdNotADate;
    qint64 value[3];
    for (int i = 0; i < 3; ++i) {
        value[i] = NumericValue(piece.at(i));
        if (value[i] < -32768 || value[i] > 32767)
            return YmdNotADate;
    }
    const int year = int(value[0]);
    const int month = int(value[1]);
    const int day = int(value[2]);
    if (month < 1 || month > 12)
        return YmdBadMonth;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int limit = month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
    if (day < 1 || day > limit)
        return YmdBadDay;
    return YmdValid;
}

bool SplitStr(const QString &text, QChar separator, QStringList &pieces, qint16 &count)
{
    // count is 16-bit: never store more pieces than it can number.
    const qsizetype capacity = std::min<qsizetype>(pieces.size(), 32767);
    count = 0;
    qsizetype last = 0;
    for (;;) {
        const qsizetype p = text.indexOf(separator, last);
        if (count >= capacity)
            return false;
        pieces[count] = p < 0 ? text.mid(last) : text.mid(last, p - last);
        ++count;
        if (p < 0)
            return true;
        last = p + 1;
    }
}

} // namespace tera
