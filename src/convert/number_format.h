#pragma once
#include <QString>

namespace tera {

// Full-width digits, signs and point as their ASCII forms; register files
// type numbers either way. Everything else stays.
QString AsciiDigits(const QString &text);

// A number written with at least width digits, leading zeros ("000000" for
// household numbers, "000" and "0000" for postal halves): "12" gives
// "000012", "１２" (full-width) too, " 7 " gives "000007", "-5" "-000005",
// "12.5" "000013", "1234567" stays "1234567". A text that is no number
// (empty, blanks, "A12") comes back unchanged.
QString FormatDigits(const QString &text, int width);
QString FormatDigits(qint64 number, int width);
inline QString SixDigits(const QString &text) { return FormatDigits(text, 6); }
inline QString SixDigits(qint64 number) { return FormatDigits(number, 6); }

} // namespace tera
