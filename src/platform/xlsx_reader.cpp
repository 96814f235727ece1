#include "cell_format.h"
#include "sheet_builder.h"
#include "zip_archive.h"

#include <QHash>
#include <QXmlStreamReader>

#include <expat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tera {

namespace {

// The small parts of a workbook (its list of sheets, styles, relations) are
// read whole; the shared strings and the sheets are streamed.
constexpr qint64 kMaxSmallPart = 64 * 1024 * 1024;

// "B12" as row 11, column 1.
bool parseCellRef(QStringView ref, int &row, int &col)
{
    int c = 0;
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        c = c * 26 + (ref[i].toUpper().unicode() - u'A' + 1);
        if (c > kMaxTextCols)
            return false;
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || r < 1)
        return false;
    row = r - 1;
    col = c - 1;
    return true;
}

// A path inside the archive, resolved against the folder of the part that
// names it ("worksheets/sheet1.xml" from xl/workbook.xml).
QString resolvePart(const QString &base, const QString &target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    QString folder = base.left(base.lastIndexOf(u'/') + 1);
    QString rest = target;
    while (rest.startsWith(QLatin1String("../"))) {
        rest = rest.mid(3);
        folder.chop(1);
        folder = folder.left(folder.lastIndexOf(u'/') + 1);
    }
    return folder + rest;
}

class XlsxReader : public WorkbookReader {
public:
    Outcome open(const QString &path) override;
    Outcome readSheet(int index, SheetTable &out) override;
    // The text a cell shows; ok false with the reason as the text when the
    // cell names a shared string that is not there.
    QString shownText(const char *type, int style, const std::string &raw, const char *ref, bool &ok);

private:
    Outcome readRelations(const QString &part, QHash<QString, QString> &targets, QHash<QString, QString> *byType);
    Outcome readWorkbook();
    Outcome readStyles();
    Outcome readSharedStrings();
    Outcome xmlFault(const QXmlStreamReader &xml, const ZipArchive::Entry *device, const QString &part) const;

    ZipArchive m_zip;
    QString m_path;
    QString m_workbookPart;
    QStringList m_sheetParts;
    QString m_stylesPart;
    QString m_stringsPart;
    bool m_date1904 = false;
    QStringList m_formats; // by cell style index
    CellFormatter m_formatter;
    QStringList m_strings;
    bool m_stringsRead = false;
};

Outcome XlsxReader::xmlFault(const QXmlStreamReader &xml, const ZipArchive::Entry *device, const QString &part) const
{
    if (device && !device->fault().isEmpty())
        return Outcome::failure(device->fault());
    return Outcome::failure(DamagedMessage(
        m_path, QStringLiteral("%1 の %2 行目: %3").arg(part).arg(xml.lineNumber()).arg(xml.errorString())));
}

Outcome XlsxReader::readRelations(const QString &part, QHash<QString, QString> &targets,
                                  QHash<QString, QString> *byType)
{
    const QString folder = part.left(part.lastIndexOf(u'/') + 1);
    const QString rels = folder + QStringLiteral("_rels/") + part.mid(part.lastIndexOf(u'/') + 1) + QStringLiteral(".rels");
    if (!m_zip.contains(rels))
        return {};
    QByteArray bytes;
    const Outcome read = m_zip.read(rels, bytes, kMaxSmallPart);
    if (!read.ok)
        return read;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("Relationship")) {
            const auto a = xml.attributes();
            const QString target = a.value(QLatin1String("Target")).toString();
            if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                continue;
            const QString resolved = resolvePart(part, target);
            targets.insert(a.value(QLatin1String("Id")).toString(), resolved);
            if (byType) {
                const QString type = a.value(QLatin1String("Type")).toString();
                byType->insert(type.mid(type.lastIndexOf(u'/') + 1), resolved);
            }
        }
    }
    if (xml.hasError())
        return xmlFault(xml, nullptr, rels);
    return {};
}

