#include "cell_format.h"

#include <QList>
#include <QStringList>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tera {

namespace {

// One piece of a format section.
struct Token {
    enum Kind { Literal, Digit, Point, Thousands, Percent, Exponent, Date, Elapsed, General, TextAt };
    Kind kind = Literal;
    QString text; // the literal, the date code ("yyyy", "mm", "AM/PM"), or the exponent's sign
    QChar digit;  // '0', '#' or '?'
    int expDigits = 0;
};

struct Section {
    QList<Token> tokens;
    bool isDate = false;
    bool gannen = false;    // [$-ja-JP-x-gannen]: the first year of an era is 元
    bool japanese = false;  // a Japanese locale tag: 午前/午後
    bool hasCondition = false;
    QString condOp;
    double condValue = 0;
};

bool isDateLetter(QChar c)
{
    switch (c.toLower().unicode()) {
    case u'y': case u'm': case u'd': case u'h': case u's': case u'g': case u'e': case u'a': case u'b':
        return true;
    default:
        return false;
    }
}

// Splits a format code into its sections at the semicolons outside quotes
// and brackets.
QStringList splitSections(const QString &code)
{
    QStringList sections;
    QString current;
    bool quoted = false;
    bool bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == u'\\' && !quoted && i + 1 < code.size()) {
            current += c;
            current += code.at(++i);
            continue;
        }
        if (c == u'"' && !bracket)
            quoted = !quoted;
        else if (c == u'[' && !quoted)
            bracket = true;
        else if (c == u']' && !quoted)
            bracket = false;
        if (c == u';' && !quoted && !bracket) {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

bool startsWithCi(const QString &s, qsizetype at, QLatin1String word)
{
    return QStringView(s).mid(at).startsWith(word, Qt::CaseInsensitive);
}

void addLiteral(Section &section, const QString &text)
{
    if (!section.tokens.isEmpty() && section.tokens.last().kind == Token::Literal)
        section.tokens.last().text += text;
    else
        section.tokens.append(Token{Token::Literal, text, {}, 0});
}

// [$symbol-locale], [h] [mm] [ss] elapsed time, [>=100] a condition; colours
// and other switches do not change the text.
void readBracket(Section &section, const QString &inner)
{
    const QString lower = inner.toLower();
    if (inner.startsWith(u'$')) {
        const qsizetype dash = inner.indexOf(u'-');
        const QString symbol = inner.mid(1, dash < 0 ? -1 : dash - 1);
        if (!symbol.isEmpty())
            addLiteral(section, symbol);
        const QString locale = dash < 0 ? QString() : lower.mid(dash + 1);
        if (locale.contains(QLatin1String("gannen")))
            section.gannen = true;
        if (locale.startsWith(QLatin1String("ja")) || locale.endsWith(QLatin1String("411")))
            section.japanese = true;
    } else if (!lower.isEmpty() && (lower.count(lower.at(0)) == lower.size())
               && (lower.at(0) == u'h' || lower.at(0) == u'm' || lower.at(0) == u's')) {
        section.tokens.append(Token{Token::Elapsed, lower, {}, 0});
        section.isDate = true;
    } else if (!inner.isEmpty() && (inner.at(0) == u'<' || inner.at(0) == u'>' || inner.at(0) == u'=')) {
        qsizetype k = 0;
        while (k < inner.size() && (inner.at(k) == u'<' || inner.at(k) == u'>' || inner.at(k) == u'='))
            ++k;
        section.hasCondition = true;
        section.condOp = inner.left(k);
        section.condValue = inner.mid(k).toDouble();
    }
}

// E+ or E- with the digits of the exponent, from the E at i.
Token readExponent(const QString &s, qsizetype &i)
{
    Token t{Token::Exponent, s.at(i + 1), {}, 0};
    i += 2;
    while (i < s.size() && (s.at(i) == u'0' || s.at(i) == u'#' || s.at(i) == u'?')) {
        ++t.expDigits;
        ++i;
    }
    return t;
}

// A run of one date letter from i: a date code, or plain text where the
// letter makes none.
void readDateRun(Section &section, const QString &s, qsizetype &i)
{
    const QChar lower = s.at(i).toLower();
    qsizetype j = i;
    while (j < s.size() && s.at(j).toLower() == lower)
        ++j;
    const QString run = s.mid(i, j - i).toLower();
    if (lower == u'a' && run.size() < 3) {
        addLiteral(section, s.mid(i, j - i)); // "a" alone is no code
    } else if (lower == u'b') {
        addLiteral(section, s.mid(i, j - i));
    } else {
        section.tokens.append(Token{Token::Date, run, {}, 0});
        section.isDate = true;
    }
    i = j;
}

// The one-character signs of a number; false for any other character.
bool readNumberSign(Section &section, QChar c, bool &digitsSeen)
{
    if (c == u'0' || c == u'#' || c == u'?') {
        section.tokens.append(Token{Token::Digit, {}, c, 0});
        digitsSeen = true;
    } else if (c == u'.') {
        section.tokens.append(Token{Token::Point, {}, {}, 0});
    } else if (c == u',') {
        section.tokens.append(Token{Token::Thousands, {}, {}, 0});
    } else if (c == u'%') {
        section.tokens.append(Token{Token::Percent, {}, {}, 0});
    } else if (c == u'@') {
        section.tokens.append(Token{Token::TextAt, {}, {}, 0});
    } else {
        return false;
    }
    return true;
}

// In a date section a point followed by zeros is the fraction of a second;
// the other number signs are plain text.
void settleDateNumberSigns(Section &section)
{
    for (qsizetype k = 0; k < section.tokens.size(); ++k) {
        Token &t = section.tokens[k];
        if (t.kind == Token::Point) {
            int zeros = 0;
            while (k + 1 + zeros < section.tokens.size() && section.tokens.at(k + 1 + zeros).kind == Token::Digit)
                ++zeros;
            if (zeros > 0) {
                t = Token{Token::Date, QStringLiteral(".") + QString(zeros, u'0'), {}, 0};
                section.tokens.remove(k + 1, zeros);
            } else {
                t = Token{Token::Literal, QStringLiteral("."), {}, 0};
            }
        } else if (t.kind == Token::Digit || t.kind == Token::Thousands || t.kind == Token::Percent) {
            t = Token{Token::Literal, t.kind == Token::Digit ? QString(t.digit)
                                              : t.kind == Token::Thousands ? QStringLiteral(",")
                                                                           : QStringLiteral("%"),
                      {}, 0};
        }
    }
}

// m right after an hour or before a second is minutes (n in the tokens).
void markMinutes(Section &section)
{
    for (qsizetype k = 0; k < section.tokens.size(); ++k) {
        Token &t = section.tokens[k];
        if (t.kind != Token::Date || !t.text.startsWith(u'm') || t.text.size() > 2)
            continue;
        bool minutes = false;
        for (qsizetype b = k - 1; b >= 0; --b) {
            const Token &p = section.tokens.at(b);
            if (p.kind == Token::Date || p.kind == Token::Elapsed) {
                minutes = p.text.startsWith(u'h') || p.text.startsWith(QLatin1String("[h"));
                break;
            }
        }
        for (qsizetype a = k + 1; !minutes && a < section.tokens.size(); ++a) {
            const Token &n = section.tokens.at(a);
            if (n.kind == Token::Date || n.kind == Token::Elapsed) {
                minutes = n.text.startsWith(u's');
                break;
            }
        }
        if (minutes)
            t.text = t.text.size() == 1 ? QStringLiteral("n") : QStringLiteral("nn");
    }
}

Section parseSection(const QString &s)
{
    Section section;
    bool digitsSeen = false;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s.at(i);
        if (c == u'"') {
            const qsizetype end = s.indexOf(u'"', i + 1);
            addLiteral(section, s.mid(i + 1, end < 0 ? -1 : end - i - 1));
            i = end < 0 ? s.size() : end + 1;
        } else if (c == u'\\' || c == u'!') {
            if (i + 1 < s.size())
                addLiteral(section, s.at(i + 1));
            i += 2;
        } else if (c == u'_') {
            addLiteral(section, QStringLiteral(" "));
            i += 2;
        } else if (c == u'*') {
            i += 2; // fills the cell's width: nothing in a text
        } else if (c == u'[') {
            const qsizetype end = s.indexOf(u']', i + 1);
            const QString inner = s.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? s.size() : end + 1;
            readBracket(section, inner);
        } else if (startsWithCi(s, i, QLatin1String("general"))) {
            section.tokens.append(Token{Token::General, {}, {}, 0});
            i += 7;
        } else if (s.mid(i).startsWith(QStringLiteral("G/標準"))) {
            section.tokens.append(Token{Token::General, {}, {}, 0});
            i += 4;
        } else if (startsWithCi(s, i, QLatin1String("am/pm"))) {
            section.tokens.append(Token{Token::Date, QStringLiteral("AM/PM"), {}, 0});
            section.isDate = true;
            i += 5;
        } else if (startsWithCi(s, i, QLatin1String("a/p"))) {
            section.tokens.append(Token{Token::Date, QStringLiteral("A/P"), {}, 0});
            section.isDate = true;
            i += 3;
        } else if ((c == u'E' || c == u'e') && digitsSeen && i + 1 < s.size()
                   && (s.at(i + 1) == u'+' || s.at(i + 1) == u'-')) {
            section.tokens.append(readExponent(s, i));
        } else if (isDateLetter(c)) {
            readDateRun(section, s, i);
        } else {
            if (!readNumberSign(section, c, digitsSeen))
                addLiteral(section, c);
            ++i;
        }
    }
    if (section.isDate) {
        settleDateNumberSigns(section);
        markMinutes(section);
    }
    return section;
}

// |value| as decimal digits with 15 significant ones, as spreadsheet
// programs keep numbers: digits without leading zeros and the position of
// the decimal point in them (digits "12345", point 2 is 12.345).
struct Decimal {
    QString digits;
    int point = 0;
};

Decimal toDecimal(double value)
{
    Decimal d;
    if (value == 0 || !std::isfinite(value)) {
        d.digits = QStringLiteral("0");
        d.point = 1;
        return d;
    }
    const double a = std::fabs(value);
    if (a < 1e15 && a == std::trunc(a)) {
        d.digits = QString::number(qint64(a));
        d.point = int(d.digits.size());
    } else {
        // The shortest digits that give the value back, then rounded half
        // up to 15 significant digits.
        char buffer[64];
        const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, a, std::chars_format::scientific);
        if (error != std::errc())
            return d;
        const std::string_view e(buffer, size_t(end - buffer)); // d.ddde±xx
        const size_t ePos = e.find('e');
        std::string digits(1, e[0]);
        if (ePos > 2)
            digits.append(e.substr(2, ePos - 2));
        int point = std::atoi(std::string(e.substr(ePos + 1)).c_str()) + 1;
        if (digits.size() > 15) {
            const bool up = digits[15] >= '5';
            digits.resize(15);
            if (up) {
                int k = 14;
                while (k >= 0 && digits[size_t(k)] == '9')
                    digits[size_t(k--)] = '0';
                if (k < 0) {
                    digits.insert(digits.begin(), '1');
                    ++point;
                } else {
                    ++digits[size_t(k)];
                }
            }
        }
        d.digits = QString::fromLatin1(digits.data(), qsizetype(digits.size()));
        d.point = point;
    }
    while (d.digits.size() > 1 && d.digits.endsWith(u'0'))
        d.digits.chop(1);
    return d;
}

