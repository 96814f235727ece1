#include "cell_format.h"
#include "sheet_builder.h"
#include "zip_archive.h"

#include <QHash>
#include <QXmlStreamReader>

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

// The text of a string item: its runs joined, its phonetic guide (the
// furigana Japanese Excel keeps beside a name) left out.
QString readStringItem(QXmlStreamReader &xml)
{
    QString text;
    int phonetic = 0;
    const QString endName = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == endName)
                break;
        }
    }
    return text;
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

Outcome XlsxReader::readSharedStrings()
{
    m_stringsRead = true;
    if (m_stringsPart.isEmpty() || !m_zip.contains(m_stringsPart))
        return {};
    Outcome error;
    std::unique_ptr<ZipArchive::Entry> device = m_zip.openEntry(m_stringsPart, kMaxInflatedEntryBytes, error);
    if (!device)
        return error;
    QXmlStreamReader xml(device.get());
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            m_strings.append(unescapeOoxml(readStringItem(xml)));
    }
    if (xml.hasError() || !device->fault().isEmpty())
        return xmlFault(xml, device.get(), m_stringsPart);
    return {};
}

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
    QXmlStreamReader xml(device.get());
    SheetBuilder builder;
    int row = -1;
    int col = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (name == QLatin1String("c")) {
            const auto a = xml.attributes();
            const QStringView ref = a.value(QLatin1String("r"));
            int r = row, c = col + 1;
            if (!ref.isEmpty() && !parseCellRef(ref, r, c))
                return Outcome::failure(DamagedMessage(m_path, QStringLiteral("セル番地「%1」").arg(ref)));
            col = c;
            const QStringView type = a.value(QLatin1String("t"));
            const int style = a.value(QLatin1String("s")).toInt();
            const bool isString = type == QLatin1String("s");
            const bool isInline = type == QLatin1String("inlineStr");
            const QString typeText = type.toString();
            QString value;
            bool haveValue = false;
            // Children: the cached value <v>, the formula <f>, or the inline string <is>.
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isEndElement() && xml.name() == QLatin1String("c"))
                    break;
                if (!xml.isStartElement())
                    continue;
                if (xml.name() == QLatin1String("v")) {
                    value = xml.readElementText();
                    haveValue = true;
                } else if (xml.name() == QLatin1String("is")) {
                    value = unescapeOoxml(readStringItem(xml));
                    haveValue = true;
                } else {
                    xml.skipCurrentElement();
                }
            }
            if (!haveValue)
                continue;
            QString shown;
            const QString format = m_formats.value(style);
            if (isString) {
                bool ok = false;
                const int k = value.toInt(&ok);
                if (!ok || k < 0 || k >= m_strings.size())
                    return Outcome::failure(DamagedMessage(
                        m_path, QStringLiteral("セル %1 の共有文字列 %2 がありません").arg(ref.toString(), value)));
                shown = FormatCellText(m_strings.at(k), format);
            } else if (isInline || typeText == QLatin1String("str")) {
                shown = FormatCellText(isInline ? value : unescapeOoxml(value), format);
            } else if (typeText == QLatin1String("b")) {
                shown = value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            } else if (typeText == QLatin1String("e")) {
                shown = value;
            } else if (typeText == QLatin1String("d")) {
                // An ISO date written by some tools instead of a serial number.
                const QDateTime when = QDateTime::fromString(value, Qt::ISODateWithMs);
                if (when.isValid()) {
                    const double serial = DateToSerial(when.date(), m_date1904)
                        + when.time().msecsSinceStartOfDay() / 86400000.0;
                    shown = m_formatter.number(serial, format.isEmpty() ? BuiltInNumberFormat(14) : format);
                } else {
                    shown = value;
                }
            } else {
                bool ok = false;
                const double number = value.trimmed().toDouble(&ok);
                shown = ok ? m_formatter.number(number, format) : value;
            }
            if (!builder.setCell(r, c, shown))
                return Outcome::failure(TooManyCellsMessage(m_path));
        } else if (name == QLatin1String("row")) {
            const auto a = xml.attributes();
            const QStringView r = a.value(QLatin1String("r"));
            row = r.isEmpty() ? row + 1 : r.toInt() - 1;
            if (row < 0)
                return Outcome::failure(DamagedMessage(m_path, QStringLiteral("行番号「%1」").arg(r)));
            col = -1;
            const QStringView hidden = a.value(QLatin1String("hidden"));
            if (hidden == QLatin1String("1") || hidden == QLatin1String("true"))
                builder.hideRow(row);
        } else if (name == QLatin1String("col")) {
            const auto a = xml.attributes();
            const QStringView hidden = a.value(QLatin1String("hidden"));
            if (hidden == QLatin1String("1") || hidden == QLatin1String("true"))
                builder.hideColumns(a.value(QLatin1String("min")).toInt() - 1, a.value(QLatin1String("max")).toInt() - 1);
        } else if (name == QLatin1String("mergeCell")) {
            const QString ref = xml.attributes().value(QLatin1String("ref")).toString();
            const QStringList corners = ref.split(u':');
            int top = 0, left = 0, bottom = 0, right = 0;
            if (corners.size() == 2 && parseCellRef(corners.at(0), top, left) && parseCellRef(corners.at(1), bottom, right))
                builder.merge(top, left, bottom, right);
        }
    }
    if (xml.hasError() || !device->fault().isEmpty())
        return xmlFault(xml, device.get(), part);
    builder.finish(out);
    return {};
}

} // namespace

std::unique_ptr<WorkbookReader> MakeXlsxReader()
{
    return std::make_unique<XlsxReader>();
}

} // namespace tera
