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
// ASCII 0-9, full-width ０-９, kanji 一 to 九, and 〇 or 零 for zero.
// -1 for anything else.
int DigitValue(char32_t c);

// The place words 十 10, 百 100, 千 1000, 万 10000, 億 10^8, 兆 10^12; 0 for
// anything else.
qint64 PlaceValue(char32_t c);

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

// A numeral in kanji, full-width or ASCII digits to ASCII digits, for the
// caller to turn into a number.
// - Digits without place words are kept as they stand, digit for digit:
//   １２ 12, 二〇〇三 2003, ０１ 01.
// - With place words the numeral is read by place value: 十 10, 二十五 25,
//   百五 105, 千十 1010, 二千五 2005, 千九百八十九 1989, 二万一十 20010.
//   万, 億 and 兆 group what stands before them: 三億五千万 350000000,
//   百億 10000000000, 億 alone 100000000. Such values are far beyond the
//   16-bit fields, which is the point: the caller's narrowing reports them
//   instead of storing a few digits of them. A value beyond the 64-bit range
//   reads as 9223372036854775807, which no field holds either.
// - Characters that are no numerals add nothing wherever they stand
//   (十五日 15, 第五 5); a text without any numeral gives the empty text,
//   which callers read as 0. 元 is no numeral here: see FromEraYearNum.
// The result is always empty or ASCII digits only.
QString FromKanjiNum(const QString &numeral);

// Reads an era year: as FromKanjiNum, except that 元 (the first year of an
// era, as in 平成元年) reads as "1" when the text holds no other numeral
// (元, 元年, " 元 "). Use it wherever a text is an era year: the year piece of
// an era date such as 平成元年5月17日, the era-year cell of the death register,
// a member's birth era year. Everywhere else use FromKanjiNum, where 元 stays
// no numeral.
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