// The integer and fraction digits of a decimal rounded half away from zero
// to decimals places.
void roundDecimal(const Decimal &d, int decimals, QString &integer, QString &fraction)
{
    QString all = d.digits;
    int point = d.point;
    if (point < 0) {
        all.prepend(QString(-point, u'0'));
        point = 0;
    }
    if (all.size() < point)
        all += QString(point - all.size(), u'0');
    const int keep = point + decimals;
    if (all.size() > keep) {
        const bool up = all.at(keep) >= u'5';
        all.truncate(keep);
        if (up) {
            int k = keep - 1;
            while (k >= 0 && all.at(k) == u'9') {
                all[k] = u'0';
                --k;
            }
            if (k < 0) {
                all.prepend(u'1');
                ++point;
            } else {
                all[k] = QChar(all.at(k).unicode() + 1);
            }
        }
    }
    if (all.size() < point + decimals)
        all += QString(point + decimals - all.size(), u'0');
    integer = all.left(point);
    fraction = all.mid(point, decimals);
    while (integer.size() > 1 && integer.startsWith(u'0'))
        integer.remove(0, 1);
    if (integer.isEmpty())
        integer = QStringLiteral("0");
}

// "General": up to 11 characters, integers whole, long ones in scientific
// form with five decimals at most.
QString formatGeneral(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    const double a = std::fabs(value);
    // Whole numbers of up to 11 digits, the usual case, as they are.
    if (a < 1e11 && value == std::trunc(value))
        return QString::number(qint64(value));
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const Decimal d = toDecimal(value);
    if (a >= 1e11 || a < 1e-9) {
        // 1.23457E+11: mantissa rounded to fit
        Decimal m{d.digits, 1};
        QString integer, fraction;
        roundDecimal(m, 5, integer, fraction);
        int exponent = d.point - 1;
        if (integer.size() > 1) { // 9.999999 rounded up to 10
            integer = QStringLiteral("1");
            ++exponent;
        }
        while (fraction.endsWith(u'0'))
            fraction.chop(1);
        const QString mant = fraction.isEmpty() ? integer : integer + u'.' + fraction;
        return sign + mant + (exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+"))
            + QString::number(std::abs(exponent)).rightJustified(2, u'0');
    }
    const int intDigits = std::max(1, d.point);
    const int decimals = std::max(0, (a < 1 ? 9 : 10 - intDigits));
    QString integer, fraction;
    roundDecimal(d, decimals, integer, fraction);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    if (integer == QLatin1String("0") && fraction.isEmpty())
        return QStringLiteral("0");
    return sign + (fraction.isEmpty() ? integer : integer + u'.' + fraction);
}

QString groupThousands(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += u',';
        out += digits.at(i);
    }
    return out;
}

