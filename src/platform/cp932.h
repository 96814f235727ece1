#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// CP932 (Windows Shift_JIS, with the NEC and IBM extension characters 髙, 﨑,
// ①) for every file the program reads or writes: the text files and
// kako.rnd both go through these tables, so they cannot disagree on a
// character. The mappings come from ICU's windows-31j once per process, with
// two corrections: the ASCII range is mapped as it stands (ICU swaps 0x1A,
// 0x1C and 0x7F the IBM way), and a character counts as held only when its
// bytes read back as the same character (ICU's one-way mappings would change
// the text on the next read).
namespace tera::cp932 {

// False when ICU offers no windows-31j: then nothing can be read or written.
bool available();

bool isLeadByte(uchar b);

enum class Fallback {
    None,    // only characters CP932 holds
    BestFit, // also the forms other systems use for them, as Windows' best fit
             // writes them: 〜 − ‖ — ¢ £ ¬ ¥ ‾
};

// The code of one character: below 0x100 a single byte, otherwise
// lead << 8 | trail; -1 when CP932 cannot hold it.
int codeOf(char32_t c, Fallback fallback = Fallback::None);

// How a lead byte is read when its pair forms no character.
enum class BadPair {
    LeadOnly,  // U+FFFD for the lead byte; the next byte is read on its own (kako.rnd)
    WholePair, // one U+FFFD for both bytes when the second could be a trail
               // byte (text files, as Windows and ICU read them)
};

struct Decoded {
    QString text;
    qsizetype firstBadByte = -1; // offset of the first byte that formed no character
};
// Every byte becomes a character; the unreadable ones become U+FFFD.
Decoded decode(QByteArrayView bytes, BadPair badPair);

// The bytes of text, or nothing when a character cannot be held (its index in
// text goes to *firstUnheld).
std::optional<QByteArray> encode(QStringView text, qsizetype *firstUnheld = nullptr);

} // namespace tera::cp932
