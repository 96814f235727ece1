#pragma once
#include <QString>

namespace tera {

struct TranscribeContext;

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

// The number for a new household: the largest D_SETAI.SNO + 1, or 1 on an
// empty table. A failure is reported (ShowErrCode) and gives 0.
qint32 NextSetaiNo(TranscribeContext &ctx);

// Writes the household of gRow into D_SETAI: edits the first row with its
// six-digit SETAI_NO, or adds one. Empty fields of gRow leave their columns
// alone; SETAI_NO and 寺番号 are always written. False after a reported
// failure.
bool WriteSetai(TranscribeContext &ctx);

// Looks up the household whose 世帯主名 equals head (trimmed). When there is
// one, its number, contact and visit data, 地区 and 検索 are loaded into gRow
// (from the first row), and KOJIN_NO becomes its first living member.
// A reported failure counts as not found.
bool FindSetaiByHead(TranscribeContext &ctx, const QString &head);

// Rewrites the M_お参り rows of household h: earlier rows are deleted, then
// one row per service 1 to 17 whose flag in gKakoRec is 1 (other flags are
// set to 0). False after a reported failure.
bool WriteOmairiSelection(TranscribeContext &ctx, qint16 h);

} // namespace tera
