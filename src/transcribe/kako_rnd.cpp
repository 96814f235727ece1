#include "transcribe/kako_rnd.h"
#include "platform/cp932.h"
#include "transcribe/pair_files.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtEndian>

#include <filesystem>
#include <system_error>

#include <utility>

namespace tera {
namespace {

// The codec is the one the text files use; kako.rnd only adds the best-fit
// forms on writing and reads a lead byte of no pair on its own.
void requireCp932()
{
    if (!cp932::available())
        throw KakoRndError(QStringLiteral("CP932 (windows-31j) の文字変換が使えないため、kako.rnd を読み書きできません。"));
}

void appendInt16(QByteArray &out, qint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

qint16 readInt16(QByteArrayView bytes, qsizetype &pos)
{
    const qint16 v = qFromLittleEndian<qint16>(bytes.data() + pos);
    pos += 2;
    return v;
}

QString readText(QByteArrayView bytes, qsizetype &pos, int width)
{
    const QString s = DecodeKakoText(bytes.sliced(pos, width));
    pos += width;
    return s;
}

QString recordNumberMessage(qint32 n)
{
    return QStringLiteral("kako.rnd のレコード番号 %1 は使えません（1 以上が必要です）。").arg(n);
}

} // namespace

bool Cp932Available() { return cp932::available(); }

QByteArray EncodeKakoText(const QString &text, int width, int *replaced)
{
    requireCp932();
    QByteArray out;
    out.reserve(qMax(width, 0));
    int count = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        char32_t cp = text[i].unicode();
        qsizetype units = 1;
        if (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        const int code = cp932::codeOf(cp, cp932::Fallback::BestFit);
        const bool held = code >= 0;
        const int bytes = code >= 0x100 ? 2 : 1;
        if (out.size() + bytes > width)
            break; // never half a character: the rest of the field is padding
        if (!held) {
            out.append('?');
            ++count;
        } else if (bytes == 2) {
            out.append(char(code >> 8));
            out.append(char(code & 0xFF));
        } else {
            out.append(char(code));
        }
        i += units;
    }
    if (out.size() < width)
        out.append(QByteArray(width - out.size(), ' '));
    if (replaced)
        *replaced += count;
    return out;
}

QString DecodeKakoText(QByteArrayView bytes)
{
    requireCp932();
    qsizetype end = bytes.size();
    while (end > 0 && bytes[end - 1] == ' ')
        --end;
    return cp932::decode(bytes.first(end), cp932::BadPair::LeadOnly).text;
}

QByteArray EncodeKakoRec(const KakoRec &rec, int *replaced)
{
    int count = 0;
    QByteArray out;
    out.reserve(int(kKakoRecordBytes));
    auto text = [&](const QString &s, int width) { out.append(EncodeKakoText(s, width, &count)); };

    appendInt16(out, rec.過去CD);
    text(rec.戒名, KakoWidth::戒名);
    text(rec.ﾖﾐ, KakoWidth::ﾖﾐ);
    text(rec.俗名, KakoWidth::俗名);
    text(rec.予備5, KakoWidth::予備5);
    appendInt16(out, rec.bnen);
    appendInt16(out, rec.btuki);
    appendInt16(out, rec.bHi);
    appendInt16(out, rec.享年);
    text(rec.続柄, KakoWidth::続柄);
    text(rec.施主名, KakoWidth::施主名);
    text(rec.電話, KakoWidth::電話);
    text(rec.郵便, KakoWidth::郵便);
    text(rec.住所, KakoWidth::住所);
    text(rec.住所2, KakoWidth::住所2);
    text(rec.予備16, KakoWidth::予備16);
    text(rec.予備17, KakoWidth::予備17);
    for (qint16 f : rec.omairiFlag)
        appendInt16(out, f);
    text(rec.予備19, KakoWidth::予備19);
    for (qint16 f : rec.kaikiFlag)
        appendInt16(out, f);
    for (const QString &d : rec.kaikiDate)
        text(d, KakoWidth::kaikiDate);
    appendInt16(out, rec.予備22);
    appendInt16(out, rec.予備23);

    if (out.size() != kKakoRecordBytes)
        throw KakoRndError(QStringLiteral("kako.rnd のレコード長が %1 バイトになりました（780 バイトのはずです）。").arg(out.size()));
    if (replaced)
        *replaced += count;
    return out;
}

KakoRec DecodeKakoRec(QByteArrayView bytes)
{
    if (bytes.size() != kKakoRecordBytes)
        throw KakoRndError(QStringLiteral("kako.rnd のレコードは 780 バイトですが、%1 バイトしかありません。").arg(bytes.size()));
    KakoRec rec;
    qsizetype pos = 0;
    rec.過去CD = readInt16(bytes, pos);
    rec.戒名 = readText(bytes, pos, KakoWidth::戒名);
    rec.ﾖﾐ = readText(bytes, pos, KakoWidth::ﾖﾐ);
    rec.俗名 = readText(bytes, pos, KakoWidth::俗名);
    rec.予備5 = readText(bytes, pos, KakoWidth::予備5);
    rec.bnen = readInt16(bytes, pos);
    rec.btuki = readInt16(bytes, pos);
    rec.bHi = readInt16(bytes, pos);
    rec.享年 = readInt16(bytes, pos);
    rec.続柄 = readText(bytes, pos, KakoWidth::続柄);
    rec.施主名 = readText(bytes, pos, KakoWidth::施主名);
    rec.電話 = readText(bytes, pos, KakoWidth::電話);
    rec.郵便 = readText(bytes, pos, KakoWidth::郵便);
    rec.住所 = readText(bytes, pos, KakoWidth::住所);
    rec.住所2 = readText(bytes, pos, KakoWidth::住所2);
    rec.予備16 = readText(bytes, pos, KakoWidth::予備16);
    rec.予備17 = readText(bytes, pos, KakoWidth::予備17);
    for (qint16 &f : rec.omairiFlag)
        f = readInt16(bytes, pos);
    rec.予備19 = readText(bytes, pos, KakoWidth::予備19);
    for (qint16 &f : rec.kaikiFlag)
        f = readInt16(bytes, pos);
    for (QString &d : rec.kaikiDate)
        d = readText(bytes, pos, KakoWidth::kaikiDate);
    rec.予備22 = readInt16(bytes, pos);
    rec.予備23 = readInt16(bytes, pos);
    return rec;
}

qint64 KakoRndFile::entryCount() const
{
    const QFileInfo info(m_path);
    return info.exists() ? info.size() / kKakoRecordBytes : 0;
}

QString KakoJournalPath(const QString &kakoPath) { return kakoPath + QStringLiteral(".journal"); }

namespace {

const QByteArray kJournalMagic = QByteArrayLiteral("tera-import kako.rnd journal 2");
// Written by earlier versions: one record, its old bytes in one line.
const QByteArray kJournalMagic1 = QByteArrayLiteral("tera-import kako.rnd journal 1");

QByteArray journalText(const KakoJournal &j)
{
    QByteArray text = kJournalMagic + "\nrecord=" + QByteArray::number(j.record) + "\nlength="
                      + QByteArray::number(j.oldLength) + '\n';
    for (const auto &[record, bytes] : j.oldRecords)
        text += "old=" + QByteArray::number(record) + ':' + bytes.toHex() + '\n';
    return text + "end\n";
}

QString cannotPutBack(const QString &path, const QString &reason)
{
    return QStringLiteral("kako.rnd を元に戻せません: %1（%2）").arg(path, reason);
}

} // namespace

bool KakoJournal::read(const QString &kakoPath, KakoJournal &journal)
{
    QFile f(KakoJournalPath(kakoPath));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = f.read(64 * 1024 * 1024).split('\n');
    const bool first = !lines.isEmpty() && lines.at(0) == kJournalMagic1;
    if (lines.size() < 4 || (lines.at(0) != kJournalMagic && !first))
        return false;
    auto field = [&](int i, const char *key, QByteArray &value) {
        const QByteArray line = lines.at(i);
        if (!line.startsWith(key))
            return false;
        value = line.mid(int(qstrlen(key)));
        return true;
    };
    QByteArray value;
    bool okRecord = false, okLength = false;
    if (field(1, "record=", value))
        journal.record = value.toInt(&okRecord);
    if (field(2, "length=", value))
        journal.oldLength = value.toLongLong(&okLength);
    if (!okRecord || !okLength || journal.record < 1 || journal.oldLength < 0)
        return false;
    journal.oldRecords.clear();
    int i = 3;
    for (; i < lines.size() && field(i, "old=", value); ++i) {
        qint32 record = journal.record;
        if (!first) {
            const int colon = value.indexOf(':');
            bool ok = false;
            record = value.left(colon).toInt(&ok);
            if (colon < 0 || !ok || record < 1)
                return false;
            value = value.mid(colon + 1);
        }
        const QByteArray bytes = QByteArray::fromHex(value);
        if (bytes.size() == kKakoRecordBytes)
            journal.oldRecords.append({record, bytes});
        else if (!bytes.isEmpty())
            return false;
    }
    return i < lines.size() && lines.at(i) == "end";
}

void KakoJournal::undo(const QString &kakoPath) const
{
    QFile f(kakoPath);
    if (!f.exists())
        return;
    if (!f.open(QIODevice::ReadWrite))
        throw KakoRndError(cannotPutBack(kakoPath, f.errorString()));
    bool ok = true;
    for (const auto &[record, bytes] : oldRecords)
        ok = ok && f.seek(qint64(record - 1) * kKakoRecordBytes) && f.write(bytes) == bytes.size();
    ok = ok && f.flush();
    if (ok && f.size() > oldLength)
        ok = f.resize(oldLength);
    const QString reason = f.errorString();
    f.close();
    if (!ok)
        throw KakoRndError(cannotPutBack(kakoPath, reason));
}

KakoRndFile::~KakoRndFile() { close(); }

void KakoRndFile::close()
{
    if (m_file)
        m_file->close();
    m_file.reset();
}

QFile *KakoRndFile::file()
{
    if (!m_file) {
        // Unbuffered: every record reaches the system when it is written.
        auto f = std::make_unique<QFile>(m_path);
        if (!f->open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            throw KakoRndError(QStringLiteral("kako.rnd を開けません: %1（%2）").arg(m_path, f->errorString()));
        m_file = std::move(f);
    }
    return m_file.get();
}

// Whole and on disk before the record it guards: written beside its name,
// synced, then renamed over it, so that a journal is never half one.
void KakoRndFile::writeJournal()
{
    const QString journalPath = KakoJournalPath(m_path);
    QTemporaryFile journal(journalPath + QStringLiteral(".XXXXXX.tmp"));
    const QByteArray text = journalText(*m_batch);
    QString reason;
    bool ok = journal.open() && journal.write(text) == text.size() && SyncToDisk(journal);
    if (!ok)
        reason = journal.errorString();
    journal.close();
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(journal.fileName()).toStdString(),
                                QFile::encodeName(journalPath).toStdString(), ec);
        ok = !ec;
        if (ok)
            journal.setAutoRemove(false);
        else
            reason = QString::fromLocal8Bit(ec.message().c_str());
    }
    if (!ok)
        throw KakoRndError(QStringLiteral("kako.rnd の控え %1 を書き込めません（%2）").arg(journalPath, reason));
    SyncFolder(QFileInfo(m_path).absolutePath());
}

// The way back of one record: the file's length and, when the record is
// written over, its old bytes.
KakoRndFile::RowUndo KakoRndFile::rowUndoFor(qint32 record)
{
    QFile *f = file();
    const qint64 at = qint64(record - 1) * kKakoRecordBytes;
    RowUndo row;
    row.record = record;
    row.lengthBefore = f->size();
    if (at + kKakoRecordBytes <= row.lengthBefore) {
        if (!f->seek(at) || (row.oldBytes = f->read(kKakoRecordBytes)).size() != kKakoRecordBytes)
            throw KakoRndError(QStringLiteral("kako.rnd を読めません: %1（%2）").arg(m_path, f->errorString()));
    }
    return row;
}

// Adds the record to the pending batch, and the journal is on disk before
// the record is written; a journal that cannot be written leaves the batch
// as it was.
void KakoRndFile::journalBefore(const RowUndo &row)
{
    const qint32 n = row.record;
    const bool starts = !m_batch;
    if (starts) {
        m_batch = KakoJournal();
        m_batch->record = n;
        m_batch->oldLength = row.lengthBefore;
    }
    const bool overwrites = qint64(n - 1) * kKakoRecordBytes < m_batch->oldLength;
    bool known = false;
    for (const auto &old : std::as_const(m_batch->oldRecords))
        known = known || old.first == n;
    // A record cut off at the end needs no old bytes: the length puts it back.
    const bool keepsOld = overwrites && !known && row.oldBytes.size() == kKakoRecordBytes;
    if (keepsOld)
        m_batch->oldRecords.append({n, row.oldBytes});
    if (!starts && !keepsOld)
        return;
    try {
        writeJournal();
    } catch (const KakoRndError &) {
        if (starts)
            m_batch.reset();
        else
            m_batch->oldRecords.removeLast();
        throw;
    }
}

void KakoRndFile::put(const KakoRec &rec)
{
    const qint32 n = rec.過去CD;
    if (n < 1)
        throw KakoRndError(recordNumberMessage(n));
    if (m_row)
        throw KakoRndError(QStringLiteral("kako.rnd のレコード %1 がまだ確定していません。").arg(m_row->record));
    int replaced = 0;
    const QByteArray bytes = EncodeKakoRec(rec, &replaced);
    const RowUndo row = rowUndoFor(n);

    // First the way back, then the record.
    if (m_journaled)
        journalBefore(row);
    m_row = row;
    QFile *f = file();
    const bool written = f->seek(qint64(n - 1) * kKakoRecordBytes) && f->write(bytes) == bytes.size();
    if (!written) {
        const QString failure = QStringLiteral("kako.rnd のレコード %1 を書き込めません: %2（%3）")
                                    .arg(n)
                                    .arg(m_path, f->errorString());
        try {
            undoRow();
        } catch (const KakoRndError &) {
            // The journal stays; the next run puts the file back.
        }
        throw KakoRndError(failure);
    }
    if (!m_journaled)
        m_row.reset();
    m_replaced += replaced;
}

void KakoRndFile::restore(qint32 record, const QByteArray &bytes, qint64 length)
{
    QFile *f = file();
    bool ok = true;
    if (!bytes.isEmpty())
        ok = f->seek(qint64(record - 1) * kKakoRecordBytes) && f->write(bytes) == bytes.size();
    if (ok && f->size() > length)
        ok = f->resize(length);
    if (!ok)
        throw KakoRndError(cannotPutBack(m_path, f->errorString()));
}

void KakoRndFile::keepRow() { m_row.reset(); }

void KakoRndFile::undoRow()
{
    if (!m_row)
        return;
    const RowUndo row = *m_row;
    restore(row.record, row.oldBytes, row.lengthBefore);
    m_row.reset();
}

void KakoRndFile::keepPending()
{
    m_row.reset();
    if (!m_batch)
        return;
    m_batch.reset();
    QFile::remove(KakoJournalPath(m_path));
}

void KakoRndFile::undoPending()
{
    m_row.reset();
    if (!m_batch)
        return;
    // The file this object holds open is the one put back; closing it first
    // lets the journal's own undo work on the path.
    close();
    m_batch->undo(m_path); // on failure the journal stays for the next run
    m_batch.reset();
    QFile::remove(KakoJournalPath(m_path));
}

KakoRec KakoRndFile::get(qint32 n) const
{
    if (n < 1)
        throw KakoRndError(recordNumberMessage(n));
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        throw KakoRndError(QStringLiteral("kako.rnd を開けません: %1（%2）").arg(m_path, f.errorString()));
    QByteArray bytes;
    if (f.seek(qint64(n - 1) * kKakoRecordBytes))
        bytes = f.read(kKakoRecordBytes);
    f.close();
    if (bytes.size() != kKakoRecordBytes)
        throw KakoRndError(QStringLiteral("kako.rnd にレコード %1 がありません: %2").arg(n).arg(m_path));
    return DecodeKakoRec(bytes);
}

} // namespace tera
