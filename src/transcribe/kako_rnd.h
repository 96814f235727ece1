#pragma once
#include "transcribe/records.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
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
// a blank. 〜 (U+301C), − (U+2212) and the like from files of other systems
// are written in their CP932 form, as Windows' best fit writes them. A
// character CP932 cannot hold is written as "?"; the number of
// those that land in the field is added to *replaced.
QByteArray EncodeKakoText(const QString &text, int width, int *replaced = nullptr);
// The text of a field, its padding blanks removed. Bytes that form no CP932
// character read as U+FFFD.
QString DecodeKakoText(QByteArrayView bytes);

// One whole record, exactly 780 bytes. Adds the "?" replacements to *replaced.
QByteArray EncodeKakoRec(const KakoRec &rec, int *replaced = nullptr);
// Reads a 780-byte record; throws KakoRndError for any other size.
KakoRec DecodeKakoRec(QByteArrayView bytes);

// The journal of a pending record: kako.rnd.journal beside kako.rnd.
QString KakoJournalPath(const QString &kakoPath);

// The way back for one record: what a run writes before the record, and
// what the next run reads when the run was killed before its commit.
struct KakoJournal {
    qint32 record = 0;
    qint64 oldLength = 0;
    QByteArray oldBytes;

    // False when there is no journal or it is incomplete (a run killed while
    // writing the journal had not touched kako.rnd yet).
    static bool read(const QString &kakoPath, KakoJournal &journal);
    // Puts kako.rnd back as it was before the record. Throws KakoRndError.
    void undo(const QString &kakoPath) const;
};

// The file at one path. The file is opened and closed for every record, so
// whatever was written before a failure stays on disk.
//
// A record belongs to a database row that is committed after it is written.
// Until then the record is pending: a small journal beside the file
// (KakoJournalPath) says how to take it back, so that neither a failed row
// nor a killed process leaves a record without its W_KAKO entry.
class KakoRndFile {
public:
    explicit KakoRndFile(const QString &path) : m_path(path) {}
    const QString &path() const { return m_path; }

    // The number of entries: file length / 780; 0 when the file is missing.
    qint64 entryCount() const;
    // A transcription run keeps each record pending until its row is
    // committed; other users (tools, tests) write records plainly.
    void setJournaled(bool on) { m_journaled = on; }
    // Writes the journal (when journaled), then opens the file (creating it
    // when missing), writes rec as record rec.過去CD and closes it; the record is pending
    // until keepPending() or undoPending(). Throws KakoRndError when the
    // number is below 1, a record is already pending, or the journal or the
    // file cannot be written (nothing is left pending then).
    void put(const KakoRec &rec);
    bool hasPending() const { return m_pending.has_value(); }
    // The row was committed: the record stays, the journal goes.
    void keepPending();
    // The row was not committed: the file gets back its old bytes and
    // length, the journal goes. Throws KakoRndError when the file cannot be
    // put back (the journal then stays for the next run).
    void undoPending();
    // Reads record n; throws KakoRndError when the file holds no record n.
    KakoRec get(qint32 n) const;

    // Characters written as "?" by put() on this object so far.
    qint64 replacedChars() const { return m_replaced; }

private:
    QString m_path;
    qint64 m_replaced = 0;
    bool m_journaled = false;
    std::optional<KakoJournal> m_pending; // the way back of the record not yet committed
};

} // namespace tera
