#include "sheet_builder.h"
#include "zip_archive.h"

#include <QXmlStreamReader>

namespace tera {

namespace {

const QString kTableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kTextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kConfigNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:config:1.0");
constexpr qint64 kMaxSettings = 64 * 1024 * 1024;

int repeatOf(const QXmlStreamAttributes &a, const char *name)
{
    const QStringView v = a.value(kTableNs, QLatin1String(name));
    const int n = v.isEmpty() ? 1 : v.toInt();
    return n < 1 ? 1 : n;
}

bool isCollapsed(const QXmlStreamAttributes &a)
{
    const QStringView v = a.value(kTableNs, QLatin1String("visibility"));
    return v == QLatin1String("collapse") || v == QLatin1String("filter");
}

// The paragraph texts of a cell, as the program shows them: paragraphs on
// lines of their own, text:s as its blanks, notes and ruby readings left out.
QString readCellText(QXmlStreamReader &xml)
{
    QString text;
    int paragraphs = 0;
    int inParagraph = 0;
    int depth = 1;
    int skipped = 0; // inside a note or a ruby reading
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const QStringView name = xml.name();
            if (skipped > 0 || name == QLatin1String("annotation") || name == QLatin1String("ruby-text")) {
                ++skipped;
                continue;
            }
            if (name == QLatin1String("p") || name == QLatin1String("h")) {
                ++inParagraph;
                if (paragraphs++ > 0)
                    text += u'\n';
            } else if (name == QLatin1String("s")) {
                const QStringView c = xml.attributes().value(kTextNs, QLatin1String("c"));
                text += QString(c.isEmpty() ? 1 : std::clamp(c.toInt(), 1, 10000), u' ');
            } else if (name == QLatin1String("tab")) {
                text += u'\t';
            } else if (name == QLatin1String("line-break")) {
                text += u'\n';
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (skipped > 0)
                --skipped;
            else if (xml.name() == QLatin1String("p") || xml.name() == QLatin1String("h"))
                --inParagraph;
        } else if (xml.isCharacters() && skipped == 0 && inParagraph > 0) {
            text += xml.text();
        }
    }
    return text;
}

class OdsReader : public WorkbookReader {
public:
    Outcome open(const QString &path) override;
    Outcome readSheet(int index, SheetTable &out) override;

private:
    Outcome fault(const QXmlStreamReader &xml, const ZipArchive::Entry &device) const
    {
        if (!device.fault().isEmpty())
            return Outcome::failure(device.fault());
        return Outcome::failure(DamagedMessage(
            m_path, QStringLiteral("content.xml の %1 行目: %2").arg(xml.lineNumber()).arg(xml.errorString())));
    }
    Outcome readTable(QXmlStreamReader &xml, SheetBuilder &builder);

    ZipArchive m_zip;
    QString m_path;
};

Outcome OdsReader::open(const QString &path)
{
    m_path = path;
    const Outcome opened = m_zip.open(path);
    if (!opened.ok)
        return opened;
    // A document saved with a password keeps its parts encrypted and says so
    // in its manifest.
    QByteArray manifest;
    if (m_zip.contains(QStringLiteral("META-INF/manifest.xml"))
        && m_zip.read(QStringLiteral("META-INF/manifest.xml"), manifest, kMaxSettings).ok
        && manifest.contains("encryption-data"))
        return Outcome::failure(ProtectedMessage(path));
    if (!m_zip.contains(QStringLiteral("content.xml")))
        return Outcome::failure(DamagedMessage(path, QStringLiteral("content.xml がありません")));

    // The sheets' names, streaming past their rows.
    Outcome error;
    std::unique_ptr<ZipArchive::Entry> device = m_zip.openEntry(QStringLiteral("content.xml"), kMaxInflatedEntryBytes, error);
    if (!device)
        return error;
    QXmlStreamReader xml(device.get());
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("table") && xml.namespaceUri() == kTableNs) {
            SheetInfo info;
            info.name = xml.attributes().value(kTableNs, QLatin1String("name")).toString();
            sheets.append(info);
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError() || !device->fault().isEmpty())
        return fault(xml, *device);
    if (sheets.isEmpty())
        return Outcome::failure(NoSheetsMessage(path));

