#pragma once
#include "transcribe/records.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <QFile>
#include <QList>

#include <memory>
#include <optional>
#include <utility>
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

// The journal of the pending records: kako.rnd.journal beside kako.rnd.
QString KakoJournalPath(const QString &kakoPath);

// The way back for the records not yet committed: what a run writes before
// the first record after a commit, and what the next run reads when the run
// was killed before its commit. Records are committed together with the
// database rows of the same transaction, so either all of them stay or none.
struct KakoJournal {
    qint32 record = 0;    // the first record written since the last commit
    qint64 oldLength = 0; // the file's length at the last commit
    // Records within oldLength that were written over, with their old bytes.
    QList<std::pair<qint32, QByteArray>> oldRecords;

    // False when there is no journal or it is incomplete (a run killed while
    // writing the journal had not touched kako.rnd yet).
    static bool read(const QString &kakoPath, KakoJournal &journal);
    // Puts kako.rnd back as it was at the last commit. Throws KakoRndError.
    void undo(const QString &kakoPath) const;
};

// The file at one path. A run keeps it open from its first record to its
// end; every record is handed to the system as it is written, so whatever
// was written before a failure or a kill stays on disk.
//
// A record belongs to a database row that is committed after it is written.
// Until then the record is pending: a small journal beside the file
// (KakoJournalPath) says how to take every pending record back, so that
// neither a failed row nor a killed process leaves a record without its
// W_KAKO entry. Rows are committed in batches; within a batch each row's
// record can be taken back alone (undoRow).
class KakoRndFile {
public:
    explicit KakoRndFile(const QString &path) : m_path(path) {}
    ~KakoRndFile();
    KakoRndFile(const KakoRndFile &) = delete;
    KakoRndFile &operator=(const KakoRndFile &) = delete;
    const QString &path() const { return m_path; }

    // The number of entries: file length / 780; 0 when the file is missing.
    qint64 entryCount() const;
    // A transcription run keeps each record pending until its row is
    // committed; other users (tools, tests) write records plainly.
    void setJournaled(bool on) { m_journaled = on; }
    // Writes the journal (when journaled and nothing is pending yet), then
    // writes rec as record rec.過去CD (creating the file when missing); the
    // record is pending until keepPending() or undoPending(). Throws
    // KakoRndError when the number is below 1, the row already has a record,
    // or the journal or the file cannot be written (the row's record is
    // taken back then).
    void put(const KakoRec &rec);
    bool hasPending() const { return m_batch.has_value(); }
    // The row's record joins the pending batch: a later undoRow() leaves it.
    void keepRow();
    // Takes back the record of the current row only; the batch's earlier
    // records stay pending. Throws KakoRndError when the file cannot be put
    // back.
    void undoRow();
    // The rows were committed: the records stay, the journal goes.
    void keepPending();
    // The rows were not committed: the file gets back its length and bytes
    // of the last commit, the journal goes. Throws KakoRndError when the file
    // cannot be put back (the journal then stays for the next run).
    void undoPending();
    // Closes the file; the next put opens it again.
    void close();
    // Reads record n; throws KakoRndError when the file holds no record n.
    KakoRec get(qint32 n) const;

    // Characters written as "?" by put() on this object so far.
    qint64 replacedChars() const { return m_replaced; }

private:
    struct RowUndo {
        qint32 record = 0;
        qint64 lengthBefore = 0;
        QByteArray oldBytes; // the record's bytes when it was written over
    };
    QFile *file();
    RowUndo rowUndoFor(qint32 record);
    void journalBefore(const RowUndo &row);
    void writeJournal();
    void restore(qint32 record, const QByteArray &bytes, qint64 length);

    QString m_path;
    qint64 m_replaced = 0;
    bool m_journaled = false;
    std::unique_ptr<QFile> m_file;
    std::optional<KakoJournal> m_batch; // the way back of the records not yet committed
    std::optional<RowUndo> m_row;       // the way back of the current row's record
};

} // namespace tera
