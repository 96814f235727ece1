#include "transcribe/import_table_fill.h"

#include "convert/kanji_numerals.h"
#include "model/import_table.h"
#include "model/source_table.h"

#include <QFile>

namespace tera {

namespace {

// The width of a source item: its length in bytes, two per character.
qint16 byteWidth(const QString &text)
{
    return static_cast<qint16>(qMin<qsizetype>(text.size() * 2, 32767));
}

ItemRec sourceItem(int c, const QString &name)
{
    ItemRec r;
    r.noLink = 0;
    r.index = static_cast<qint16>(c);
    r.name = name;
    r.column = static_cast<qint16>(c);
    r.typeCode = QStringLiteral("STR");
    r.width = byteWidth(name);
    return r;
}

} // namespace

void BuildSourceItems(const SourceTable &sourceTable, QList<ItemRec> &sourceItems, QStringList &titles)
{
    const int cols = qMin(sourceTable.columnCount(), 32767);
    sourceItems.clear();
    sourceItems.reserve(cols + 1);
    for (int c = 0; c < cols; ++c) {
        const QString name = sourceTable.text(0, c);
        sourceItems << sourceItem(c, name);
        titles << name;
    }
    sourceItems << ItemRec(); // the spare slot past the last column
}

namespace {

// Why a link cannot be followed (a source column the file does not have, an
// item the output kind does not have), or empty when all can.
QString LinkProblem(const QList<DataLink> &links, int sourceColumns, int catalogueSize)
{
    for (int k = 0; k < links.size(); ++k) {
        const DataLink &l = links.at(k);
        if (l.sourceColumn < 0 || l.sourceColumn >= sourceColumns) {
            // Said in the user's words: the link row, the source column by
            // its title and position, and how many columns the file has.
            const QString name = l.sourceName.isEmpty() ? QString() : QStringLiteral("「%1」").arg(l.sourceName);
            return QStringLiteral("データリンクの %1 行目の読込み項目%2は、読込みファイルの %3 列目を指していますが、"
                                  "今の読込みファイルは %4 列です。\r\nこのリンクを解除して、設定し直してください。")
                .arg(k + 1)
                .arg(name)
                .arg(l.sourceColumn + 1)
                .arg(sourceColumns);
        }
        if (l.importColumn < 1 || l.importColumn >= catalogueSize)
            return QStringLiteral("データリンクの書出し項目（項目番号 %1）は、この出力区分にありません。").arg(l.importColumn);
    }
    return QString();
}

} // namespace

namespace {

// One heading per item of the output kind.
void setHeadings(const Catalogue &catalogue, ImportTable &importTable)
{
    for (int c = 0; c < catalogue.size(); ++c) {
        if (importTable.columnCount() - 1 <= c)
            importTable.setColumnCount(c + 1);
        if (!importTable.hasHeader())
            importTable.setRowCount(0);
        importTable.setHeading(c, catalogue.at(c).name);
    }
}

// Copies the linked cells of the rows below the title rows. Returns how many
// rows were filled.
int copyLinkedRows(const SourceTable &sourceTable, const QList<DataLink> &links, qint16 titleRows,
                   ImportTable &importTable)
{
    int filled = 0;
    // The row buffer is the fill's own: the source items keep the titles,
    // which the link grid, saved links and 自動リンク go on matching by.
    const int sourceColumns = sourceTable.columnCount();
    QStringList row(sourceColumns);
    const int rows = sourceTable.rowCount();
    for (int r = 0; r < rows; ++r) {
        if (importTable.rowCount() <= r) {
            importTable.setRowCount(r + 1);
            importTable.setText(r + 1, 0, QString::number(r + 1));
        }
        for (int c = 0; c < sourceColumns; ++c)
            row[c] = sourceTable.text(r, c);
        if (r >= titleRows) {
            const int target = r + 1 - titleRows;
            for (const DataLink &l : links)
                importTable.setText(target, l.importColumn, row.at(l.sourceColumn));
            ++filled;
        }
    }
    // With a title line every data row moved up by one: the row appended for
    // the last source line received nothing.
    if (titleRows == 1 && rows >= 1 && importTable.rowCount() >= rows)
        importTable.removeRow(rows);
    return filled;
}

} // namespace

FillResult FillImportTable(const QString &sourcePathText, const Catalogue &catalogue, const SourceTable &sourceTable,
                           const QList<DataLink> &links, qint16 titleRows, ImportTable &importTable,
                           QString &sourcePath)
{
    FillResult result;
    sourcePath = sourcePathText.trimmed();
    setHeadings(catalogue, importTable);

    // The source file must still be there: the source table shows what was read,
    // but a file moved away since means the user is looking at stale data.
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        result.ok = false;
        result.message = QStringLiteral("読込みデータのファイルが見つかりません（移動または削除されました）。\r\n%1")
                             .arg(sourcePath);
        return result;
    }
    source.close();

    const QString linkProblem = LinkProblem(links, sourceTable.columnCount(), int(catalogue.size()));
    if (!linkProblem.isEmpty()) {
        result.ok = false;
        result.message = linkProblem;
        return result;
    }
    result.rowsFilled = copyLinkedRows(sourceTable, links, titleRows, importTable);
    return result;
}

} // namespace tera
