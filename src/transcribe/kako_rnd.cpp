#include "transcribe/kako_rnd.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <utility>
#include <vector>

namespace tera {
namespace {

constexpr char kCodecName[] = "windows-31j";

bool isLeadByte(uchar b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// CP932 as Windows writes it. ICU's windows-31j supplies the mappings of the
// NEC and IBM extensions (髙, 﨑, ①), but it swaps the controls 0x1A, 0x1C
// and 0x7F the IBM way, so the ASCII range is mapped here directly. Only
// characters that come back unchanged count as held: ICU's one-way mappings
// would not survive a read of the file.
class Cp932 {
public:
    static const Cp932 &instance()
    {
        static const Cp932 table;
        return table;
    }

    bool valid() const { return m_valid; }

    // 0: not held; below 0x100: one byte; otherwise lead byte << 8 | trail byte.
    quint16 encode(char32_t cp) const
    {
        if (cp < 0x80)
            return quint16(cp);
        return cp < 0x10000 ? m_encode[cp] : 0;
    }
    // U+FFFD when the byte or pair is no character.
    char16_t decodeSingle(uchar b) const { return m_single[b]; }
    char16_t decodePair(uchar lead, uchar trail) const { return m_pair[(lead << 8) | trail]; }

private:
    Cp932()
    {
        m_valid = QStringEncoder(kCodecName).isValid() && QStringDecoder(kCodecName).isValid();
        if (!m_valid)
            return;
        m_encode.assign(0x10000, 0);
        m_single.assign(0x100, u'\uFFFD');
        m_pair.assign(0x10000, u'\uFFFD');
        // One converter per character: a conversion error stays on the
        // converter, and the byte boundaries of each character are needed.
        for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp < 0xE000)
                continue;
            const QChar c{char16_t(cp)};
            QStringEncoder enc(kCodecName, QStringConverter::Flag::Stateless);
            const QByteArray b = enc.encode(QStringView(&c, 1));
            if (enc.hasError() || b.isEmpty() || b.size() > 2 || uchar(b[0]) < 0x80)
                continue;
            QStringDecoder dec(kCodecName, QStringConverter::Flag::Stateless);
            const QString back = dec.decode(b);
            if (dec.hasError() || back.size() != 1 || back[0] != c)
                continue;
            m_encode[cp] = b.size() == 1 ? quint16(uchar(b[0])) : quint16((uchar(b[0]) << 8) | uchar(b[1]));
        }
        // Files made on a Mac, on Linux or on the web use these code points
        // where Windows uses the CP932 ones (〜 for ～, − for －); Windows'
        // best fit and iconv write them as below, and so does the record.
        // Reading the record back gives the CP932 characters.
        static const std::pair<char16_t, quint16> kBestFit[] = {
            {0x301C, 0x8160}, {0x2212, 0x817C}, {0x2016, 0x8161}, {0x00A2, 0x8191}, {0x00A3, 0x8192},
            {0x00AC, 0x81CA}, {0x2014, 0x815C}, {0x00A5, 0x5C},   {0x203E, 0x7E},
        };
        for (const auto &[cp, code] : kBestFit)
            m_encode[cp] = code;
        for (int b = 0; b < 0x80; ++b)
            m_single[b] = char16_t(b);
        for (int b = 0x80; b < 0x100; ++b) {
            if (isLeadByte(uchar(b)))
                continue;
            m_single[b] = decodeWithIcu(QByteArray(1, char(b)));
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(uchar(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F)
                    continue;
                const char pair[2] = {char(lead), char(trail)};
                m_pair[(lead << 8) | trail] = decodeWithIcu(QByteArray(pair, 2));
            }
        }
    }

    static char16_t decodeWithIcu(const QByteArray &bytes)
    {
        QStringDecoder dec(kCodecName, QStringConverter::Flag::Stateless);
        const QString s = dec.decode(bytes);
        if (dec.hasError() || s.size() != 1 || s[0].isSurrogate())
            return u'\uFFFD';
        return s[0].unicode();
    }

