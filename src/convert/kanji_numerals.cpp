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
    case U'一': case U'壱': case U'弌': return 1;
    case U'二': case U'弐': case U'弍': return 2;
    case U'三': case U'参': case U'弎': return 3;
    case U'四': case U'肆': return 4;
    case U'五': case U'伍': return 5;
    case U'六': case U'陸': return 6;
    case U'七': case U'漆': case U'柒': return 7;
    case U'八': case U'捌': return 8;
    case U'九': case U'玖': return 9;
    default:
        return -1;
    }
}

qint64 PlaceValue(char32_t c)
{
    switch (c) {
    case U'十': case U'拾': return 10;
    case U'百': case U'佰': case U'陌': return 100;
    case U'千': case U'仟': case U'阡': return 1000;
    case U'万': case U'萬': return 10000;
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

// One character of a numeral.
struct NumeralToken {
    enum Kind { Digit, Place, Tens, Group, Gan } kind;
    qint64 value; // the digit; the place (10, 100, 1000); 20/30/40; the group (10^4, 10^8, 10^12)
    QString text; // as written, for the message
};
using Tokens = QVarLengthArray<NumeralToken, 32>; // a date piece never needs the heap

constexpr qint64 kMyriad = 10000; // 万: from here on a place word groups what stands before it

bool blank(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'　';
}

// 廿 (念 in accounts and old registers) 20, 卅 (丗) 30, 卌 40: tens written
// as one character.
qint64 tensValue(char32_t c)
{
    switch (c) {
    case U'廿': case U'念': return 20;
    case U'卅': case U'丗': return 30;
    case U'卌': return 40;
    default: return 0;
    }
}

bool tokenOf(char32_t c, bool eraYear, NumeralToken &t)
{
    if (const int d = DigitValue(c); d >= 0) {
        t.kind = NumeralToken::Digit;
        t.value = d;
    } else if (const qint64 p = PlaceValue(c); p > 0) {
        t.kind = p >= kMyriad ? NumeralToken::Group : NumeralToken::Place;
        t.value = p;
    } else if (const qint64 tens = tensValue(c); tens > 0) {
        t.kind = NumeralToken::Tens;
        t.value = tens;
    } else if (eraYear && c == U'元') {
        t.kind = NumeralToken::Gan;
        t.value = 1;
    } else {
        return false;
    }
    return true;
}

// Why a numeral is no number: thrown inside the reader only.
struct Malformed {
    QString why;
};

// A run of digits: its value, saturating.
qint64 runValue(const NumeralToken *begin, const NumeralToken *end)
{
    qint64 v = 0;
    for (const NumeralToken *t = begin; t != end; ++t)
        v = satAdd(satMul(v, 10), t->value);
    return v;
}

QString runText(const NumeralToken *begin, const NumeralToken *end)
{
    QString s;
    for (const NumeralToken *t = begin; t != end; ++t)
        s += t->text;
    return s;
}

// A section below 万: digits alone (1億2000万's 2000) or 千, 百, 十 (and
// 廿, 卅, 卌) by place value. Returns its value, 0 to 9999.
qint64 readSection(const NumeralToken *begin, const NumeralToken *end)
{
    bool anyPlace = false;
    for (const NumeralToken *t = begin; t != end; ++t)
        anyPlace = anyPlace || t->kind != NumeralToken::Digit;
    if (!anyPlace) {
        const qint64 v = runValue(begin, end);
        if (v >= kMyriad)
            throw Malformed{QStringLiteral("「%1」は万の位より下に収まりません").arg(runText(begin, end))};
        return v;
    }
    qint64 total = 0;
    qint64 lastPlace = kMyriad;
    QString lastPlaceText;
    const NumeralToken *run = begin; // the digits since the last place word
    for (const NumeralToken *t = begin; t != end; ++t) {
        if (t->kind == NumeralToken::Digit)
            continue;
        const bool tens = t->kind == NumeralToken::Tens;
        const qint64 place = tens ? 10 : t->value;
        if (place >= lastPlace)
            throw Malformed{place == lastPlace ? QStringLiteral("「%1」の位が重なっています").arg(t->text)
                                               : QStringLiteral("「%1」が小さい位の後にあります").arg(t->text)};
        qint64 count = 1;
        if (run != t) {
            // One digit 1 to 9 before a place; 廿, 卅, 卌 take none.
            if (tens || t - run > 1 || run->value == 0)
                throw Malformed{QStringLiteral("「%1」の前の「%2」は 1 から 9 の一桁ではありません")
                                    .arg(t->text, runText(run, t))};
            count = run->value;
        }
        total += tens ? t->value : count * place;
        lastPlace = place;
        lastPlaceText = t->text;
        run = t + 1;
    }
    // The units: zeros that stand for the places left empty, then a number
    // smaller than the last place.
    if (run != end) {
        const NumeralToken *units = run;
        while (units != end && units->value == 0)
            ++units;
        if (units == end)
            throw Malformed{QStringLiteral("「%1」で終わっています").arg(runText(run, end))};
        const qint64 v = runValue(units, end);
        if (v >= lastPlace)
            throw Malformed{QStringLiteral("「%1」の後の「%2」が位に収まりません").arg(lastPlaceText, runText(run, end))};
        total += v;
    }
    return total;
}

// 兆, 億 and 万, larger first and each once, each counting the section
// before it; the section after the last is the rest.
qint64 readGrouped(const NumeralToken *begin, const NumeralToken *end)
{
    qint64 total = 0;
    qint64 lastGroup = 0;
    const NumeralToken *from = begin;
    for (const NumeralToken *t = begin; t != end; ++t) {
        if (t->kind != NumeralToken::Group)
            continue;
        if (lastGroup != 0 && t->value >= lastGroup)
            throw Malformed{t->value == lastGroup ? QStringLiteral("「%1」の位が重なっています").arg(t->text)
                                                  : QStringLiteral("「%1」が小さい位の後にあります").arg(t->text)};
        qint64 count = 1; // 万 alone, 億 alone: one of it
        if (from != t || lastGroup != 0) {
            if (from == t)
                throw Malformed{QStringLiteral("「%1」の前に数がありません").arg(t->text)};
            count = readSection(from, t);
            if (count == 0)
                throw Malformed{QStringLiteral("「%1」の前が 0 です").arg(t->text)};
        }
        total = satAdd(total, satMul(count, t->value));
        lastGroup = t->value;
        from = t + 1;
    }
    if (from != end) {
        const qint64 rest = readSection(from, end);
        if (lastGroup != 0 && rest == 0)
            throw Malformed{QStringLiteral("「%1」で終わっています").arg(runText(from, end))};
        total = satAdd(total, rest);
    }
    return total;
}

} // namespace

bool IsKanjiNumeralChar(char32_t c)
{
    const bool arabic = (c >= U'0' && c <= U'9') || (c >= U'０' && c <= U'９');
    return !arabic && (DigitValue(c) >= 0 || PlaceValue(c) > 0 || tensValue(c) > 0);
}

namespace {

// The numeral characters of a text, with what the reading needs to know of
// them.
struct ScannedNumeral {
    Tokens tokens;
    QString digits; // the digits as they stand, for numerals without place words
    bool anyPlace = false;
    bool gan = false;
    QString strayInside; // a character inside the numeral that is none
    qsizetype spanFrom = -1, spanTo = -1; // the numeral within text, for the message
};

ScannedNumeral scanNumeral(const QString &text, bool eraYear)
{
    ScannedNumeral s;
    QString strayPending; // one seen since the last numeral character
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = charLength(text, i);
        const char32_t c = codeAt(text, i, len);
        const QString shown = text.mid(i, len);
        const qsizetype at = i;
        i += len;
        NumeralToken t;
        if (!tokenOf(c, eraYear, t)) {
            if (!s.tokens.isEmpty() && !blank(c) && strayPending.isEmpty())
                strayPending = shown;
            continue;
        }
        if (!strayPending.isEmpty() && s.strayInside.isEmpty())
            s.strayInside = strayPending;
        strayPending.clear();
        if (s.spanFrom < 0)
            s.spanFrom = at;
        s.spanTo = i;
        t.text = shown;
        s.tokens.append(t);
        if (t.kind == NumeralToken::Digit)
            s.digits += QChar(char16_t(u'0' + t.value));
        s.anyPlace = s.anyPlace || t.kind == NumeralToken::Place || t.kind == NumeralToken::Tens
                     || t.kind == NumeralToken::Group;
        s.gan = s.gan || t.kind == NumeralToken::Gan;
    }
    return s;
}

} // namespace

