#pragma once
#include <QString>
#include <QStringList>

// Kanji numerals in both directions, and the small text routines that the
// date and age readers build on.
//
// A "character" here is one Unicode character: a surrogate pair is never cut
// in two, and a stray surrogate counts as one character of its own.

namespace tera {

// The value of one digit character in any script the register files use:
// ASCII 0-9, full-width ０-９, kanji 一 to 九, 〇 or 零 for zero, and the
// formal forms of documents and old registers (壱/弌 1, 弐/弍 2, 参/弎 3,
// 肆 4, 伍 5, 陸 6, 漆/柒 7, 捌 8, 玖 9). -1 for anything else.
int DigitValue(char32_t c);

// The place words 十/拾 10, 百/佰/陌 100, 千/仟/阡 1000, 万/萬 10000,
// 億 10^8, 兆 10^12; 0 for anything else. 廿, 卅 and 卌 are no place words:
// they stand for 二十, 三十 and 四十 whole (see ReadKanjiNumeral).
qint64 PlaceValue(char32_t c);

// A numeral character written in kanji: the digits (〇 and 零 included, the
// formal ones too), the place words and 廿 念 卅 丗 卌. Not ASCII or
// full-width digits, not 元.
bool IsKanjiNumeralChar(char32_t c);

// One character to its kanji form: ASCII and full-width digits 1-9 become
// 一 to 九, both zeros the full-width ０ (the product never writes a kanji
// zero), the dashes "-", "ー", "－" become の. Anything else, including a text
// of more or fewer than one character, comes back unchanged.
QString ToKanjiChar(const QString &ch);

// The decimal text of a whole number in kanji numerals, exactly as the temple
// product prints them:
//   10 十, 110 百十, 1000 千, 2005 二千五, 20010 二万一十, 11111 一万一千一百一十一,
//   0 ０ (full-width).
// Meant for the decimal form of a non-negative 16-bit number (at most five
// digits, no leading zero; two to four zeros alone give the empty text).
// Other characters of a two- to five-character text go through ToKanjiChar
// in place of the digit ("-5" gives の十五). Six or more characters are
// written character by character with ToKanjiChar (123456 gives 一二三四五六),
// which FromKanjiNum reads back.
//
// When the text is a single character, the caller's variable is overwritten
// with the result as well; the const overload leaves it alone.
QString ToKanjiNum(QString &digits);
QString ToKanjiNum(const QString &digits);

// What a numeral text reads as.
struct NumeralReading {
    enum class Kind {
        None,      // no numeral character at all ("不明", "")
        Number,    // a well-formed numeral: digits holds its value
        Malformed, // numeral characters that make no number: problem says why
    };
    Kind kind = Kind::None;
    QString digits;  // ASCII digits; a plain digit string keeps its leading zeros
    QString problem; // for the user: what is wrong with the numeral

    bool isNumber() const { return kind == Kind::Number; }
    bool isMalformed() const { return kind == Kind::Malformed; }
};

// Reads a numeral written in kanji (modern or formal forms), full-width or
// ASCII digits, as registers write them.
// - The numeral runs from its first numeral character to its last. Text
//   around it adds nothing (十五日 15, 行年八十五歳 85, 第五 5); blanks inside
//   it are ignored (二 十 20); any other character inside it makes it
//   malformed (3月5 is no number, where reading the digits alone would give
//   35).
// - Digits without place words stand as they are, digit for digit, in any
//   mix of scripts: １２ 12, 二〇〇三 2003, ０１ 01.
// - With place words the numeral is read by place value: 十 10, 二十五 25,
//   百五 105, 千十 1010, 二千五 2005, 千九百八十九 1989, 拾弐 12, 弐千弐拾四
//   2024. 廿 (or 念) is 二十, 卅 (or 丗) 三十, 卌 四十, so 廿一 is 21 and
//   百廿 120. Below 万 the places 千, 百, 十 come at most once each, in
//   that order, each with at most one digit before it (none means one);
//   the units after the last place are one digit, after zeros that stand
//   for empty places (二千〇五 2005), or a digit string smaller than that
//   place (2千30 2030). 万, 億 and 兆 come at most once each, larger first,
//   each counting the section before it (1 to 9999, written either way:
//   三億五千万, 1億2000万, 十二万); 万 alone is 10000.
// - Anything else is malformed, never a number read in part: 十十, 五十五十,
//   十百, 二廿, 12百, 一万億, 十〇.
// With eraYear, 元 is the first year of an era (元, 元年) when it stands alone;
// 元 beside other numerals is malformed. Without it 元 is no numeral.
// Values saturate at the 64-bit range, far beyond every field: the caller's
// narrowing reports them instead of storing a part of them.
NumeralReading ReadKanjiNumeral(const QString &text, bool eraYear = false);

// The digits of ReadKanjiNumeral: empty for a text without a numeral and for
// a malformed one. Callers that must tell those apart (every cell that a
// value is stored from) use ReadKanjiNumeral itself.
QString FromKanjiNum(const QString &numeral);

// As FromKanjiNum, reading an era year: 元 (alone) is "1". Use it wherever a
// text is an era year: the year piece of 平成元年5月17日, the era-year cell of
// the death register, a member's birth era year.
QString FromEraYearNum(const QString &numeral);

// Splits text into its characters, the first at index 0, and sets count to
// their number. Afterwards chars holds exactly those characters. An empty
// text leaves chars as it was and sets count to 0.
void StrToChars(const QString &text, QStringList &chars, int &count);

// text without any occurrence of the one character ch (exact comparison; a
// surrogate pair counts as one character). When ch is not exactly one
// character, nothing matches and text comes back unchanged.
QString RemoveChar(const QString &text, const QString &ch);

// The numeric value of a text as the date and age fields read it: the
// leading decimal number, with blanks ignored wherever they stand, an
// optional sign, ASCII or full-width digits (and signs) and an optional
// fraction that is rounded to the nearest whole number (a half to the even
// one). Reading stops at the first character that cannot continue the number;
// no number at all gives 0 (85歳 85, ８５歳 85, " 85" 85, "-12" -12, "abc" 0,
// 八十五 0: kanji numerals go through FromKanjiNum). The result saturates at
// the 64-bit range; narrow it with toInt16/toInt32, which report an overflow.
qint64 NumericValue(const QString &text);

} // namespace tera
