#pragma once
#include "outcome.h"
#include "grid_row.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tera {

// Character sets of comma- and tab-separated files. Auto: on reading, a
// byte-order mark decides, else UTF-8 when the whole file is valid UTF-8, else
// CP932 (Windows Shift_JIS, with the NEC and IBM extension characters) when the
// whole file is valid CP932; anything else is refused rather than guessed.
// On writing, Auto writes CP932 when every character has a CP932 code, else
// UTF-8 with a byte-order mark, so that nothing is lost.
enum class TextEncoding { Auto, Utf8, Cp932, Utf16LE, Utf16BE };

// The name users know, for messages.
QString encodingName(TextEncoding encoding);

// The rows of a delimited text: one row per line in file order, the column
// count being that of the widest line; missing fields are empty cells.
struct TextTable {
    QList<GridRow> rows;
    int cols = 0;
    // What the file was read as (never Auto after a successful read).
    TextEncoding encoding = TextEncoding::Auto;
};

// Limits that keep a damaged or hostile file from exhausting memory.
constexpr int kMaxTextRows = 10'000'000;
constexpr int kMaxTextCols = 1'000'000;
// No register line comes near this; a longer one is a file without line ends
// (or no table at all), whose parse would cost many times its size.
constexpr qsizetype kMaxLineBytes = 4 * 1024 * 1024;

// Turns a file's bytes into text. fileName is only for the messages.
// A binary file (NUL bytes) or a file in no known encoding fails and leaves
// text alone; a file with characters that cannot be read in a forced (or
// byte-order-mark) encoding fails too, naming the first bad line, with text
// set to what it reads as (those characters as U+FFFD).
Outcome DecodeText(const QByteArray &bytes, const QString &fileName, TextEncoding encoding, QString &text,
                      TextEncoding *used = nullptr);

// Reads comma-separated (separator ',') or tab-separated ('\t') text with
// RFC 4180 quoting: a field that starts with a double quote runs to the
// matching quote and may hold separators, line breaks and doubled quotes.
// Lines may end in CR LF, LF or CR; the last line may lack its line end.
// A quote left open at the end of the file is read as a plain character from
// its line on, with a warning naming that line. On failure out is untouched.
Outcome ParseDelimitedText(const QByteArray &bytes, const QString &fileName, QChar separator, TextTable &out,
                              TextEncoding encoding = TextEncoding::Auto);
// Reads a file as ParseDelimitedText does. Only a regular file within
// kMaxReadFileBytes is opened (see CheckReadableFile); a file with no text at
// all reads as an empty table with the warning NoDataMessage.
Outcome ReadDelimitedText(const QString &path, QChar separator, TextTable &out,
                             TextEncoding encoding = TextEncoding::Auto);
// Says that the file holds no data.
QString NoDataMessage(const QString &path);

// Writes cols cells of every row, separated by separator, each line ending in
// CR LF; a field holding the separator, a quote, CR or LF is quoted. The file
// is replaced only when everything was written (nothing is left half-written).
Outcome WriteDelimitedText(const QString &path, QChar separator, const QList<GridRow> &rows, int cols,
                              TextEncoding encoding = TextEncoding::Auto);
// The text itself, as WriteDelimitedText lays it out before encoding.
QString FormatDelimitedText(QChar separator, const QList<GridRow> &rows, int cols);

// A file name as messages show it.
QString displayName(const QString &path);

} // namespace tera