NumeralReading ReadKanjiNumeral(const QString &text, bool eraYear)
{
    NumeralReading out;
    const ScannedNumeral s = scanNumeral(text, eraYear);
    const Tokens &tokens = s.tokens;
    if (tokens.isEmpty())
        return out;
    const auto malformed = [&](const QString &why) {
        out.kind = NumeralReading::Kind::Malformed;
        out.problem = QStringLiteral("「%1」は数の書き方として正しくありません（%2）。").arg(text.mid(s.spanFrom, s.spanTo - s.spanFrom), why);
        return out;
    };
    if (!s.strayInside.isEmpty())
        return malformed(QStringLiteral("数の途中に「%1」があります").arg(s.strayInside));
    if (s.gan) {
        if (tokens.size() > 1)
            return malformed(QStringLiteral("「元」はほかの数と一緒には書けません"));
        out.kind = NumeralReading::Kind::Number;
        out.digits = kOne;
        return out;
    }
    out.kind = NumeralReading::Kind::Number;
    if (!s.anyPlace) {
        out.digits = s.digits;
        return out;
    }
    if (tokens.first().kind == NumeralToken::Digit && tokens.first().value == 0)
        return malformed(QStringLiteral("「%1」で始まっています").arg(tokens.first().text));
    try {
        out.digits = QString::number(readGrouped(tokens.constData(), tokens.constData() + tokens.size()));
    } catch (const Malformed &m) {
        out.digits.clear();
        return malformed(m.why);
    }
    return out;
}

QString FromKanjiNum(const QString &numeral)
{
    const NumeralReading r = ReadKanjiNumeral(numeral);
    return r.isNumber() ? r.digits : QString();
}

QString FromEraYearNum(const QString &numeral)
{
    const NumeralReading r = ReadKanjiNumeral(numeral, true);
    return r.isNumber() ? r.digits : QString();
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
