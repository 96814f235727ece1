#include "kanji_numerals.h"

#include <QChar>

#include <QVarLengthArray>

#include <algorithm>
#include <limits>

namespace tera {

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();

// Length in UTF-16 units of the character at i: a surrogate pair stays whole.
qsizetype charLength(const QString &s, qsizetype i)
{
    if (i + 1 < s.size() && s.at(i).isHighSurrogate() && s.at(i + 1).isLowSurrogate())
        return 2;
    return 1;
}

char32_t codeAt(const QString &s, qsizetype i, qsizetype len)
{
    return len == 2 ? QChar::surrogateToUcs4(s.at(i), s.at(i + 1)) : char32_t(s.at(i).unicode());
}

qsizetype charCount(const QString &s)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); i += charLength(s, i))
        ++n;
    return n;
}

QStringList charsOf(const QString &s)
{
    QStringList out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size();) {
        const qsizetype len = charLength(s, i);
        out << s.mid(i, len);
        i += len;
    }
    return out;
}

// Saturating arithmetic on non-negative values: an absurd numeral must not
// wrap into a plausible year.
qint64 satAdd(qint64 a, qint64 b)
{
    qint64 r;
    return __builtin_add_overflow(a, b, &r) ? kMax : r;
}

qint64 satMul(qint64 a, qint64 b)
{
    qint64 r;
    return __builtin_mul_overflow(a, b, &r) ? kMax : r;
}

const QString kOne = QStringLiteral("1");
const QString kZero = QStringLiteral("0");

} // namespace

int DigitValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return int(c - U'0');
    if (c >= U'０' && c <= U'９')
        return int(c - U'０');
    switch (c) {
    case U'〇':
    case U'零':
        return 0;
    case U'一': return 1;
    case U'二': return 2;
    case U'三': return 3;
    case U'四': return 4;
    case U'五': return 5;
    case U'六': return 6;
    case U'七': return 7;
    case U'八': return 8;
    case U'九': return 9;
    default:
        return -1;
    }
}

qint64 PlaceValue(char32_t c)
{
    switch (c) {
    case U'十': return 10;
    case U'百': return 100;
    case U'千': return 1000;
    case U'万': return 10000;
    case U'億': return 100000000;
    case U'兆': return 1000000000000;
    default:
        return 0;
    }
}

QString ToKanjiChar(const QString &ch)
{
    static const struct {
        const char16_t *ascii;
        const char16_t *wide;
        const char16_t *kanji;
    } kDigits[] = {
        {u"1", u"１", u"一"}, {u"2", u"２", u"二"}, {u"3", u"３", u"三"}, {u"4", u"４", u"四"},
        {u"5", u"５", u"五"}, {u"6", u"６", u"六"}, {u"7", u"７", u"七"}, {u"8", u"８", u"八"},
        {u"9", u"９", u"九"}, {u"0", u"０", u"０"},
    };
    for (const auto &d : kDigits)
        if (ch == QStringView(d.ascii) || ch == QStringView(d.wide))
            return QString::fromUtf16(d.kanji);
    if (ch == u"-" || ch == u"ー" || ch == u"－")
        return QStringLiteral("の");
    return ch;
}

QString ToKanjiNum(QString &digits)
{
    const QString result = ToKanjiNum(static_cast<const QString &>(digits));
    if (charCount(digits) == 1)
        digits = result;
    return result;
}

QString ToKanjiNum(const QString &digits)
{
    const qsizetype n = charCount(digits);
    if (n == 0)
        return QString();
    if (n == 1)
        return ToKanjiChar(digits);
    QString out;
    if (n > 5) {
        out.reserve(digits.size());
        for (qsizetype i = 0; i < digits.size();) {
            const qsizetype len = charLength(digits, i);
            out += ToKanjiChar(digits.mid(i, len));
            i += len;
        }
        return out;
    }
    const QStringList d = charsOf(digits);

    // Up to four digits a 1 before 十, 百, 千 is left out (rule A); below 万
    // it is written (rule C), and the 万 digit itself is written untested.
    enum Rule { A, C, U };
    struct Place {
        const char16_t *word;
        Rule rule;
    };
    static const Place k2[] = {{u"十", A}};
    static const Place k3[] = {{u"百", A}, {u"十", A}};
    static const Place k4[] = {{u"千", A}, {u"百", A}, {u"十", A}};
    static const Place k5[] = {{u"万", U}, {u"千", C}, {u"百", C}, {u"十", C}};
    const Place *places = n == 2 ? k2 : n == 3 ? k3 : n == 4 ? k4 : k5;

    for (qsizetype i = 0; i + 1 < n; ++i) {
        const QString &c = d.at(i);
        const Place &p = places[i];
        const QString word = QString::fromUtf16(p.word);
        if (p.rule != U && c == kZero)
            continue;
        if (p.rule == A && c == kOne)
            out += word;
        else
            out += ToKanjiChar(c) + word;
    }
    if (d.at(n - 1) != kZero)
        out += ToKanjiChar(d.at(n - 1));
    return out;
}

