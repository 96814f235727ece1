#include "text_file.h"
#include "cp932.h"
#include "file_io.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace tera {

namespace {

QString noConverterMessage(const QString &fileName)
{
    return QStringLiteral("この環境ではシフトJIS（CP932）の文字コード変換が使えないため、ファイル「%1」を扱えません。")
        .arg(displayName(fileName));
}

// Line (from 1) of the byte at offset: CR LF, LF and CR each end a line. CR and
// LF never occur inside a UTF-8 or CP932 character, so bytes can be counted.
qint64 lineOfByte(QByteArrayView data, qsizetype offset)
{
    qint64 line = 1;
    const char *p = data.data();
    offset = std::min(offset, data.size());
    for (qsizetype i = 0; i < offset; ++i) {
        if (p[i] == '\n')
            ++line;
        else if (p[i] == '\r' && !(i + 1 < data.size() && p[i + 1] == '\n'))
            ++line;
    }
    return line;
}

qint64 lineOfChar(QStringView text, qsizetype index)
{
    qint64 line = 1;
    index = std::min(index, text.size());
    for (qsizetype i = 0; i < index; ++i) {
        if (text[i] == u'\n')
            ++line;
        else if (text[i] == u'\r' && !(i + 1 < text.size() && text[i + 1] == u'\n'))
            ++line;
    }
    return line;
}

// Offset of the first byte that breaks UTF-8 (overlong forms, surrogates and
// code points past U+10FFFF included), or -1 when all of it is valid.
qsizetype firstInvalidUtf8(QByteArrayView data)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data.data());
    const qsizetype n = data.size();
    qsizetype i = 0;
    while (i < n) {
        // Plain ASCII runs are the common case; step over them eight at a time.
        while (i + 8 <= n) {
            quint64 chunk;
            std::memcpy(&chunk, p + i, 8);
            if (chunk & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return i;
        }
        if (i + more >= n) // cut short by the end of the file
            return i;
        if (p[i + 1] < lo || p[i + 1] > hi)
            return i;
        for (int k = 2; k <= more; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return i;
        i += more + 1;
    }
    return -1;
}

QString binaryMessage(const QString &fileName, qint64 line)
{
    return QStringLiteral("ファイル「%1」はテキストファイルではありません（%2 行目にバイナリデータ（NUL 文字）があります）。")
        .arg(displayName(fileName))
        .arg(line);
}

// One row from the scanner's buffers: exact-size copies, trailing empty cells
// dropped, so that a large file costs little more than its text.
GridRow makeRow(const QString &scratch, const QList<qint32> &ends)
{
    qsizetype k = ends.size();
    while (k > 0 && ends[k - 1] == (k >= 2 ? ends[k - 2] : 0))
        --k;
    if (k == 0)
        return GridRow();
    return GridRow(QString(scratch.constData(), ends[k - 1]), QList<qint32>(ends.constBegin(), ends.constBegin() + k));
}

bool needsQuotes(QStringView field, char16_t separator)
{
    for (QChar ch : field) {
        const char16_t c = ch.unicode();
        if (c == separator || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

} // namespace

QString displayName(const QString &path) { return QDir::toNativeSeparators(path); }

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Auto:
        return QStringLiteral("自動判別");
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Cp932:
        return QStringLiteral("シフトJIS（CP932）");
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16BE");
    }
    return QString();
}

namespace {

struct ByteOrderMark {
    TextEncoding encoding = TextEncoding::Auto;
    qsizetype length = 0;
};

ByteOrderMark byteOrderMarkOf(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return {TextEncoding::Utf8, 3};
    if (data.startsWith("\xFF\xFE"))
        return {TextEncoding::Utf16LE, 2};
    if (data.startsWith("\xFE\xFF"))
        return {TextEncoding::Utf16BE, 2};
    return {};
}

// No encoding named: UTF-8 when all of it reads as UTF-8, else CP932 when all
// of it reads as that; otherwise refused, naming where each one breaks.
Outcome decodeGuessing(QByteArrayView data, const QString &fileName, QString &decoded, TextEncoding &enc)
{
    const qsizetype utf8Bad = firstInvalidUtf8(data);
    if (utf8Bad < 0) {
        decoded = QString::fromUtf8(data);
        enc = TextEncoding::Utf8;
        return {};
    }
    if (!cp932::available())
        return Outcome::failure(noConverterMessage(fileName));
    cp932::Decoded cp = cp932::decode(data, cp932::BadPair::WholePair);
    if (cp.firstBadByte < 0) {
        decoded = std::move(cp.text);
        enc = TextEncoding::Cp932;
        return {};
    }
    const qint64 utf8Line = lineOfByte(data, utf8Bad);
    const qint64 cp932Line = lineOfByte(data, cp.firstBadByte);
    return Outcome::failure(
        QStringLiteral("ファイル「%1」の文字コードを判別できません。UTF-8 としては %2 行目、シフトJIS（CP932）としては "
                       "%3 行目に読めない文字があります。文字コードを指定して読み込んでください。")
            .arg(displayName(fileName))
            .arg(utf8Line)
            .arg(cp932Line),
        std::max(utf8Line, cp932Line));
}

// An odd last byte reads as a replacement character, so that its line is
// named like any other bad one.
Outcome decodeUtf16(QByteArrayView data, const QString &fileName, TextEncoding enc, QString &decoded, qint64 &badLine)
{
    const bool odd = data.size() % 2 != 0;
    QStringDecoder dec(enc == TextEncoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                       QStringConverter::Flag::Stateless);
    decoded = dec.decode(odd ? data.chopped(1) : data);
    if (odd)
        decoded.append(QChar::ReplacementCharacter);
    if (dec.hasError() || odd) {
        const qsizetype at = decoded.indexOf(QChar::ReplacementCharacter);
        badLine = lineOfChar(decoded, at < 0 ? decoded.size() : at);
    }
    const qsizetype nul = decoded.indexOf(QChar(0));
    if (nul >= 0)
        return Outcome::failure(binaryMessage(fileName, lineOfChar(decoded, nul)), lineOfChar(decoded, nul));
    return {};
}

// Decodes in a named encoding; badLine is the first line that does not read
// in it (0 when all of it does).
Outcome decodeAs(QByteArrayView data, const QString &fileName, TextEncoding enc, QString &decoded, qint64 &badLine)
{
    switch (enc) {
    case TextEncoding::Auto:
        break;
    case TextEncoding::Utf8: {
        const qsizetype bad = firstInvalidUtf8(data);
        decoded = QString::fromUtf8(data);
        if (bad >= 0)
            badLine = lineOfByte(data, bad);
        break;
    }
    case TextEncoding::Cp932: {
        if (!cp932::available())
            return Outcome::failure(noConverterMessage(fileName));
        cp932::Decoded cp = cp932::decode(data, cp932::BadPair::WholePair);
        decoded = std::move(cp.text);
        if (cp.firstBadByte >= 0)
            badLine = lineOfByte(data, cp.firstBadByte);
        break;
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return decodeUtf16(data, fileName, enc, decoded, badLine);
    }
    return {};
}

} // namespace

Outcome DecodeText(const QByteArray &bytes, const QString &fileName, TextEncoding encoding, QString &text,
                      TextEncoding *used)
{
    QByteArrayView data(bytes);
    const ByteOrderMark bom = byteOrderMarkOf(data);
    TextEncoding enc = encoding != TextEncoding::Auto ? encoding : bom.encoding;
    if (bom.encoding != TextEncoding::Auto && bom.encoding == enc)
        data = data.sliced(bom.length);

    const bool utf16 = enc == TextEncoding::Utf16LE || enc == TextEncoding::Utf16BE;
    if (!utf16) {
        const qsizetype nul = data.indexOf('\0');
        if (nul >= 0)
            return Outcome::failure(binaryMessage(fileName, lineOfByte(data, nul)), lineOfByte(data, nul));
    }

    QString decoded;
    qint64 badLine = 0;
    const Outcome read = enc == TextEncoding::Auto ? decodeGuessing(data, fileName, decoded, enc)
                                                   : decodeAs(data, fileName, enc, decoded, badLine);
    if (!read.ok)
        return read;

    // A file that does not decode in the encoding the user named is refused,
    // as one that decodes in no encoding is: read on, it would put
    // replacement characters into the register. text still shows what the
    // bytes read as, for whoever looks closer.
    text = decoded;
    if (badLine > 0)
        return Outcome::failure(
            QStringLiteral("ファイル「%1」の %2 行目に %3 として読めない文字があります。文字コードが違う可能性があります。"
                           "正しい文字コードを指定するか、自動判別で読み込んでください。")
                .arg(displayName(fileName))
                .arg(badLine)
                .arg(encodingName(enc)),
            badLine);
    text = std::move(decoded);
    if (used)
        *used = enc;
    return {};
}

namespace {

// Reads delimited text one row at a time into its buffers, keeping where it
// is (position, line, a quote that never closed) from row to row.
class DelimitedScanner {
public:
    DelimitedScanner(const QString &text, QChar separator)
        : s(reinterpret_cast<const char16_t *>(text.utf16())), n(text.size()), sep(separator.unicode())
    {
    }

    bool atEnd() const { return pos >= n; }
    qint64 line() const { return m_line; }
    qint64 openQuoteLine() const { return m_openQuoteLine; }
    int fieldCount() const { return int(ends.size()); }
    GridRow row() const { return makeRow(scratch, ends); }

    // The row count the start of the text suggests, to reserve for.
    qsizetype expectedRows() const
    {
        const qsizetype sample = std::min<qsizetype>(n, 1 << 16);
        qsizetype breaks = 0;
        for (qsizetype i = 0; i < sample; ++i)
            breaks += endsLineAt(i) ? 1 : 0;
        const double estimate = sample == 0 ? 0.0 : double(breaks) * double(n) / double(sample) * 1.02 + 16;
        return qsizetype(std::min(estimate, double(kMaxTextRows)));
    }

    // Reads the next row with its line end. False when it has more fields
    // than a table may.
    bool readRow()
    {
        scratch.resize(0);
        ends.resize(0);
        for (;;) {
            if (ends.size() >= kMaxTextCols)
                return false;
            if (pos < n && s[pos] == u'"' && pos != literalQuote) {
                if (!readQuoted())
                    continue;
                readUnquoted(); // text after the closing quote
            } else {
                readUnquoted();
            }
            ends.append(qint32(scratch.size()));
            if (pos < n && s[pos] == sep) {
                ++pos;
                continue;
            }
            if (pos < n) {
                pos += (s[pos] == u'\r' && pos + 1 < n && s[pos + 1] == u'\n') ? 2 : 1;
                ++m_line;
            }
            return true;
        }
    }

private:
    // CR LF, LF and CR each end a line; CR LF counts once, at its LF.
    bool endsLineAt(qsizetype i) const { return s[i] == u'\n' || (s[i] == u'\r' && !(i + 1 < n && s[i + 1] == u'\n')); }

    // Up to the next separator or line end, as it stands: after a closing
    // quote too, as spreadsheet programs do.
    void readUnquoted()
    {
        const qsizetype from = pos;
        while (pos < n && s[pos] != sep && s[pos] != u'\r' && s[pos] != u'\n')
            ++pos;
        scratch.append(reinterpret_cast<const QChar *>(s + from), pos - from);
    }

    // A quoted field from its opening quote, doubled quotes read as one.
    // False when the quote never closes: it is then read as a plain character
    // from its own line on, so that nothing after it is lost.
    bool readQuoted()
    {
        const qint64 quoteLine = m_line;
        const qsizetype quotePos = pos;
        const qsizetype fieldStart = scratch.size();
        ++pos;
        for (;;) {
            const qsizetype from = pos;
            while (pos < n && s[pos] != u'"') {
                if (endsLineAt(pos))
                    ++m_line;
                ++pos;
            }
            scratch.append(reinterpret_cast<const QChar *>(s + from), pos - from);
            if (pos >= n)
                break;
            if (pos + 1 < n && s[pos + 1] == u'"') {
                scratch.append(QChar(u'"'));
                pos += 2;
                continue;
            }
            ++pos;
            return true;
        }
        if (m_openQuoteLine == 0)
            m_openQuoteLine = quoteLine;
        m_line = quoteLine;
        scratch.truncate(fieldStart);
        pos = quotePos;
        literalQuote = quotePos;
        return false;
    }

    const char16_t *s;
    const qsizetype n;
    const char16_t sep;
    QString scratch;
    QList<qint32> ends;
    qint64 m_line = 1;
    qint64 m_openQuoteLine = 0; // first line whose quote was never closed
    qsizetype literalQuote = -1; // a quote to read as a plain character
    qsizetype pos = 0;
};

Outcome tooManyMessage(const QString &fileName, const QString &what, qint64 where)
{
    return Outcome::failure(QStringLiteral("ファイル「%1」は%2が多すぎて読み込めません（%3 行目）。")
                                .arg(displayName(fileName), what)
                                .arg(where),
                            where);
}

// The decoding's warning (if any) with the one about a quote that never
// closed.
Outcome withOpenQuoteNotice(const Outcome &decoded, const QString &fileName, qint64 openQuoteLine)
{
    Outcome result = decoded;
    if (openQuoteLine > 0) {
        const QString quoteMessage =
            QStringLiteral("ファイル「%1」の %2 行目で始まる引用符（\"）が閉じられていません。その引用符は文字として読み込みました。")
                .arg(displayName(fileName))
                .arg(openQuoteLine);
        result.message = result.message.isEmpty() ? quoteMessage : result.message + QLatin1Char('\n') + quoteMessage;
        result.badLine = result.badLine == 0 ? openQuoteLine : std::min(result.badLine, openQuoteLine);
    }
    return result;
}

// Splits decoded text into rows; decoded is the decoding's result, whose
// warning (if any) is passed on.
Outcome parseText(QString text, const QString &fileName, QChar separator, TextEncoding used,
                     const Outcome &decoded, TextTable &out)
{
    QList<GridRow> rows;
    int cols = 0;
    qint64 openQuoteLine = 0;
    {
        DelimitedScanner scanner(text, separator);
        rows.reserve(scanner.expectedRows());
        while (!scanner.atEnd()) {
            const qint64 rowLine = scanner.line();
            if (!scanner.readRow())
                return tooManyMessage(fileName, QStringLiteral("項目"), rowLine);
            if (rows.size() >= kMaxTextRows)
                return tooManyMessage(fileName, QStringLiteral("行"), rowLine);
            cols = std::max(cols, scanner.fieldCount());
            rows.append(scanner.row());
        }
        openQuoteLine = scanner.openQuoteLine();
    }
    text = QString(); // the rows hold copies; give the memory back before returning
    if (rows.capacity() > rows.size() + rows.size() / 8)
        rows.squeeze();

    out.rows = std::move(rows);
    out.cols = cols;
    out.encoding = used;
    return withOpenQuoteNotice(decoded, fileName, openQuoteLine);
}

} // namespace

Outcome ParseDelimitedText(const QByteArray &bytes, const QString &fileName, QChar separator, TextTable &out,
                              TextEncoding encoding)
{
    QString text;
    TextEncoding used = TextEncoding::Auto;
    const Outcome decoded = DecodeText(bytes, fileName, encoding, text, &used);
    if (!decoded.ok)
        return decoded;
    return parseText(std::move(text), fileName, separator, used, decoded, out);
}

namespace {

// The first line longer than kMaxLineBytes (1-based), 0 when none is. Line
// ends are single bytes in every encoding read here.
qsizetype overlongLine(const QByteArray &bytes, qsizetype *length)
{
    qsizetype line = 1, start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && bytes[i] != '\n')
            continue;
        if (i - start > kMaxLineBytes) {
            *length = i - start;
            return line;
        }
        ++line;
        start = i + 1;
    }
    return 0;
}

} // namespace

