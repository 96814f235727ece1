#pragma once
#include "convert/number_format.h"

#include <QString>

namespace tera {

struct TranscribeContext;

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