Outcome XlsxReader::open(const QString &path)
{
    m_path = path;
    Outcome opened = m_zip.open(path);
    if (!opened.ok)
        return opened;
    QHash<QString, QString> rootTargets, rootTypes;
    if (m_zip.contains(QStringLiteral("_rels/.rels"))) {
        QByteArray bytes;
        const Outcome read = m_zip.read(QStringLiteral("_rels/.rels"), bytes, kMaxSmallPart);
        if (!read.ok)
            return read;
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("Relationship")) {
                const QString type = xml.attributes().value(QLatin1String("Type")).toString();
                if (type.endsWith(QLatin1String("/officeDocument")))
                    m_workbookPart = resolvePart(QString(), xml.attributes().value(QLatin1String("Target")).toString());
            }
        }
    }
    if (m_workbookPart.isEmpty())
        m_workbookPart = QStringLiteral("xl/workbook.xml");
    if (!m_zip.contains(m_workbookPart))
        return Outcome::failure(DamagedMessage(path, QStringLiteral("%1 がありません").arg(m_workbookPart)));
    Outcome workbook = readWorkbook();
    if (!workbook.ok)
        return workbook;
    if (sheets.isEmpty())
        return Outcome::failure(NoSheetsMessage(path));
    return readStyles();
}

Outcome XlsxReader::readWorkbook()
{
    QHash<QString, QString> targets, byType;
    const Outcome rels = readRelations(m_workbookPart, targets, &byType);
    if (!rels.ok)
        return rels;
    m_stylesPart = byType.value(QStringLiteral("styles"));
    m_stringsPart = byType.value(QStringLiteral("sharedStrings"));
    QByteArray bytes;
    const Outcome read = m_zip.read(m_workbookPart, bytes, kMaxSmallPart);
    if (!read.ok)
        return read;
    QXmlStreamReader xml(bytes);
    int activeTab = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("workbookPr")) {
            const auto v = a.value(QLatin1String("date1904"));
            m_date1904 = v == QLatin1String("1") || v == QLatin1String("true");
        } else if (xml.name() == QLatin1String("workbookView")) {
            if (a.hasAttribute(QLatin1String("activeTab")))
                activeTab = a.value(QLatin1String("activeTab")).toInt();
        } else if (xml.name() == QLatin1String("sheet")) {
            QString rid;
            for (const QXmlStreamAttribute &attr : a)
                if (attr.name() == QLatin1String("id"))
                    rid = attr.value().toString();
            const QString part = targets.value(rid);
            SheetInfo info;
            info.name = a.value(QLatin1String("name")).toString();
            info.hidden = !a.value(QLatin1String("state")).isEmpty() && a.value(QLatin1String("state")) != QLatin1String("visible");
            sheets.append(info);
            m_sheetParts.append(part);
        }
    }
    if (xml.hasError())
        return xmlFault(xml, nullptr, m_workbookPart);
    activeSheet = (activeTab >= 0 && activeTab < sheets.size()) ? activeTab : 0;
    m_formatter.setDate1904(m_date1904);
    return {};
}

Outcome XlsxReader::readStyles()
{
    if (m_stylesPart.isEmpty() || !m_zip.contains(m_stylesPart))
        return {};
    QByteArray bytes;
    const Outcome read = m_zip.read(m_stylesPart, bytes, kMaxSmallPart);
    if (!read.ok)
        return read;
    QHash<int, QString> custom;
    QXmlStreamReader xml(bytes);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs"))
            inCellXfs = false;
        if (!xml.isStartElement())
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("numFmt")) {
            custom.insert(a.value(QLatin1String("numFmtId")).toInt(), a.value(QLatin1String("formatCode")).toString());
        } else if (xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = true;
        } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
            const int id = a.value(QLatin1String("numFmtId")).toInt();
            m_formats.append(custom.contains(id) ? custom.value(id) : BuiltInNumberFormat(id));
        }
    }
    if (xml.hasError())
        return xmlFault(xml, nullptr, m_stylesPart);
    return {};
}

// Excel writes characters XML cannot hold as _xHHHH_.
QString unescapeOoxml(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (i + 6 < text.size() && text.at(i) == u'_' && text.at(i + 1) == u'x' && text.at(i + 6) == u'_') {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 7;
                continue;
            }
        }
        out += text.at(i++);
    }
    return out;
}