    // The sheet it opens on, from the view settings.
    QByteArray settings;
    if (m_zip.contains(QStringLiteral("settings.xml"))
        && m_zip.read(QStringLiteral("settings.xml"), settings, kMaxSettings).ok) {
        QXmlStreamReader s(settings);
        while (!s.atEnd()) {
            s.readNext();
            if (s.isStartElement() && s.name() == QLatin1String("config-item")
                && s.attributes().value(kConfigNs, QLatin1String("name")) == QLatin1String("ActiveTable")) {
                const QString active = s.readElementText();
                for (int i = 0; i < sheets.size(); ++i)
                    if (sheets.at(i).name == active)
                        activeSheet = i;
                break;
            }
        }
    }
    return {};
}

namespace {

// The cells of a table row with text in them, by column, read up to and
// including the row's end.
QList<std::pair<int, QString>> readRowCells(QXmlStreamReader &xml)
{
    QList<std::pair<int, QString>> cells;
    int col = 0;
    int rowDepth = 1;
    while (rowDepth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            --rowDepth;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QStringView cellName = xml.name();
        const int n = repeatOf(xml.attributes(), "number-columns-repeated");
        if (cellName == QLatin1String("table-cell")) {
            const QString text = readCellText(xml);
            if (!text.isEmpty())
                for (int k = 0; k < n && col + k < kMaxTextCols; ++k)
                    cells.append({col + k, text});
            col = int(std::min<qint64>(qint64(col) + n, kMaxTextCols));
        } else if (cellName == QLatin1String("covered-table-cell")) {
            // Under a merged cell: empty, as the program's CSV has it.
            xml.skipCurrentElement();
            col = int(std::min<qint64>(qint64(col) + n, kMaxTextCols));
        } else {
            xml.skipCurrentElement();
        }
    }
    return cells;
}

} // namespace

Outcome OdsReader::readTable(QXmlStreamReader &xml, SheetBuilder &builder)
{
    int row = 0;
    int columnAt = 0;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        ++depth;
        const QStringView name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        if (name == QLatin1String("table-column")) {
            const int n = repeatOf(a, "number-columns-repeated");
            if (isCollapsed(a))
                builder.hideColumns(columnAt, columnAt + n - 1);
            columnAt = int(std::min<qint64>(qint64(columnAt) + n, kMaxTextCols));
        } else if (name == QLatin1String("table-row")) {
            const int repeat = repeatOf(a, "number-rows-repeated");
            const bool hidden = isCollapsed(a);
            // The row's cells, then copies for a repeated row that holds text.
            const QList<std::pair<int, QString>> cells = readRowCells(xml);
            --depth; // the row's end element was read above
            const int copies = cells.isEmpty() ? 0 : repeat;
            for (int k = 0; k < copies; ++k)
                for (const auto &[c, text] : std::as_const(cells))
                    if (!builder.setCell(row + k, c, text))
                        return Outcome::failure(TooManyCellsMessage(m_path));
            if (hidden)
                for (int k = 0; k < std::min(repeat, 100000); ++k)
                    builder.hideRow(row + k);
            row = int(std::min<qint64>(qint64(row) + repeat, kMaxTextRows));
        } else if (name == QLatin1String("table-columns") || name == QLatin1String("table-header-columns")
                   || name == QLatin1String("table-column-group") || name == QLatin1String("table-rows")
                   || name == QLatin1String("table-header-rows") || name == QLatin1String("table-row-group")) {
            // Groups only wrap rows and columns: step inside.
        } else {
            xml.skipCurrentElement();
            --depth;
        }
    }
    return {};
}

Outcome OdsReader::readSheet(int index, SheetTable &out)
{
    Outcome error;
    std::unique_ptr<ZipArchive::Entry> device = m_zip.openEntry(QStringLiteral("content.xml"), kMaxInflatedEntryBytes, error);
    if (!device)
        return error;
    QXmlStreamReader xml(device.get());
    int seen = 0;
    SheetBuilder builder;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("table") || xml.namespaceUri() != kTableNs)
            continue;
        if (seen++ != index) {
            xml.skipCurrentElement();
            continue;
        }
        const Outcome read = readTable(xml, builder);
        if (!read.ok)
            return read;
        break;
    }
    if (xml.hasError() || !device->fault().isEmpty())
        return fault(xml, *device);
    builder.finish(out);
    return {};
}

} // namespace

std::unique_ptr<WorkbookReader> MakeOdsReader()
{
    return std::make_unique<OdsReader>();
}

} // namespace tera
