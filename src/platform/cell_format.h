#pragma once
#include <QDate>
#include <QHash>
#include <QString>

#include <memory>

namespace tera {

// The text a spreadsheet program shows for a number under a number format
// code ("0", "#,##0.00", "0\"歳\"", "yyyy/m/d", "[$-411]ggge\"年\"m\"月\"d\"日\"",
// "General"...), as the clerk sees it in the cell. date1904 says which date
// system the workbook counts its serial days in.
QString FormatCellNumber(double value, const QString &formatCode, bool date1904);

// FormatCellNumber for the many cells of one workbook: each format code is
// taken apart once.
class CellFormatter {
public:
    explicit CellFormatter(bool date1904 = false);
    ~CellFormatter();
    CellFormatter(const CellFormatter &) = delete;
    CellFormatter &operator=(const CellFormatter &) = delete;
    void setDate1904(bool date1904) { m_date1904 = date1904; }
    QString number(double value, const QString &formatCode);

    struct Parsed;

private:
    bool m_date1904;
    QHash<QString, std::shared_ptr<const Parsed>> m_parsed;
};

// A text cell under a format with a text section ("@\"様\""); without one the
// text stays as it is.
QString FormatCellText(const QString &text, const QString &formatCode);

// The format code of a built-in format number of the .xlsx styles, as
// Japanese Excel shows it (14 is yyyy/m/d there, and 27 to 58 are the
// Japanese date and era formats). Empty for an unknown number.
QString BuiltInNumberFormat(int id);

// The day a serial number of the workbook's date system names. The 1900
// system counts 1900-01-01 as 1 and keeps Lotus's 29 February 1900 as 60, so
// that day has no QDate: fictitiousLeapDay is then set and the date is
// invalid.
QDate SerialToDate(qint64 serialDay, bool date1904, bool *fictitiousLeapDay = nullptr);
// The serial number of a day, the inverse of SerialToDate.
double DateToSerial(const QDate &date, bool date1904);

// The Japanese era a day falls in, by the fixed table a spreadsheet program
// uses for its era formats (明治 from 1868 on). Empty name before that.
struct SpreadsheetEra {
    QString name;   // 平成
    QChar initial;  // H
    int year = 0;   // 1 for the first year
};
SpreadsheetEra SpreadsheetEraOf(const QDate &date);

} // namespace tera