// The two large parts, the shared strings and the sheet, go through expat:
// Qt's stream reader takes seconds over the tens of megabytes a register of
// 100,000 rows makes, expat a fraction of that. Names are taken without
// their prefix ("x:c" is c): the parts use one vocabulary, and resolving
// namespaces costs expat a good part of its time.
const char *localName(const XML_Char *name)
{
    const char *colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

const char *attribute(const XML_Char **attrs, const char *name)
{
    for (int i = 0; attrs[i]; i += 2)
        if (std::strcmp(localName(attrs[i]), name) == 0)
            return attrs[i + 1];
    return nullptr;
}

bool isTrue(const char *value)
{
    return value && (std::strcmp(value, "1") == 0 || std::strcmp(value, "true") == 0);
}

// "B12" as row 11, column 1.
bool parseCellRef(const char *ref, int &row, int &col)
{
    return parseCellRef(QString::fromLatin1(ref), row, col);
}

// A parse of one part: the handlers' state lives in the parser's user data,
// and a handler that must stop the parse leaves its reason in fault.
struct ExpatParse {
    XML_Parser parser = nullptr;
    std::string text;      // character data being collected
    bool collecting = false;
    int phonetic = 0;      // inside <rPh>, the furigana Japanese Excel keeps beside a name
    QString fault;

    explicit ExpatParse() { parser = XML_ParserCreate(nullptr); }
    ~ExpatParse() { XML_ParserFree(parser); }
    ExpatParse(const ExpatParse &) = delete;
    ExpatParse &operator=(const ExpatParse &) = delete;
    void stop(const QString &why)
    {
        if (fault.isEmpty())
            fault = why;
        XML_StopParser(parser, XML_FALSE);
    }
};

void XMLCALL collectText(void *data, const XML_Char *s, int len)
{
    auto *p = static_cast<ExpatParse *>(data);
    if (p->collecting && p->phonetic == 0)
        p->text.append(s, size_t(len));
}

// Feeds the entry through the parser set up by the caller.
Outcome runExpat(ExpatParse &parse, ZipArchive::Entry &device, const QString &path, const QString &part)
{
    XML_SetCharacterDataHandler(parse.parser, collectText);
    XML_SetUserData(parse.parser, &parse);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const qint64 n = device.read(buffer.data(), qint64(buffer.size()));
        if (n < 0)
            return Outcome::failure(device.fault());
        if (XML_Parse(parse.parser, buffer.data(), int(n), n == 0) == XML_STATUS_ERROR) {
            if (!parse.fault.isEmpty())
                return Outcome::failure(parse.fault);
            return Outcome::failure(DamagedMessage(
                path, QStringLiteral("%1 の %2 行目: %3")
                          .arg(part)
                          .arg(XML_GetCurrentLineNumber(parse.parser))
                          .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parse.parser))))));
        }
        if (n == 0)
            break;
    }
    if (!device.fault().isEmpty())
        return Outcome::failure(device.fault());
    return {};
}

struct StringsParse : ExpatParse {
    QStringList *strings = nullptr;
    bool inItem = false;
};

void XMLCALL stringStart(void *data, const XML_Char *name, const XML_Char **)
{
    auto *p = static_cast<StringsParse *>(data);
    const char *local = localName(name);
    if (std::strcmp(local, "si") == 0) {
        p->inItem = true;
        p->text.clear();
    } else if (std::strcmp(local, "rPh") == 0) {
        ++p->phonetic;
    } else if (std::strcmp(local, "t") == 0 && p->inItem) {
        p->collecting = true;
    }
}

void XMLCALL stringEnd(void *data, const XML_Char *name)
{
    auto *p = static_cast<StringsParse *>(data);
    const char *local = localName(name);
    if (std::strcmp(local, "t") == 0) {
        p->collecting = false;
    } else if (std::strcmp(local, "rPh") == 0) {
        --p->phonetic;
    } else if (std::strcmp(local, "si") == 0) {
        p->inItem = false;
        p->strings->append(unescapeOoxml(QString::fromUtf8(p->text.data(), qsizetype(p->text.size()))));
    }
}

} // namespace