// Where a number section's placeholders are and what its signs ask for.
struct NumberLayout {
    int intPlaces = 0, fracPlaces = 0, percents = 0, scaleCommas = 0;
    bool grouping = false, hasExponent = false;
    int exponentAt = -1;
    qsizetype pointAt = -1;
};

NumberLayout layoutOf(const QList<Token> &tokens)
{
    NumberLayout l;
    bool afterPoint = false;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const Token &t = tokens.at(k);
        if (t.kind == Token::Digit) {
            if (l.hasExponent)
                continue;
            (afterPoint ? l.fracPlaces : l.intPlaces)++;
        } else if (t.kind == Token::Point && !afterPoint && !l.hasExponent) {
            afterPoint = true;
            l.pointAt = k;
        } else if (t.kind == Token::Percent) {
            ++l.percents;
        } else if (t.kind == Token::Exponent) {
            l.hasExponent = true;
            l.exponentAt = int(k);
        }
    }
    // A comma between integer digits groups thousands; commas right after
    // the last integer digit scale by a thousand each.
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        if (tokens.at(k).kind != Token::Thousands)
            continue;
        bool digitBefore = false, digitAfterInInteger = false;
        for (qsizetype b = k - 1; b >= 0 && !digitBefore; --b)
            digitBefore = tokens.at(b).kind == Token::Digit;
        for (qsizetype a = k + 1; a < tokens.size(); ++a) {
            if (tokens.at(a).kind == Token::Point || tokens.at(a).kind == Token::Exponent)
                break;
            if (tokens.at(a).kind == Token::Digit) {
                digitAfterInInteger = true;
                break;
            }
        }
        if (digitBefore && digitAfterInInteger)
            l.grouping = true;
        else if (digitBefore)
            ++l.scaleCommas;
    }
    return l;
}

