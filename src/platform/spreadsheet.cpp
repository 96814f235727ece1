#include "spreadsheet.h"
#include "file_io.h"
#include "sheet_builder.h"
#include "zip_archive.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace tera {

namespace {

constexpr char kZipMagic[] = "PK\x03\x04";
constexpr char kOleMagic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

QByteArray head(const QString &path, qint64 size)
{
    if (!CheckReadableFile(path).ok)
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(size);
}

// An Office file saved with a password is a compound file holding the
// encrypted package, whatever its name says.
bool isEncryptedOffice(const QString &path)
{
    const QByteArray bytes = head(path, 1024 * 1024);
    const QByteArray name = QByteArray::fromRawData(reinterpret_cast<const char *>(u"EncryptedPackage"), 32);
    return bytes.startsWith(QByteArray(kOleMagic, 8)) && bytes.contains(name);
}

bool looksLikeHtml(const QByteArray &bytes)
{
    const QByteArray start = bytes.left(4096).toLower();
    return start.contains("<html") || start.contains("<table") || start.contains("<!doctype html");
}

QString decodeEntities(QString text)
{
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    QString out;
    qsizetype last = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        const QString e = m.captured(1);
        if (e.startsWith(QLatin1String("#x")) || e.startsWith(QLatin1String("#X")))
            out += QChar::fromUcs4(e.mid(2).toUInt(nullptr, 16));
        else if (e.startsWith(u'#'))
            out += QChar::fromUcs4(e.mid(1).toUInt());
        else if (e == QLatin1String("amp"))
            out += u'&';
        else if (e == QLatin1String("lt"))
            out += u'<';
        else if (e == QLatin1String("gt"))
            out += u'>';
        else if (e == QLatin1String("quot"))
            out += u'"';
        else if (e == QLatin1String("apos"))
            out += u'\'';
        else if (e == QLatin1String("nbsp"))
            out += u' ';
        else
            out += m.captured(0);
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

// A page whose head names Shift_JIS is read as CP932, any other as the
// text's own encoding.
Outcome decodeHtmlPage(const QString &path, const QByteArray &bytes, QString &text)
{
    const QByteArray lower = bytes.left(4096).toLower();
    TextEncoding encoding = TextEncoding::Auto;
    if (lower.contains("shift_jis") || lower.contains("shift-jis") || lower.contains("windows-31j") || lower.contains("cp932"))
        encoding = TextEncoding::Cp932;
    return DecodeText(bytes, path, encoding, text);
}

// The table being read from an HTML page, tag by tag.
struct HtmlTableParse {
    SheetBuilder builder;
    int row = -1, col = 0;
    bool inCell = false;
    int span = 1;
    QString cell;

    // False when the sheet would take too many cells.
    bool endCell()
    {
        if (!inCell)
            return true;
        inCell = false;
        const QString shown = decodeEntities(cell.simplified().replace(QChar(0x2028), u'\n'));
        const bool ok = builder.setCell(row, col, shown);
        col += span;
        return ok;
    }

    // One tag: name in lower case, attributes as written. False as endCell.
    bool tag(const QString &name, bool closing, const QString &attributes)
    {
        static const QRegularExpression colspan(QStringLiteral("colspan\\s*=\\s*[\"']?(\\d+)"),
                                                QRegularExpression::CaseInsensitiveOption);
        if (name == QLatin1String("tr") && !closing) {
            if (!endCell())
                return false;
            ++row;
            col = 0;
        } else if ((name == QLatin1String("td") || name == QLatin1String("th"))) {
            if (!endCell())
                return false;
            if (!closing) {
                if (row < 0)
                    row = 0;
                inCell = true;
                cell.clear();
                const QRegularExpressionMatch s = colspan.match(attributes);
                span = s.hasMatch() ? std::max(1, std::min(1000, s.captured(1).toInt())) : 1;
            }
        } else if (name == QLatin1String("br") && inCell) {
            cell += QChar(0x2028); // survives simplified() as the line break
        } else if ((name == QLatin1String("table") || name == QLatin1String("tr")) && closing) {
            return endCell();
        }
        return true;
    }
};

// The rows of the HTML tables in a page that web systems save as ".xls":
// each <tr> a row, each <td> or <th> a cell (its colspan leaves empty cells
// after it), tags stripped, <br> a line break.
Outcome readHtmlTable(const QString &path, const QByteArray &bytes, SheetTable &out)
{
    QString text;
    const Outcome decoded = decodeHtmlPage(path, bytes, text);
    if (!decoded.ok)
        return decoded;
    static const QRegularExpression tag(QStringLiteral("<(/?)([a-zA-Z0-9]+)([^>]*)>"));
    HtmlTableParse parse;
    qsizetype last = 0;
    auto it = tag.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (parse.inCell)
            parse.cell += QStringView(text).mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        if (!parse.tag(m.captured(2).toLower(), !m.captured(1).isEmpty(), m.captured(3)))
            return Outcome::failure(TooManyCellsMessage(path));
    }
    parse.builder.finish(out);
    return {};
}

// A ".xls" (or other workbook name) that is really text: an HTML table or a
// CSV/TSV, read as what it is.
Outcome readAsText(const QString &path, SheetTable &out)
{
    QByteArray bytes;
    const Outcome read = ReadWholeFile(path, bytes);
    if (!read.ok)
        return read;
    out = SheetTable();
    out.sheetIndex = 0;
    out.sheetCount = 1;
    out.sheetName = QFileInfo(path).fileName();
    Outcome result;
    if (looksLikeHtml(bytes)) {
        out.readAs = QStringLiteral("HTML");
        result = readHtmlTable(path, bytes, out);
    } else {
        if (bytes.contains('\0'))
            return Outcome::failure(
                QStringLiteral("ファイル「%1」は表計算ソフトのブックとしても、テキストとしても読めません。").arg(displayName(path)));
        // Comma or tab, whichever the first line holds more of.
        const qsizetype lineEnd = bytes.indexOf('\n');
        const QByteArray first = bytes.left(lineEnd < 0 ? bytes.size() : lineEnd);
        const QChar separator = first.count('\t') > first.count(',') ? QChar(u'\t') : QChar(u',');
        out.readAs = separator == u'\t' ? QStringLiteral("TSV") : QStringLiteral("CSV");
        result = ParseDelimitedText(bytes, path, separator, out.table);
    }
    if (!result.ok)
        return result;
    const QString said = out.readAs == QLatin1String("HTML")
        ? QStringLiteral("ファイル「%1」は Excel のブックではなく、HTML の表でした。表として読み込みました。")
        : out.readAs == QLatin1String("TSV")
        ? QStringLiteral("ファイル「%1」は Excel のブックではなく、タブ区切りのテキストでした。テキストとして読み込みました。")
        : QStringLiteral("ファイル「%1」は Excel のブックではなく、カンマ区切りのテキスト（CSV）でした。テキストとして読み込みました。");
    const QString note = said.arg(displayName(path));
    return Outcome::warning(result.message.isEmpty() ? note : note + QLatin1Char('\n') + result.message);
}

std::unique_ptr<WorkbookReader> readerFor(SpreadsheetKind kind)
{
    switch (kind) {
    case SpreadsheetKind::Xlsx:
        return MakeXlsxReader();
    case SpreadsheetKind::Ods:
        return MakeOdsReader();
    case SpreadsheetKind::Xls:
        return MakeXlsReader();
    case SpreadsheetKind::None:
        break;
    }
    return nullptr;
}

// Opens the workbook behind path; a compound file with an encrypted package
// is refused with the reason.
Outcome openWorkbook(const QString &path, std::unique_ptr<WorkbookReader> &reader)
{
    const Outcome readable = CheckReadableFile(path);
    if (!readable.ok)
        return readable;
    if (isEncryptedOffice(path))
        return Outcome::failure(ProtectedMessage(path));
    reader = readerFor(SpreadsheetKindOf(path));
    if (!reader)
        return {};
    return reader->open(path);
}

} // namespace

