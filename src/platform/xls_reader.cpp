#include "cell_format.h"
#include "sheet_builder.h"

#include <QDate>
#include <QFile>
#include <QTime>

#include <freexl.h>

namespace tera {

namespace {

// .xls through libfreexl. It gives each cell's value and whether its format
// is a date or a time, but not the format code itself, so numbers show as
// the General format does and dates in the Japanese short forms.
class XlsReader : public WorkbookReader {
public:
    ~XlsReader() override
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    Outcome open(const QString &path) override;
    Outcome readSheet(int index, SheetTable &out) override;

private:
    const void *m_handle = nullptr;
    QString m_path;
};

QString reasonOf(int code)
{
    switch (code) {
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("メモリが足りません");
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR:
        return QStringLiteral("ファイルが途中で切れています");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("ブックが見つかりません");
    default:
        return QStringLiteral("xls: %1").arg(code);
    }
}

Outcome XlsReader::open(const QString &path)
{
    m_path = path;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &m_handle);
    if (opened != FREEXL_OK)
        return Outcome::failure(DamagedMessage(path, reasonOf(opened)));
    // libfreexl opens a workbook saved with a password without error but
    // gives no handle for it.
    unsigned int password = 0;
    if (!m_handle || freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &password) != FREEXL_OK
        || password == FREEXL_BIFF_OBFUSCATED)
        return Outcome::failure(ProtectedMessage(path));
    unsigned int count = 0;
    freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned int i = 0; i < count; ++i) {
        const char *name = nullptr;
        SheetInfo info;
        if (freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name) == FREEXL_OK && name)
            info.name = QString::fromUtf8(name);
        sheets.append(info);
    }
    if (sheets.isEmpty())
        return Outcome::failure(NoSheetsMessage(path));
    return {};
}

Outcome XlsReader::readSheet(int index, SheetTable &out)
{
    if (freexl_select_active_worksheet(m_handle, static_cast<unsigned short>(index)) != FREEXL_OK)
        return Outcome::failure(DamagedMessage(m_path, QStringLiteral("シート %1").arg(index + 1)));
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(m_handle, &rows, &cols) != FREEXL_OK)
        return Outcome::failure(DamagedMessage(m_path, QStringLiteral("シート %1").arg(index + 1)));
    SheetBuilder builder;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(m_handle, r, c, &cell) != FREEXL_OK)
                continue;
            QString shown;
            switch (cell.type) {
            case FREEXL_CELL_INT:
                shown = QString::number(cell.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                shown = FormatCellNumber(cell.value.double_value, QStringLiteral("General"), false);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                shown = QString::fromUtf8(cell.value.text_value);
                break;
            case FREEXL_CELL_DATE: {
                const QDate d = QDate::fromString(QString::fromLatin1(cell.value.text_value), Qt::ISODate);
                shown = d.isValid() ? d.toString(QStringLiteral("yyyy/M/d")) : QString::fromLatin1(cell.value.text_value);
                break;
            }
            case FREEXL_CELL_DATETIME: {
                const QString text = QString::fromLatin1(cell.value.text_value);
                const QDate d = QDate::fromString(text.left(10), Qt::ISODate);
                const QTime t = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
                shown = d.isValid() && t.isValid() ? d.toString(QStringLiteral("yyyy/M/d")) + u' ' + t.toString(QStringLiteral("H:mm"))
                                                   : text;
                break;
            }
            case FREEXL_CELL_TIME: {
                const QTime t = QTime::fromString(QString::fromLatin1(cell.value.text_value), QStringLiteral("HH:mm:ss"));
                shown = t.isValid() ? t.toString(QStringLiteral("H:mm:ss")) : QString::fromLatin1(cell.value.text_value);
                break;
            }
            default:
                break;
            }
            if (!builder.setCell(int(r), int(c), shown))
                return Outcome::failure(TooManyCellsMessage(m_path));
        }
    }
    builder.finish(out);
    return {};
}

} // namespace

std::unique_ptr<WorkbookReader> MakeXlsReader()
{
    return std::make_unique<XlsReader>();
}

} // namespace tera