bool isIntegerPlace(const NumberLayout &l, qsizetype k)
{
    return (l.pointAt < 0 || k < l.pointAt) && (l.exponentAt < 0 || k < l.exponentAt);
}

// Integer digits go into the integer placeholders from the right; the
// leftmost one takes whatever is left over.
void placeIntegerDigits(const QList<Token> &tokens, const NumberLayout &l, const QString &integer, QList<QString> &placed)
{
    int remaining = int(integer.size());
    qsizetype firstInt = -1;
    for (qsizetype k = tokens.size() - 1; k >= 0; --k) {
        const Token &t = tokens.at(k);
        if (t.kind != Token::Digit || (l.pointAt >= 0 && k > l.pointAt) || (l.exponentAt >= 0 && k > l.exponentAt))
            continue;
        firstInt = k;
        if (remaining > 0)
            placed[k] = integer.at(--remaining);
        else if (t.digit == u'0')
            placed[k] = QStringLiteral("0");
        else if (t.digit == u'?')
            placed[k] = QStringLiteral(" ");
    }
    if (firstInt >= 0 && remaining > 0)
        placed[firstInt].prepend(integer.left(remaining));
    if (l.grouping && firstInt >= 0) {
        QString joined;
        for (qsizetype k = firstInt; k < tokens.size(); ++k) {
            if (tokens.at(k).kind == Token::Digit && isIntegerPlace(l, k)) {
                joined += placed[k];
                placed[k].clear();
            }
        }
        QString digitsOnly = joined.trimmed();
        const QString lead = joined.left(joined.size() - joined.trimmed().size());
        placed[firstInt] = lead + groupThousands(digitsOnly);
    }
}

