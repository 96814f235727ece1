#include "grid_document.h"
#include "file_io.h"
#include "text_file.h"

#include <QtEndian>

#include <zlib.h>

#include <cstring>

namespace tera {

/*
  Grid document (.vsg), version 1. Every integer is unsigned and little-endian
  unless marked i32 (two's complement).

    header
      8 bytes   "TERAGRID"
      u16       version: 1
      u16       content: 0 texts and formatting, 1 texts only, 2 formatting only
      u32       Rows
      u32       Cols
    texts (content 0 and 1): Rows records, row 0 first
      u32       n, the cells stored (trailing empty cells are left out), n <= Cols
      n x u32   end of each cell in the row's text, in UTF-16 code units,
                non-decreasing; the last one is the length of the text
      UTF-16LE  the row's text: its cells laid end to end
    formatting (content 0 and 2)
      u32       FixedRows (<= Rows), u32 FixedCols (<= Cols)
      u32       default row height, u32 default column width (twips, <= 32767)
      u32       m, the rows with a height of their own (m <= Rows), then m
                pairs: u32 row (< Rows), u32 height (twips, <= 32767)
      Cols x i32  column width in twips, -1 for the default width
      Cols x u32  column sort mode, 0 to 10
    trailer
      4 bytes   "END."
      u32       CRC-32 (IEEE 802.3, as zip uses) of every byte before the trailer

  A reader refuses a version above its own, and any file whose trailer or
  checksum does not match (cut short, or damaged) or whose fields break the
  limits above. Content 2 records Rows and Cols only to size its lists; loading
  formatting never changes the table's size.
*/

namespace {

constexpr char kMagic[8] = {'T', 'E', 'R', 'A', 'G', 'R', 'I', 'D'};
constexpr char kTrailer[4] = {'E', 'N', 'D', '.'};
constexpr qsizetype kHeaderSize = 8 + 2 + 2 + 4 + 4;
constexpr qsizetype kTrailerSize = 4 + 4;

// zlib's CRC-32, the one zip uses; fed in pieces, as zlib takes at most
// 4 GiB at a time.
quint32 crc32(QByteArrayView data)
{
    uLong c = ::crc32(0L, Z_NULL, 0);
    for (qsizetype at = 0; at < data.size();) {
        const uInt n = uInt(qMin<qsizetype>(data.size() - at, 1 << 30));
        c = ::crc32(c, reinterpret_cast<const Bytef *>(data.data() + at), n);
        at += n;
    }
    return quint32(c);
}

class Writer {
public:
    void raw(const char *data, qsizetype size) { m_out.append(data, size); }
    void u16(quint16 v)
    {
        v = qToLittleEndian(v);
        raw(reinterpret_cast<const char *>(&v), 2);
    }
    void u32(quint32 v)
    {
        v = qToLittleEndian(v);
        raw(reinterpret_cast<const char *>(&v), 4);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void utf16(QStringView text)
    {
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            raw(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        } else {
            for (QChar ch : text)
                u16(ch.unicode());
        }
    }
    void reserve(qsizetype size) { m_out.reserve(size); }
    QByteArray &bytes() { return m_out; }

private:
    QByteArray m_out;
};

// Bounds-checked reading: a read past the end marks the reader failed and
// yields zeros, so the caller checks once per record.
class Reader {
public:
    Reader(QByteArrayView data, qsizetype start) : m_data(data), m_pos(start) {}
    bool failed() const { return m_failed; }
    qsizetype left() const { return m_data.size() - m_pos; }
    qsizetype pos() const { return m_pos; }
    quint16 u16()
    {
        if (!need(2))
            return 0;
        const quint16 v = qFromLittleEndian<quint16>(m_data.data() + m_pos);
        m_pos += 2;
        return v;
    }
    quint32 u32()
    {
        if (!need(4))
            return 0;
        const quint32 v = qFromLittleEndian<quint32>(m_data.data() + m_pos);
        m_pos += 4;
        return v;
    }
    qint32 i32() { return qint32(u32()); }
    QString utf16(qsizetype units)
    {
        if (units < 0 || !need(units * 2))
            return QString();
        QString text(units, Qt::Uninitialized);
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            std::memcpy(text.data(), m_data.data() + m_pos, size_t(units) * 2);
        } else {
            for (qsizetype i = 0; i < units; ++i)
                text[i] = QChar(qFromLittleEndian<quint16>(m_data.data() + m_pos + 2 * i));
        }
        m_pos += units * 2;
        return text;
    }

private:
    bool need(qsizetype bytes)
    {
        if (m_failed || bytes > left()) {
            m_failed = true;
            return false;
        }
        return true;
    }
    QByteArrayView m_data;
    qsizetype m_pos;
    bool m_failed = false;
};

QString damagedMessage(const QString &fileName)
{
    return QStringLiteral("ファイル「%1」のグリッド文書は途中で切れているか壊れているため、読み込めません。").arg(displayName(fileName));
}

} // namespace

QByteArray EncodeGridDocument(const GridDocument &doc)
{
    Writer w;
    qsizetype size = kHeaderSize + kTrailerSize;
    if (doc.hasTexts)
        for (const GridRow &row : doc.texts)
            size += 4 + row.storedCells() * 4 + row.text().size() * 2;
    if (doc.hasFormat)
        size += 24 + doc.format.rowHeights.size() * 8 + doc.cols * 8;
    w.reserve(size);

    w.raw(kMagic, 8);
    w.u16(kGridDocumentVersion);
    w.u16(doc.hasTexts && doc.hasFormat ? 0 : doc.hasTexts ? 1 : 2);
    w.u32(quint32(doc.rows));
    w.u32(quint32(doc.cols));
    if (doc.hasTexts) {
        for (int r = 0; r < doc.rows; ++r) {
            const GridRow row = r < doc.texts.size() ? doc.texts[r] : GridRow();
            const int n = std::min(row.storedCells(), doc.cols);
            w.u32(quint32(n));
            for (int c = 0; c < n; ++c)
                w.u32(quint32(row.ends()[c]));
            w.utf16(QStringView(row.text()).first(n == 0 ? 0 : row.ends()[n - 1]));
        }
    }
    if (doc.hasFormat) {
        const GridFormat &f = doc.format;
        w.u32(quint32(f.fixedRows));
        w.u32(quint32(f.fixedCols));
        w.u32(quint32(f.defaultRowHeight));
        w.u32(quint32(f.defaultColWidth));
        w.u32(quint32(f.rowHeights.size()));
        for (const auto &[row, height] : f.rowHeights) {
            w.u32(quint32(row));
            w.u32(quint32(height));
        }
        for (int c = 0; c < doc.cols; ++c)
            w.i32(c < f.colWidths.size() ? f.colWidths[c] : -1);
        for (int c = 0; c < doc.cols; ++c)
            w.u32(quint32(c < f.colSorts.size() ? f.colSorts[c] : 0));
    }
    const quint32 crc = crc32(w.bytes());
    w.raw(kTrailer, 4);
    w.u32(crc);
    return std::move(w.bytes());
}

namespace {

// The parts around the body: magic, version, size, trailer and checksum.
Outcome checkEnvelope(QByteArrayView data, const QString &fileName)
{
    const QByteArrayView magic(kMagic, 8);
    if (data.size() < 8) {
        if (!data.isEmpty() && magic.startsWith(data))
            return Outcome::failure(damagedMessage(fileName));
        return Outcome::failure(QStringLiteral("ファイル「%1」はグリッド文書ではありません。").arg(displayName(fileName)));
    }
    if (data.first(8) != magic)
        return Outcome::failure(QStringLiteral("ファイル「%1」はグリッド文書ではありません。").arg(displayName(fileName)));
    if (data.size() < 10)
        return Outcome::failure(damagedMessage(fileName));
    const quint16 version = qFromLittleEndian<quint16>(data.data() + 8);
    if (version > kGridDocumentVersion)
        return Outcome::failure(
            QStringLiteral("ファイル「%1」は新しい版（第 %2 版）のグリッド文書のため読み込めません。このプログラムが読めるのは第 %3 版までです。")
                .arg(displayName(fileName))
                .arg(version)
                .arg(kGridDocumentVersion));
    if (version == 0 || data.size() < kHeaderSize + kTrailerSize)
        return Outcome::failure(damagedMessage(fileName));
    const qsizetype bodyEnd = data.size() - kTrailerSize;
    if (data.sliced(bodyEnd, 4) != QByteArrayView(kTrailer, 4)
        || qFromLittleEndian<quint32>(data.data() + bodyEnd + 4) != crc32(data.first(bodyEnd)))
        return Outcome::failure(damagedMessage(fileName));
    return {};
}

// The rows' texts; false when they do not fit the sizes read before them.
bool readTexts(Reader &in, GridDocument &doc)
{
    const quint32 rows = quint32(doc.rows);
    const quint32 cols = quint32(doc.cols);
    if (qsizetype(rows) * 4 > in.left())
        return false;
    doc.texts.reserve(rows);
    for (quint32 r = 0; r < rows; ++r) {
        const quint32 n = in.u32();
        if (in.failed() || n > cols || qsizetype(n) * 4 > in.left())
            return false;
        QList<qint32> ends(n);
        qint64 previous = 0;
        for (quint32 c = 0; c < n; ++c) {
            const quint32 end = in.u32();
            if (end < previous || end > quint32(INT32_MAX))
                return false;
            ends[c] = qint32(end);
            previous = end;
        }
        QString text = in.utf16(previous);
        if (in.failed())
            return false;
        doc.texts.append(GridRow(std::move(text), std::move(ends)));
    }
    return true;
}

// Row heights, column widths and sort modes; false when one is out of range.
bool readFormat(Reader &in, quint32 rows, quint32 cols, GridFormat &f)
{
    const quint32 fixedRows = in.u32();
    const quint32 fixedCols = in.u32();
    const quint32 rowHeight = in.u32();
    const quint32 colWidth = in.u32();
    const quint32 own = in.u32();
    if (in.failed() || fixedRows > rows || fixedCols > cols || rowHeight > quint32(kMaxTwips)
        || colWidth > quint32(kMaxTwips) || own > rows || qsizetype(own) * 8 + qsizetype(cols) * 8 > in.left())
        return false;
    f.fixedRows = int(fixedRows);
    f.fixedCols = int(fixedCols);
    f.defaultRowHeight = int(rowHeight);
    f.defaultColWidth = int(colWidth);
    f.rowHeights.reserve(own);
    for (quint32 i = 0; i < own; ++i) {
        const quint32 row = in.u32();
        const quint32 height = in.u32();
        if (row >= rows || height > quint32(kMaxTwips))
            return false;
        f.rowHeights.append({int(row), int(height)});
    }
    f.colWidths.reserve(cols);
    for (quint32 c = 0; c < cols; ++c) {
        const qint32 width = in.i32();
        if (width < -1 || width > kMaxTwips)
            return false;
        f.colWidths.append(width);
    }
    f.colSorts.reserve(cols);
    for (quint32 c = 0; c < cols; ++c) {
        const quint32 mode = in.u32();
        if (mode > 10)
            return false;
        f.colSorts.append(int(mode));
    }
    return true;
}

} // namespace

Outcome DecodeGridDocument(const QByteArray &bytes, const QString &fileName, GridDocument &out)
{
    const QByteArrayView data(bytes);
    const Outcome envelope = checkEnvelope(data, fileName);
    if (!envelope.ok)
        return envelope;

    Reader in(data.first(data.size() - kTrailerSize), 10);
    const quint16 content = in.u16();
    const quint32 rows = in.u32();
    const quint32 cols = in.u32();
    if (content > 2 || rows > quint32(kMaxTextRows) || cols > quint32(kMaxTextCols))
        return Outcome::failure(damagedMessage(fileName));

    GridDocument doc;
    doc.rows = int(rows);
    doc.cols = int(cols);
    doc.hasTexts = content != 2;
    doc.hasFormat = content != 1;
    if (doc.hasTexts && !readTexts(in, doc))
        return Outcome::failure(damagedMessage(fileName));
    if (doc.hasFormat && !readFormat(in, rows, cols, doc.format))
        return Outcome::failure(damagedMessage(fileName));
    if (in.failed() || in.left() != 0)
        return Outcome::failure(damagedMessage(fileName));
    out = std::move(doc);
    return {};
}

Outcome WriteGridDocument(const QString &path, const GridDocument &doc)
{
    return WriteWholeFile(path, EncodeGridDocument(doc));
}

Outcome ReadGridDocument(const QString &path, GridDocument &out)
{
    QByteArray bytes;
    Outcome read = ReadWholeFile(path, bytes);
    if (!read.ok)
        return read;
    return DecodeGridDocument(bytes, path, out);
}

} // namespace tera