Outcome ReadDelimitedText(const QString &path, QChar separator, TextTable &out, TextEncoding encoding)
{
    QByteArray bytes;
    Outcome read = ReadWholeFile(path, bytes);
    if (!read.ok)
        return read;
    qsizetype length = 0;
    if (const qsizetype line = overlongLine(bytes, &length))
        return Outcome::failure(QStringLiteral("ファイル「%1」の %2 行目は %3 バイトあり、1 行としては長すぎるため読み込みません"
                                               "（1 行は %4 MiB まで）。改行のないファイルか、表のデータではないファイルです。")
                                    .arg(displayName(path))
                                    .arg(line)
                                    .arg(length)
                                    .arg(kMaxLineBytes >> 20));
    QString text;
    TextEncoding used = TextEncoding::Auto;
    const Outcome decoded = DecodeText(bytes, path, encoding, text, &used);
    if (!decoded.ok)
        return decoded;
    bytes = QByteArray(); // only the text is needed from here on: keep the peak low
    Outcome result = parseText(std::move(text), path, separator, used, decoded, out);
    if (result.ok && out.rows.isEmpty()) {
        // Said here, where the file is named, rather than left for a link
        // check that would talk of columns "from 0 to -1".
        const QString empty = NoDataMessage(path);
        result.message = result.message.isEmpty() ? empty : result.message + QLatin1Char('\n') + empty;
    }
    return result;
}