// Fraction digits go in from the left; trailing zeros under # vanish and
// under ? become blanks.
void placeFractionDigits(const QList<Token> &tokens, const NumberLayout &l, const QString &fraction, QList<QString> &placed)
{
    int place = 0;
    int lastSignificant = -1;
    for (int k = 0; k < fraction.size(); ++k)
        if (fraction.at(k) != u'0')
            lastSignificant = k;
    for (qsizetype k = l.pointAt + 1; l.pointAt >= 0 && k < tokens.size(); ++k) {
        const Token &t = tokens.at(k);
        if (t.kind == Token::Exponent)
            break;
        if (t.kind != Token::Digit)
            continue;
        const QChar digit = fraction.at(place);
        if (place <= lastSignificant || t.digit == u'0')
            placed[k] = digit;
        else if (t.digit == u'?')
            placed[k] = QStringLiteral(" ");
        ++place;
    }
}

// The section's pieces in order, the placed digits in their placeholders.
QString joinNumber(const QList<Token> &tokens, const NumberLayout &l, const QList<QString> &placed, int exponent, double v)
{
    QString out;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const Token &t = tokens.at(k);
        switch (t.kind) {
        case Token::Literal:
            out += t.text;
            break;
        case Token::Digit:
            if (l.exponentAt < 0 || k < l.exponentAt)
                out += placed[k];
            break;
        case Token::Point:
            if (k == l.pointAt)
                out += u'.';
            break;
        case Token::Thousands:
            break;
        case Token::Percent:
            out += u'%';
            break;
        case Token::Exponent: {
            const QString sign = exponent < 0 ? QStringLiteral("-") : (t.text == QLatin1String("+") ? QStringLiteral("+") : QString());
            out += QStringLiteral("E") + sign + QString::number(std::abs(exponent)).rightJustified(t.expDigits, u'0');
            break;
        }
        case Token::General:
            out += formatGeneral(v);
            break;
        case Token::TextAt:
        case Token::Date:
        case Token::Elapsed:
            break;
        }
    }
    return out;
}

QString formatNumberSection(double value, const Section &section)
{
    const QList<Token> &tokens = section.tokens;
    const NumberLayout l = layoutOf(tokens);
    double v = std::fabs(value);
    for (int p = 0; p < l.percents; ++p)
        v *= 100;
    for (int p = 0; p < l.scaleCommas; ++p)
        v /= 1000;

    int exponent = 0;
    if (l.hasExponent && v != 0) {
        exponent = int(std::floor(std::log10(v)));
        const int step = std::max(1, l.intPlaces);
        if (step > 1)
            exponent = int(std::floor(double(exponent) / step)) * step;
        v /= std::pow(10.0, exponent);
    }
    QString integer, fraction;
    roundDecimal(toDecimal(v), l.fracPlaces, integer, fraction);
    if (l.hasExponent && integer.size() > std::max(1, l.intPlaces)) {
        // 9.99 rounded to 10.0: move one more place into the exponent
        exponent += std::max(1, l.intPlaces);
        v /= std::pow(10.0, std::max(1, l.intPlaces));
        roundDecimal(toDecimal(v), l.fracPlaces, integer, fraction);
    }
    if (integer == QLatin1String("0"))
        integer.clear(); // the placeholders decide whether a lone zero shows

    QList<QString> placed(tokens.size());
    placeIntegerDigits(tokens, l, integer, placed);
    placeFractionDigits(tokens, l, fraction, placed);
    return joinNumber(tokens, l, placed, exponent, v);
}

struct Era {
    QDate start;
    const char16_t *name;
    char16_t initial;
};

const Era kEras[] = {
    {QDate(2019, 5, 1), u"令和", u'R'},
    {QDate(1989, 1, 8), u"平成", u'H'},
    {QDate(1926, 12, 25), u"昭和", u'S'},
    {QDate(1912, 7, 30), u"大正", u'T'},
    {QDate(1868, 1, 1), u"明治", u'M'},
};

const char *const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char *const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char16_t *const kJapaneseDays[] = {u"日", u"月", u"火", u"水", u"木", u"金", u"土"};

// What a date section can show of one serial value.
struct DateParts {
    qint64 serial = 0;
    qint64 ms = 0; // into the day
    int year = 0, month = 0, day = 0, weekday = 0; // weekday 0 is Sunday
    int hour = 0, minute = 0, second = 0, millis = 0;
    SpreadsheetEra era;
};