SpreadsheetKind SpreadsheetKindOf(const QString &path)
{
    const QByteArray bytes = head(path, 8);
    if (bytes.startsWith(QByteArray(kOleMagic, 8)))
        return SpreadsheetKind::Xls;
    if (!bytes.startsWith(QByteArray(kZipMagic, 4)))
        return SpreadsheetKind::None;
    // An OpenDocument file starts with its uncompressed media type.
    const QByteArray start = head(path, 128);
    if (start.contains("application/vnd.oasis.opendocument.spreadsheet"))
        return SpreadsheetKind::Ods;
    if (path.endsWith(QLatin1String(".ods"), Qt::CaseInsensitive) && !start.contains("[Content_Types].xml"))
        return SpreadsheetKind::Ods;
    return SpreadsheetKind::Xlsx;
}

bool HasSpreadsheetName(const QString &path)
{
    for (const char *ext : {".xlsx", ".xlsm", ".xls", ".ods"})
        if (path.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            return true;
    return false;
}

Outcome ListSheets(const QString &path, QList<SheetInfo> &sheets, int &activeSheet)
{
    std::unique_ptr<WorkbookReader> reader;
    const Outcome opened = openWorkbook(path, reader);
    if (!opened.ok)
        return opened;
    if (!reader) {
        SheetTable table;
        const Outcome read = readAsText(path, table);
        if (!read.ok)
            return read;
        sheets = {SheetInfo{table.sheetName, int(table.table.rows.size()), table.table.cols, false}};
        activeSheet = 0;
        return read;
    }
    QList<SheetInfo> found = reader->sheets;
    for (int i = 0; i < found.size(); ++i) {
        SheetTable table;
        const Outcome read = reader->readSheet(i, table);
        if (!read.ok)
            return read;
        found[i].rows = int(table.table.rows.size());
        found[i].cols = table.table.cols;
    }
    sheets = found;
    activeSheet = reader->activeSheet;
    return {};
}

Outcome ReadSheet(const QString &path, const QString &choice, SheetTable &out)
{
    std::unique_ptr<WorkbookReader> reader;
    const Outcome opened = openWorkbook(path, reader);
    if (!opened.ok)
        return opened;
    if (!reader)
        return readAsText(path, out);
    int index = reader->activeSheet;
    if (!choice.isEmpty()) {
        index = -1;
        for (int i = 0; i < reader->sheets.size() && index < 0; ++i)
            if (reader->sheets.at(i).name == choice)
                index = i;
        bool isNumber = false;
        const int number = choice.toInt(&isNumber);
        if (index < 0 && isNumber && number >= 1 && number <= reader->sheets.size())
            index = number - 1;
        if (index < 0) {
            QStringList names;
            for (const SheetInfo &s : std::as_const(reader->sheets))
                names << QStringLiteral("「%1」").arg(s.name);
            return Outcome::failure(QStringLiteral("ファイル「%1」にシート「%2」はありません。シートは %3 です（番号なら 1 から %4）。")
                                        .arg(displayName(path), choice, names.join(QStringLiteral("、")))
                                        .arg(reader->sheets.size()));
        }
    }
    SheetTable table;
    const Outcome read = reader->readSheet(index, table);
    if (!read.ok)
        return read;
    table.sheetName = reader->sheets.at(index).name;
    table.sheetIndex = index;
    table.sheetCount = int(reader->sheets.size());
    out = std::move(table);
    const QString note = HiddenCellsNote(out);
    return note.isEmpty() ? Outcome() : Outcome::warning(note);
}

QString HiddenCellsNote(const SheetTable &sheet)
{
    if (sheet.hiddenRows == 0 && sheet.hiddenCols == 0)
        return {};
    QStringList parts;
    if (sheet.hiddenRows > 0)
        parts << QStringLiteral("非表示の行 %1 行").arg(sheet.hiddenRows);
    if (sheet.hiddenCols > 0)
        parts << QStringLiteral("非表示の列 %1 列").arg(sheet.hiddenCols);
    return QStringLiteral("シート「%1」の%2も読み込みました。").arg(sheet.sheetName, parts.join(QStringLiteral("と")));
}

} // namespace tera