namespace {

// One character of a numeral: a digit, or a place word with its value.
struct NumeralToken {
    int digit = -1;     // 0-9, or -1 for a place word
    qint64 place = 0;
};
using Tokens = QVarLengthArray<NumeralToken, 32>; // a date piece never needs the heap

constexpr qint64 kMyriad = 10000; // 万: from here on a place word groups what stands before it

// Below 万: 十, 百 and 千 each take the digits just before them (one when
// there are none), digits after the last of them are the units.
qint64 readSmall(const NumeralToken *begin, const NumeralToken *end)
{
    qint64 section = 0;
    qint64 run = 0;
    bool haveRun = false;
    for (const NumeralToken *t = begin; t != end; ++t) {
        if (t->digit >= 0) {
            run = satAdd(satMul(run, 10), t->digit);
            haveRun = true;
        } else {
            section = satAdd(section, satMul(haveRun ? run : 1, t->place));
            run = 0;
            haveRun = false;
        }
    }
    return satAdd(section, run);
}

// The largest grouping word (万, 億, 兆) present splits the numeral: each
// stretch before one of its occurrences counts that many of it (nothing at
// all counts one: 億 is 一億), the stretch after the last is the rest. The
// stretches hold smaller words only, so the depth stays at three.
qint64 readGrouped(const NumeralToken *begin, const NumeralToken *end)
{
    qint64 unit = 0;
    for (const NumeralToken *t = begin; t != end; ++t)
        unit = std::max(unit, t->place);
    if (unit < kMyriad)
        return readSmall(begin, end);
    qint64 total = 0;
    const NumeralToken *from = begin;
    for (const NumeralToken *t = begin; t != end; ++t) {
        if (t->place != unit)
            continue;
        const qint64 count = t == from ? 1 : readGrouped(from, t);
        total = satAdd(total, satMul(count, unit));
        from = t + 1;
    }
    return satAdd(total, readGrouped(from, end));
}

} // namespace

QString FromKanjiNum(const QString &numeral)
{
    QString digits; // the digits as they stand, for numerals without place words
    Tokens tokens;
    bool anyPlace = false;
    for (qsizetype i = 0; i < numeral.size();) {
        const qsizetype len = charLength(numeral, i);
        const char32_t c = codeAt(numeral, i, len);
        i += len;
        const int d = DigitValue(c);
        if (d >= 0) {
            digits += QChar(u'0' + d);
            tokens.append({d, 0});
            continue;
        }
        const qint64 p = PlaceValue(c);
        if (p == 0)
            continue; // no numeral: adds nothing
        anyPlace = true;
        tokens.append({-1, p});
    }
    if (tokens.isEmpty())
        return QString();
    if (!anyPlace)
        return digits;
    return QString::number(readGrouped(tokens.constData(), tokens.constData() + tokens.size()));
}

QString FromEraYearNum(const QString &numeral)
{
    const QString r = FromKanjiNum(numeral);
    if (r.isEmpty() && numeral.contains(u'元'))
        return kOne;
    return r;
}

void StrToChars(const QString &text, QStringList &chars, int &count)
{
    count = 0;
    if (text.isEmpty())
        return;
    chars = charsOf(text);
    count = int(chars.size());
}

QString RemoveChar(const QString &text, const QString &ch)
{
    if (ch.isEmpty() || charLength(ch, 0) != ch.size())
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = charLength(text, i);
        if (len != ch.size() || QStringView(text).mid(i, len) != ch)
            out += QStringView(text).mid(i, len);
        i += len;
    }
    return out;
}

qint64 NumericValue(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text.at(i).isSpace())
            ++i;
    };
    skipBlanks();
    bool negative = false;
    // Register files mix full-width signs and digits with ASCII ones.
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+' || text.at(i) == u'－' || text.at(i) == u'＋')) {
        negative = text.at(i) == u'-' || text.at(i) == u'－';
        ++i;
    }
    qint64 whole = 0;
    int firstFraction = -1;     // the first digit after the point, for rounding
    bool restNonZero = false;   // any non-zero digit after that one
    bool inFraction = false;
    for (;;) {
        skipBlanks();
        if (i >= n)
            break;
        const QChar c = text.at(i);
        const bool wide = c >= u'０' && c <= u'９';
        if ((c >= u'0' && c <= u'9') || wide) {
            const int d = wide ? c.unicode() - u'０' : c.unicode() - u'0';
            if (!inFraction)
                whole = satAdd(satMul(whole, 10), d);
            else if (firstFraction < 0)
                firstFraction = d;
            else if (d != 0)
                restNonZero = true;
        } else if (c == u'.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
        ++i;
    }
    if (firstFraction > 5 || (firstFraction == 5 && (restNonZero || whole % 2 == 1)))
        whole = satAdd(whole, 1);
    return negative ? -whole : whole;
}

} // namespace tera