// False when the value is no date the section can show.
bool datePartsOf(double value, const Section &section, bool date1904, DateParts &p)
{
    // Milliseconds, rounded once, so that 0.99999999 of a day is the next day.
    const qint64 totalMs = qint64(std::llround(value * 86400000.0));
    p.serial = totalMs / 86400000;
    p.ms = totalMs % 86400000;
    // The shown seconds are rounded unless a fraction of them is shown.
    bool showsFraction = false;
    for (const Token &t : section.tokens)
        if (t.kind == Token::Date && t.text.startsWith(u'.'))
            showsFraction = true;
    if (!showsFraction) {
        p.ms = (p.ms + 500) / 1000 * 1000;
        if (p.ms >= 86400000) {
            p.ms -= 86400000;
            ++p.serial;
        }
    }
    bool leapDay = false;
    const QDate date = SerialToDate(p.serial, date1904, &leapDay);
    if (leapDay) {
        p.year = 1900;
        p.month = 2;
        p.day = 29;
    } else if (!date1904 && p.serial == 0) {
        p.year = 1900;
        p.month = 1;
        p.day = 0;
    } else if (date.isValid()) {
        p.year = date.year();
        p.month = date.month();
        p.day = date.day();
    } else {
        return false;
    }
    p.weekday = int(((date1904 ? p.serial + 5 : p.serial - 1) % 7 + 7) % 7);
    p.hour = int(p.ms / 3600000);
    p.minute = int(p.ms / 60000 % 60);
    p.second = int(p.ms / 1000 % 60);
    p.millis = int(p.ms % 1000);
    if (date.isValid())
        p.era = SpreadsheetEraOf(date);
    else if (leapDay || p.serial == 0)
        p.era = SpreadsheetEraOf(QDate(1900, 2, 28));
    return true;
}

QString pad(qint64 n, int width) { return QString::number(n).rightJustified(width, u'0'); }

QString formatMonth(const QString &c, int month)
{
    if (c.size() == 1)
        return QString::number(month);
    if (c.size() == 2)
        return pad(month, 2);
    if (c.size() == 3)
        return QString::fromLatin1(kMonthNames[month - 1]).left(3);
    if (c.size() == 4)
        return QString::fromLatin1(kMonthNames[month - 1]);
    return QString::fromLatin1(kMonthNames[month - 1]).left(1);
}

QString formatDay(const QString &c, int day, int weekday)
{
    if (c.size() == 1)
        return QString::number(day);
    if (c.size() == 2)
        return pad(day, 2);
    if (c.size() == 3)
        return QString::fromLatin1(kDayNames[weekday]).left(3);
    return QString::fromLatin1(kDayNames[weekday]);
}

// AM/PM, A/P, or aaa/aaaa: the Japanese day of the week.
QString formatAmPmOrDay(const QString &c, const DateParts &p, bool japanese)
{
    if (c == QLatin1String("AM/PM"))
        return japanese ? (p.hour < 12 ? QStringLiteral("午前") : QStringLiteral("午後"))
                        : (p.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    if (c == QLatin1String("A/P"))
        return p.hour < 12 ? QStringLiteral("A") : QStringLiteral("P");
    return QString::fromUtf16(kJapaneseDays[p.weekday]) + (c.size() >= 4 ? QStringLiteral("曜日") : QString());
}

// g gg ggg: the era's initial, its first character or its name; e ee: the
// year in the era (元 for the first where the section asks for it).
QString formatEra(const QString &c, const DateParts &p, bool gannen)
{
    if (c.at(0) == u'g') {
        if (p.era.name.isEmpty())
            return QString();
        if (c.size() == 1)
            return QString(p.era.initial);
        if (c.size() == 2)
            return p.era.name.left(1);
        return p.era.name;
    }
    if (p.era.name.isEmpty())
        return QString::number(p.year);
    if (p.era.year == 1 && gannen)
        return QStringLiteral("元");
    return c.size() == 1 ? QString::number(p.era.year) : pad(p.era.year, 2);
}

// One date code of the section; empty for one it does not know.
QString formatDateCode(const QString &c, const DateParts &p, const Section &section, bool twelveHour)
{
    const QChar first = c.at(0);
    if (first == u'y')
        return c.size() <= 2 ? pad(p.year % 100, 2) : pad(p.year, 4);
    if (first == u'm')
        return formatMonth(c, p.month);
    if (first == u'n')
        return c.size() == 1 ? QString::number(p.minute) : pad(p.minute, 2);
    if (first == u'd')
        return formatDay(c, p.day, p.weekday);
    if (first.toLower() == u'a')
        return formatAmPmOrDay(c, p, section.japanese);
    if (first == u'h') {
        const int h = twelveHour ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
        return c.size() == 1 ? QString::number(h) : pad(h, 2);
    }
    if (first == u's')
        return c.size() == 1 ? QString::number(p.second) : pad(p.second, 2);
    if (first == u'.') {
        const int digits = int(c.size()) - 1;
        return u'.' + pad(p.millis, 3).left(digits).leftJustified(digits, u'0');
    }
    if (first == u'g' || first == u'e')
        return formatEra(c, p, section.gannen);
    return QString();
}

// [h] [mm] [ss]: the whole time in hours, minutes or seconds.
QString formatElapsed(const QString &c, const DateParts &p)
{
    const qint64 all = p.serial * 86400000 + p.ms;
    const int width = int(c.size());
    if (c.startsWith(u'h'))
        return pad(all / 3600000, width);
    if (c.startsWith(u'm'))
        return pad(all / 60000, width);
    return pad(all / 1000, width);
}

QString formatDateSection(double value, const Section &section, bool date1904)
{
    DateParts parts;
    if (!datePartsOf(value, section, date1904, parts))
        return formatGeneral(value);
    bool twelveHour = false;
    for (const Token &t : section.tokens)
        if (t.kind == Token::Date && (t.text == QLatin1String("AM/PM") || t.text == QLatin1String("A/P")))
            twelveHour = true;

    QString out;
    for (const Token &t : section.tokens) {
        if (t.kind == Token::Literal)
            out += t.text;
        else if (t.kind == Token::Elapsed)
            out += formatElapsed(t.text, parts);
        else if (t.kind == Token::General)
            out += formatGeneral(value);
        else if (t.kind == Token::Date)
            out += formatDateCode(t.text, parts, section, twelveHour);
    }
    return out;
}

bool conditionHolds(const Section &s, double v)
{
    if (s.condOp == QLatin1String("<"))
        return v < s.condValue;
    if (s.condOp == QLatin1String("<="))
        return v <= s.condValue;
    if (s.condOp == QLatin1String(">"))
        return v > s.condValue;
    if (s.condOp == QLatin1String(">="))
        return v >= s.condValue;
    if (s.condOp == QLatin1String("<>"))
        return v != s.condValue;
    return v == s.condValue;
}

bool hasTextAt(const Section &s)
{
    for (const Token &t : s.tokens)
        if (t.kind == Token::TextAt)
            return true;
    return false;
}

} // namespace