Outcome XlsxReader::readSharedStrings()
{
    m_stringsRead = true;
    if (m_stringsPart.isEmpty() || !m_zip.contains(m_stringsPart))
        return {};
    Outcome error;
    std::unique_ptr<ZipArchive::Entry> device = m_zip.openEntry(m_stringsPart, kMaxInflatedEntryBytes, error);
    if (!device)
        return error;
    StringsParse parse;
    parse.strings = &m_strings;
    XML_SetElementHandler(parse.parser, stringStart, stringEnd);
    return runExpat(parse, *device, m_path, m_stringsPart);
}

// The text a cell shows, from its type (t), style (s) and the raw text of
// its value or inline string.
QString XlsxReader::shownText(const char *type, int style, const std::string &raw, const char *ref, bool &ok)
{
    ok = true;
    const QString format = m_formats.value(style);
    const auto text = [&] { return QString::fromUtf8(raw.data(), qsizetype(raw.size())); };
    if (!type || std::strcmp(type, "n") == 0) {
        bool isNumber = false;
        const double number = QByteArray::fromRawData(raw.data(), qsizetype(raw.size())).trimmed().toDouble(&isNumber);
        return isNumber ? m_formatter.number(number, format) : text();
    }
    if (std::strcmp(type, "s") == 0) {
        bool isIndex = false;
        const int k = QByteArray::fromRawData(raw.data(), qsizetype(raw.size())).trimmed().toInt(&isIndex);
        if (!isIndex || k < 0 || k >= m_strings.size()) {
            ok = false;
            return DamagedMessage(m_path, QStringLiteral("セル %1 の共有文字列 %2 がありません").arg(QString::fromLatin1(ref ? ref : ""), text()));
        }
        return FormatCellText(m_strings.at(k), format);
    }
    if (std::strcmp(type, "inlineStr") == 0 || std::strcmp(type, "str") == 0)
        return FormatCellText(unescapeOoxml(text()), format);
    if (std::strcmp(type, "b") == 0)
        return text().trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (std::strcmp(type, "d") == 0) {
        // An ISO date written by some tools instead of a serial number.
        const QDateTime when = QDateTime::fromString(text(), Qt::ISODateWithMs);
        if (!when.isValid())
            return text();
        const double serial = DateToSerial(when.date(), m_date1904) + when.time().msecsSinceStartOfDay() / 86400000.0;
        return m_formatter.number(serial, format.isEmpty() ? BuiltInNumberFormat(14) : format);
    }
    return text(); // "e": the error as shown (#N/A)
}