QString NoDataMessage(const QString &path)
{
    return QStringLiteral("ファイル「%1」には読み込むデータがありません（空のファイルです）。").arg(displayName(path));
}

QString FormatDelimitedText(QChar separator, const QList<GridRow> &rows, int cols)
{
    const char16_t sep = separator.unicode();
    qsizetype size = 0;
    for (const GridRow &row : rows)
        size += row.text().size() + cols + 2;
    QString text;
    text.reserve(size + size / 16);
    for (const GridRow &row : rows) {
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                text.append(QChar(sep));
            const QStringView field = row.cellView(c);
            if (!needsQuotes(field, sep)) {
                text.append(field);
                continue;
            }
            text.append(QChar(u'"'));
            for (QChar ch : field) {
                if (ch == u'"')
                    text.append(QChar(u'"'));
                text.append(ch);
            }
            text.append(QChar(u'"'));
        }
        text.append(QStringLiteral("\r\n"));
    }
    return text;
}

Outcome WriteDelimitedText(const QString &path, QChar separator, const QList<GridRow> &rows, int cols,
                              TextEncoding encoding)
{
    const QString text = FormatDelimitedText(separator, rows, cols);
    QByteArray bytes;
    switch (encoding) {
    case TextEncoding::Auto:
    case TextEncoding::Cp932: {
        if (!cp932::available())
            return Outcome::failure(noConverterMessage(path));
        if (std::optional<QByteArray> encoded = cp932::encode(text)) {
            bytes = std::move(*encoded);
            break;
        }
        if (encoding == TextEncoding::Auto) {
            bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
            break;
        }
        // Forced CP932 but a character has no code there: refuse rather than
        // write a substitute, naming the first cell that cannot be written.
        for (qsizetype r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < rows[r].storedCells(); ++c) {
                if (!cp932::encode(rows[r].cellView(c)))
                    return Outcome::failure(
                        QStringLiteral("ファイル「%1」に書き込めません。行 %2・列 %3 の「%4」にシフトJIS（CP932）で表せない文字があります。")
                            .arg(displayName(path))
                            .arg(r)
                            .arg(c)
                            .arg(rows[r].cell(c)));
            }
        }
        return Outcome::failure(
            QStringLiteral("ファイル「%1」に書き込めません。シフトJIS（CP932）で表せない文字があります。").arg(displayName(path)));
    }
    case TextEncoding::Utf8:
        bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QStringEncoder enc(encoding == TextEncoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::WriteBom | QStringConverter::Flag::Stateless);
        bytes = enc.encode(text);
        break;
    }
    }
    return WriteWholeFile(path, bytes);
}

} // namespace tera