struct CellFormatter::Parsed {
    bool general = false;
    QList<Section> sections;
};

namespace {

std::shared_ptr<const CellFormatter::Parsed> parseFormat(const QString &formatCode)
{
    auto parsed = std::make_shared<CellFormatter::Parsed>();
    const QString code = formatCode.trimmed();
    if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0
        || code == QStringLiteral("G/標準")) {
        parsed->general = true;
        return parsed;
    }
    for (const QString &s : splitSections(code))
        parsed->sections << parseSection(s);
    // A text section (the one with @) does not show numbers.
    while (parsed->sections.size() > 1 && hasTextAt(parsed->sections.last()))
        parsed->sections.removeLast();
    return parsed;
}

QString formatParsed(double value, const CellFormatter::Parsed &parsed, bool date1904)
{
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    if (parsed.general)
        return formatGeneral(value);
    const QList<Section> &sections = parsed.sections;
    int chosen = 0;
    bool signShown = true; // the section prints the minus sign itself or not
    if (sections.first().hasCondition) {
        if (conditionHolds(sections.at(0), value))
            chosen = 0;
        else if (sections.size() > 1 && (!sections.at(1).hasCondition || conditionHolds(sections.at(1), value)))
            chosen = 1;
        else
            chosen = std::min<int>(2, int(sections.size()) - 1);
        signShown = chosen == 0 || sections.at(chosen).hasCondition || chosen == 2;
        signShown = !(value < 0 && chosen >= 1);
    } else if (value < 0 && sections.size() >= 2) {
        chosen = 1;
        signShown = false;
    } else if (value == 0 && sections.size() >= 3) {
        chosen = 2;
    }
    const Section &section = sections.at(chosen);
    if (section.isDate) {
        if (value < 0)
            return formatGeneral(value); // no date before the first day
        return formatDateSection(value, section, date1904);
    }
    bool onlyGeneral = true;
    for (const Token &t : section.tokens)
        if (t.kind != Token::General && t.kind != Token::Literal)
            onlyGeneral = false;
    QString text = formatNumberSection(value, section);
    if (value < 0 && signShown) {
        // A minus only when something non-zero is shown, as the programs do.
        bool nonZero = false;
        for (QChar ch : text)
            if (ch.isDigit() && ch != u'0')
                nonZero = true;
        if (nonZero || onlyGeneral)
            text.prepend(u'-');
    }
    return text;
}


} // namespace

CellFormatter::CellFormatter(bool date1904) : m_date1904(date1904) {}

CellFormatter::~CellFormatter() = default;