namespace {

struct SheetParse : ExpatParse {
    XlsxReader *reader = nullptr;
    SheetBuilder builder;
    int row = -1;
    int col = -1;
    bool inCell = false;
    bool haveValue = false;
    bool inInline = false;
    int cellRow = 0;
    int cellCol = 0;
    int style = 0;
    std::string type;
    std::string ref;
    QString path;
};

// <c r="B3" t="s" s="1">: a cell, its value in the elements within.
void cellStart(SheetParse *p, const XML_Char **attrs)
{
    const char *ref = attribute(attrs, "r");
    int r = p->row, c = p->col + 1;
    if (ref && !parseCellRef(ref, r, c)) {
        p->stop(DamagedMessage(p->path, QStringLiteral("セル番地「%1」").arg(QString::fromUtf8(ref))));
        return;
    }
    p->col = c;
    p->cellRow = r;
    p->cellCol = c;
    p->ref = ref ? ref : "";
    const char *type = attribute(attrs, "t");
    p->type = type ? type : "";
    const char *style = attribute(attrs, "s");
    p->style = style ? std::atoi(style) : 0;
    p->inCell = true;
    p->haveValue = false;
    p->text.clear();
}

void rowStart(SheetParse *p, const XML_Char **attrs)
{
    const char *r = attribute(attrs, "r");
    p->row = r ? std::atoi(r) - 1 : p->row + 1;
    if (p->row < 0 || p->row >= kMaxTextRows) {
        p->stop(DamagedMessage(p->path, QStringLiteral("行番号「%1」").arg(QString::fromUtf8(r ? r : ""))));
        return;
    }
    p->col = -1;
    if (isTrue(attribute(attrs, "hidden")))
        p->builder.hideRow(p->row);
}

void mergeCellStart(SheetParse *p, const XML_Char **attrs)
{
    const char *ref = attribute(attrs, "ref");
    const QStringList corners = QString::fromLatin1(ref ? ref : "").split(u':');
    int top = 0, left = 0, bottom = 0, right = 0;
    if (corners.size() == 2 && parseCellRef(corners.at(0), top, left) && parseCellRef(corners.at(1), bottom, right))
        p->builder.merge(top, left, bottom, right);
}

void XMLCALL sheetStart(void *data, const XML_Char *name, const XML_Char **attrs)
{
    auto *p = static_cast<SheetParse *>(data);
    const char *local = localName(name);
    if (std::strcmp(local, "c") == 0) {
        cellStart(p, attrs);
    } else if (std::strcmp(local, "v") == 0 && p->inCell) {
        p->text.clear();
        p->collecting = true;
        p->haveValue = true;
    } else if (std::strcmp(local, "is") == 0 && p->inCell) {
        p->text.clear();
        p->inInline = true;
        p->haveValue = true;
    } else if (std::strcmp(local, "t") == 0 && p->inInline) {
        p->collecting = true;
    } else if (std::strcmp(local, "rPh") == 0) {
        ++p->phonetic;
    } else if (std::strcmp(local, "row") == 0) {
        rowStart(p, attrs);
    } else if (std::strcmp(local, "col") == 0) {
        if (isTrue(attribute(attrs, "hidden"))) {
            const char *min = attribute(attrs, "min");
            const char *max = attribute(attrs, "max");
            p->builder.hideColumns((min ? std::atoi(min) : 1) - 1, (max ? std::atoi(max) : 1) - 1);
        }
    } else if (std::strcmp(local, "mergeCell") == 0) {
        mergeCellStart(p, attrs);
    }
}

void XMLCALL sheetEnd(void *data, const XML_Char *name)
{
    auto *p = static_cast<SheetParse *>(data);
    const char *local = localName(name);
    if (std::strcmp(local, "v") == 0 || std::strcmp(local, "t") == 0) {
        p->collecting = false;
    } else if (std::strcmp(local, "rPh") == 0) {
        --p->phonetic;
    } else if (std::strcmp(local, "is") == 0) {
        p->inInline = false;
    } else if (std::strcmp(local, "c") == 0 && p->inCell) {
        p->inCell = false;
        if (!p->haveValue)
            return;
        bool ok = true;
        const bool isInline = p->type == "inlineStr";
        const QString shown = p->reader->shownText(p->type.empty() ? nullptr : (isInline ? "inlineStr" : p->type.c_str()),
                                                   p->style, p->text, p->ref.c_str(), ok);
        if (!ok)
            p->stop(shown);
        else if (!p->builder.setCell(p->cellRow, p->cellCol, shown))
            p->stop(TooManyCellsMessage(p->path));
    }
}

} // namespace

Outcome XlsxReader::readSheet(int index, SheetTable &out)
{
    if (!m_stringsRead) {
        const Outcome strings = readSharedStrings();
        if (!strings.ok)
            return strings;
    }
    const QString part = m_sheetParts.value(index);
    if (part.isEmpty() || !m_zip.contains(part))
        return Outcome::failure(
            DamagedMessage(m_path, QStringLiteral("シート「%1」の中身がありません").arg(sheets.at(index).name)));
    Outcome error;
    std::unique_ptr<ZipArchive::Entry> device = m_zip.openEntry(part, kMaxInflatedEntryBytes, error);
    if (!device)
        return error;
    SheetParse parse;
    parse.reader = this;
    parse.path = m_path;
    XML_SetElementHandler(parse.parser, sheetStart, sheetEnd);
    const Outcome read = runExpat(parse, *device, m_path, part);
    if (!read.ok)
        return read;
    parse.builder.finish(out);
    return {};
}

std::unique_ptr<WorkbookReader> MakeXlsxReader()
{
    return std::make_unique<XlsxReader>();
}

} // namespace tera
