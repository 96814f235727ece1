#pragma once
#include "transcribe/records.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <stdexcept>

namespace tera {

// kako.rnd: the product's death register, a plain sequence of fixed 780-byte
// records without header. Record n (from 1) starts at byte (n - 1) * 780 and
// holds the entry whose 過去CD is n. Integers are 16-bit little-endian; texts
// are CP932, left-aligned, padded with blanks and cut at their width.
inline constexpr qint64 kKakoRecordBytes = 780;

// A failure to read or write kako.rnd, with a message for the user.
class KakoRndError : public std::runtime_error {
public:
    explicit KakoRndError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// True when the CP932 converter (ICU's windows-31j) is present. Without it
// no record can be written.
bool Cp932Available();

// One text field of exactly width bytes. A character that would cross the
// width (half of a two-byte character) is left out and its place padded with
// a blank. A character CP932 cannot hold is written as "?"; the number of
// those that land in the field is added to *replaced.
QByteArray EncodeKakoText(const QString &text, int width, int *replaced = nullptr);
// The text of a field, its padding blanks removed. Bytes that form no CP932
// character read as U+FFFD.
QString DecodeKakoText(QByteArrayView bytes);

// One whole record, exactly 780 bytes. Adds the "?" replacements to *replaced.
QByteArray EncodeKakoRec(const KakoRec &rec, int *replaced = nullptr);
// Reads a 780-byte record; throws KakoRndError for any other size.
KakoRec DecodeKakoRec(QByteArrayView bytes);

// The file at one path. The file is opened and closed for every record, so
// whatever was written before a failure stays on disk.
class KakoRndFile {
public:
    explicit KakoRndFile(const QString &path) : m_path(path) {}
    const QString &path() const { return m_path; }

    // The number of entries: file length / 780; 0 when the file is missing.
    qint64 entryCount() const;
    // Opens the file (creating it when missing), writes rec as record
    // rec.過去CD, closes it. Throws KakoRndError when the number is below 1
    // or the file cannot be opened or written.
    void put(const KakoRec &rec);
    // Reads record n; throws KakoRndError when the file holds no record n.
    KakoRec get(qint32 n) const;

    // Characters written as "?" by put() on this object so far.
    qint64 replacedChars() const { return m_replaced; }

private:
    QString m_path;
    qint64 m_replaced = 0;
};

} // namespace tera
