#include "era_calendar.h"

#include "kanji_numerals.h"
#include "platform/database.h"

#include <algorithm>
#include <utility>

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

QDate EraFirstDay(const QString &eraName)
{
    static const struct {
        const char16_t *name;
        int year, month, day;
    } kFirstDays[] = {
        {u"大正", 1912, 7, 30},
        {u"昭和", 1926, 12, 25},
        {u"平成", 1989, 1, 8},
        {u"令和", 2019, 5, 1},
    };
    const QString name = trimEraName(eraName);
    for (const auto &f : kFirstDays)
        if (name == QStringView(f.name))
            return QDate(f.year, f.month, f.day);
    return QDate();
}

EraYearAnswer LookUpEraYear(Database &db, qint16 year)
{
    // The table is a handful of rows: read in the stored order and chosen
    // here, so that the row after the chosen one is known as well.
    Query q = db.prepare(QStringLiteral("SELECT * FROM [M_年号]") + db.storedOrder());
    FinishOnExit done(q);
    q.exec();
    EraYearAnswer answer;
    while (q.next()) {
        // A row without its bounds names no years.
        if (q.isNull(QStringLiteral("開始")) || q.isNull(QStringLiteral("終了")))
            continue;
        const qint64 start = q.integer(QStringLiteral("開始"));
        const qint64 end = q.integer(QStringLiteral("終了"));
        if (!answer.found) {
            // The current era (終了 0) begins at its 開始 like any other.
            if (start <= year && (end >= year || end == 0)) {
                answer.found = true;
                answer.name = q.text(QStringLiteral("年号"));
                answer.offset = q.integer(QStringLiteral("計算"));
            }
            continue;
        }
        if (start == year) {
            const QString name = q.text(QStringLiteral("年号"));
            const QDate first = EraFirstDay(name);
            if (first.isValid() && first.year() == year) {
                answer.change = true;
                answer.newerName = name;
                answer.newerOffset = q.integer(QStringLiteral("計算"));
                answer.newerMonth = first.month();
                answer.newerDay = first.day();
            }
        }
        break;
    }
    return answer;
}

bool EraOfDay(const EraYearAnswer &answer, qint16 year, qint16 month, qint16 day, EraArray &era)
{
    if (!answer.found)
        return false;
    const bool newer = answer.change && QDate(year, month, day).isValid()
                       && std::make_pair(int(month), int(day)) >= std::make_pair(answer.newerMonth, answer.newerDay);
    const QString &name = newer ? answer.newerName : answer.name;
    const qint16 eraYear = toInt16(qint64(year) - (newer ? answer.newerOffset : answer.offset));
    era[0] = name;
    era[1] = QString::number(eraYear);
    return true;
}

bool GetEraOfYear(Database &db, qint16 year, EraArray &era)
{
    // Month 0 is no day: the era of the year alone.
    return EraOfDay(LookUpEraYear(db, year), year, 0, 0, era);
}

bool GetEraOfDate(Database &db, qint16 year, qint16 month, qint16 day, EraArray &era)
{
    return EraOfDay(LookUpEraYear(db, year), year, month, day, era);
}

qint16 GetWesternYear(Database &db, const QString &eraName, qint16 eraYear)
{
    const EraRow row = LookUpEraByName(db, eraName);
    if (!row.found)
        return 0;
    return toInt16(qint64(eraYear) + row.offset);
}

EraRow LookUpEraByName(Database &db, const QString &eraName)
{
    EraRow row;
    const QString name = trimEraName(eraName);
    // No era name holds a NUL, and an ODBC driver would cut the bound text
    // there and match the part before it.
    if (name.contains(QChar(0)))
        return row;
    Query q = db.prepare(QStringLiteral("SELECT * FROM [M_年号] WHERE [年号] = ?") + db.storedOrder());
    FinishOnExit done(q);
    q.exec({name});
    if (!q.next())
        return row;
    row.found = true;
    row.name = q.text(QStringLiteral("年号"));
    row.offset = q.integer(QStringLiteral("計算"));
    row.bounded = !q.isNull(QStringLiteral("開始")) && !q.isNull(QStringLiteral("終了"));
    if (row.bounded) {
        row.start = q.integer(QStringLiteral("開始"));
        row.end = q.integer(QStringLiteral("終了"));
    }
    return row;
}

EraSpan SpanOfEra(const EraRow &era, const EraYearAnswer &endYear)
{
    EraSpan span;
    if (!era.found || !era.bounded || era.start < 1 || era.start > 9999 || era.end < 0 || era.end > 9999)
        return span;
    const QDate first = EraFirstDay(era.name);
    span.first = first.isValid() && first.year() == era.start ? first : QDate(int(era.start), 1, 1);
    if (era.end == 0)
        return span;
    if (endYear.found && endYear.name == era.name && endYear.change)
        span.last = QDate(int(era.end), endYear.newerMonth, endYear.newerDay).addDays(-1);
    else
        span.last = QDate(int(era.end), 12, 31);
    return span;
}

EraFit FitInEra(const EraSpan &span, qint16 year, qint16 month, qint16 day)
{
    if (year < 1 || !span.first.isValid())
        return EraFit::Inside; // nothing known to compare with
    QDate from(year, 1, 1), to(year, 12, 31);
    if (month >= 1 && month <= 12) {
        from = QDate(year, month, 1);
        to = QDate(year, month, from.daysInMonth());
        if (day >= 1 && day <= to.day())
            from = to = QDate(year, month, day);
    }
    if (to < span.first)
        return EraFit::Before;
    if (span.last.isValid() && from > span.last)
        return EraFit::After;
    return EraFit::Inside;
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