QString CellFormatter::number(double value, const QString &formatCode)
{
    auto it = m_parsed.constFind(formatCode);
    if (it == m_parsed.constEnd())
        it = m_parsed.insert(formatCode, parseFormat(formatCode));
    return formatParsed(value, **it, m_date1904);
}

QString FormatCellNumber(double value, const QString &formatCode, bool date1904)
{
    return formatParsed(value, *parseFormat(formatCode), date1904);
}

QString FormatCellText(const QString &text, const QString &formatCode)
{
    // Most text cells carry General or a number format: nothing to apply.
    if (!formatCode.contains(u'@') && !formatCode.contains(u';'))
        return text;
    const QStringList parts = splitSections(formatCode.trimmed());
    QString chosen;
    if (parts.size() >= 4)
        chosen = parts.at(3);
    else if (parts.size() == 1 && parts.first().contains(u'@'))
        chosen = parts.first();
    else
        return text;
    const Section section = parseSection(chosen);
    QString out;
    for (const Token &t : section.tokens) {
        if (t.kind == Token::TextAt)
            out += text;
        else if (t.kind == Token::Literal)
            out += t.text;
    }
    return out;
}

QString BuiltInNumberFormat(int id)
{
    switch (id) {
    case 0: return QStringLiteral("General");
    case 1: return QStringLiteral("0");
    case 2: return QStringLiteral("0.00");
    case 3: return QStringLiteral("#,##0");
    case 4: return QStringLiteral("#,##0.00");
    case 5: return QStringLiteral("\"¥\"#,##0;\"¥\"\\-#,##0");
    case 6: return QStringLiteral("\"¥\"#,##0;[Red]\"¥\"\\-#,##0");
    case 7: return QStringLiteral("\"¥\"#,##0.00;\"¥\"\\-#,##0.00");
    case 8: return QStringLiteral("\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00");
    case 9: return QStringLiteral("0%");
    case 10: return QStringLiteral("0.00%");
    case 11: return QStringLiteral("0.00E+00");
    case 12: return QStringLiteral("# ?/?");
    case 13: return QStringLiteral("# ?" "?/?" "?");
    case 14: return QStringLiteral("yyyy/m/d");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("yyyy/m/d h:mm");
    case 27: case 36: case 50: case 57:
        return QStringLiteral("[$-411]ge.m.d");
    case 28: case 29: case 51: case 54: case 58:
        return QStringLiteral("[$-411]ggge\"年\"m\"月\"d\"日\"");
    case 30: return QStringLiteral("m/d/yy");
    case 31: return QStringLiteral("yyyy\"年\"m\"月\"d\"日\"");
    case 32: return QStringLiteral("h\"時\"mm\"分\"");
    case 33: return QStringLiteral("h\"時\"mm\"分\"ss\"秒\"");
    case 34: case 52: case 55:
        return QStringLiteral("yyyy\"年\"m\"月\"");
    case 35: case 53: case 56:
        return QStringLiteral("m\"月\"d\"日\"");
    case 37: return QStringLiteral("#,##0 ;(#,##0)");
    case 38: return QStringLiteral("#,##0 ;[Red](#,##0)");
    case 39: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 40: return QStringLiteral("#,##0.00;[Red](#,##0.00)");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mm:ss.0");
    case 48: return QStringLiteral("##0.0E+0");
    case 49: return QStringLiteral("@");
    default: return QString();
    }
}

QDate SerialToDate(qint64 serialDay, bool date1904, bool *fictitiousLeapDay)
{
    if (fictitiousLeapDay)
        *fictitiousLeapDay = false;
    if (date1904)
        return QDate(1904, 1, 1).addDays(serialDay);
    if (serialDay == 60) {
        if (fictitiousLeapDay)
            *fictitiousLeapDay = true;
        return QDate();
    }
    if (serialDay < 1)
        return QDate();
    return serialDay < 60 ? QDate(1899, 12, 31).addDays(serialDay) : QDate(1899, 12, 30).addDays(serialDay);
}

double DateToSerial(const QDate &date, bool date1904)
{
    if (date1904)
        return double(QDate(1904, 1, 1).daysTo(date));
    const qint64 days = QDate(1899, 12, 30).daysTo(date);
    return double(days < 61 ? days - 1 : days);
}

SpreadsheetEra SpreadsheetEraOf(const QDate &date)
{
    for (const Era &era : kEras) {
        if (date >= era.start)
            return SpreadsheetEra{QString::fromUtf16(era.name), QChar(era.initial), date.year() - era.start.year() + 1};
    }
    return {};
}

} // namespace tera