    bool m_valid = false;
    std::vector<quint16> m_encode;
    std::vector<char16_t> m_single;
    std::vector<char16_t> m_pair;
};

const Cp932 &cp932()
{
    const Cp932 &t = Cp932::instance();
    if (!t.valid())
        throw KakoRndError(QStringLiteral("CP932 (windows-31j) の文字変換が使えないため、kako.rnd を読み書きできません。"));
    return t;
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

bool Cp932Available()
{
    return Cp932::instance().valid();
}

QByteArray EncodeKakoText(const QString &text, int width, int *replaced)
{
    const Cp932 &t = cp932();
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
        const quint16 code = (cp >= 0xD800 && cp < 0xE000) ? 0 : t.encode(cp);
        const bool held = code != 0 || cp == 0;
        const int bytes = held && code >= 0x100 ? 2 : 1;
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
    const Cp932 &t = cp932();
    qsizetype end = bytes.size();
    while (end > 0 && bytes[end - 1] == ' ')
        --end;
    QString out;
    out.reserve(end);
    for (qsizetype i = 0; i < end;) {
        const uchar b = uchar(bytes[i]);
        if (isLeadByte(b) && i + 1 < end) {
            const char16_t c = t.decodePair(b, uchar(bytes[i + 1]));
            if (c != u'\uFFFD') {
                out.append(QChar(c));
                i += 2;
                continue;
            }
        }
        out.append(QChar(isLeadByte(b) ? u'\uFFFD' : t.decodeSingle(b)));
        ++i;
    }
    return out;
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

const QByteArray kJournalMagic = QByteArrayLiteral("tera-import kako.rnd journal 1");

QByteArray journalText(qint32 record, qint64 oldLength, const QByteArray &oldBytes)
{
    return kJournalMagic + "\nrecord=" + QByteArray::number(record) + "\nlength=" + QByteArray::number(oldLength)
           + "\nold=" + oldBytes.toHex() + "\nend\n";
}

} // namespace

bool KakoJournal::read(const QString &kakoPath, KakoJournal &journal)
{
    QFile f(KakoJournalPath(kakoPath));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = f.read(4096).split('\n');
    if (lines.size() < 5 || lines.at(0) != kJournalMagic || lines.at(4) != "end")
        return false;
    auto field = [&](int i, const char *key) {
        const QByteArray line = lines.at(i);
        return line.startsWith(key) ? line.mid(int(qstrlen(key))) : QByteArray();
    };
    bool okRecord = false, okLength = false;
    journal.record = field(1, "record=").toInt(&okRecord);
    journal.oldLength = field(2, "length=").toLongLong(&okLength);
    journal.oldBytes = QByteArray::fromHex(field(3, "old="));
    return okRecord && okLength && journal.record >= 1 && journal.oldLength >= 0
           && (journal.oldBytes.isEmpty() || journal.oldBytes.size() == kKakoRecordBytes);
}

void KakoJournal::undo(const QString &kakoPath) const
{
    QFile f(kakoPath);
    if (!f.exists())
        return;
    if (!f.open(QIODevice::ReadWrite))
        throw KakoRndError(QStringLiteral("kako.rnd を元に戻せません: %1（%2）").arg(kakoPath, f.errorString()));
    bool ok = true;
    if (!oldBytes.isEmpty())
        ok = f.seek(qint64(record - 1) * kKakoRecordBytes) && f.write(oldBytes) == oldBytes.size() && f.flush();
    if (ok && f.size() > oldLength)
        ok = f.resize(oldLength);
    const QString reason = f.errorString();
    f.close();
    if (!ok)
        throw KakoRndError(QStringLiteral("kako.rnd を元に戻せません: %1（%2）").arg(kakoPath, reason));
}

namespace {

// Writes bytes as record n; the reason for the user when it cannot.
QString writeRecord(const QString &path, qint32 n, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return QStringLiteral("kako.rnd を開けません: %1（%2）").arg(path, f.errorString());
    const bool written = f.seek(qint64(n - 1) * kKakoRecordBytes) && f.write(bytes) == bytes.size() && f.flush();
    const QString reason = f.errorString();
    f.close();
    return written ? QString()
                   : QStringLiteral("kako.rnd のレコード %1 を書き込めません: %2（%3）").arg(n).arg(path, reason);
}

// The way back for record n: the file's length and the record's bytes
// before it is written, kept in the journal beside the file.
KakoJournal writeJournal(const QString &path, qint32 n)
{
    KakoJournal j;
    j.record = n;
    QFile old(path);
    if (old.exists()) {
        j.oldLength = old.size();
        const qint64 at = qint64(n - 1) * kKakoRecordBytes;
        if (at < j.oldLength) {
            if (!old.open(QIODevice::ReadOnly) || !old.seek(at))
                throw KakoRndError(QStringLiteral("kako.rnd を開けません: %1（%2）").arg(path, old.errorString()));
            j.oldBytes = old.read(kKakoRecordBytes);
            if (j.oldBytes.size() != kKakoRecordBytes)
                j.oldBytes.clear(); // a cut-off record: cutting the file back restores it
        }
    }
    const QString journalPath = KakoJournalPath(path);
    QFile journal(journalPath);
    const QByteArray text = journalText(n, j.oldLength, j.oldBytes);
    const bool ok =
        journal.open(QIODevice::WriteOnly | QIODevice::Truncate) && journal.write(text) == text.size() && journal.flush();
    const QString reason = journal.errorString();
    journal.close();
    if (!ok) {
        QFile::remove(journalPath);
        throw KakoRndError(QStringLiteral("kako.rnd の控え %1 を書き込めません（%2）").arg(journalPath, reason));
    }
    return j;
}

} // namespace

void KakoRndFile::put(const KakoRec &rec)
{
    const qint32 n = rec.過去CD;
    if (n < 1)
        throw KakoRndError(recordNumberMessage(n));
    if (m_pending)
        throw KakoRndError(QStringLiteral("kako.rnd のレコード %1 がまだ確定していません。").arg(m_pending->record));
    int replaced = 0;
    const QByteArray bytes = EncodeKakoRec(rec, &replaced);
    // First the way back, then the record.
    if (m_journaled)
        m_pending = writeJournal(m_path, n);
    const QString failure = writeRecord(m_path, n, bytes);
    if (!failure.isEmpty()) {
        try {
            undoPending();
        } catch (const KakoRndError &) {
            // The journal stays; the next run puts the file back.
        }
        throw KakoRndError(failure);
    }
    m_replaced += replaced;
}

void KakoRndFile::keepPending()
{
    if (!m_pending)
        return;
    m_pending.reset();
    QFile::remove(KakoJournalPath(m_path));
}

void KakoRndFile::undoPending()
{
    if (!m_pending)
        return;
    m_pending->undo(m_path); // on failure the journal stays for the next run
    m_pending.reset();
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
