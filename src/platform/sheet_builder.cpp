#include "sheet_builder.h"

#include <algorithm>

namespace tera {

bool SheetBuilder::setCell(int row, int col, const QString &text)
{
    if (text.isEmpty() || row < 0 || col < 0)
        return true;
    if (++m_filledCells > kMaxSheetCells || row >= kMaxTextRows || col >= kMaxTextCols)
        return false;
    if (row != m_row) {
        flush();
        if (row < int(m_rows.size())) {
            // Rows out of order (allowed by no writer, but seen): mend the row in place.
            m_rows[row].setCell(col, text);
            m_cols = std::max(m_cols, col + 1);
            return true;
        }
        m_row = row;
        m_cells.clear();
    }
    while (m_cells.size() <= col)
        m_cells.append(QString());
    m_cells[col] = text;
    m_filled = true;
    m_cols = std::max(m_cols, col + 1);
    return true;
}

void SheetBuilder::flush()
{
    if (m_row < 0 || !m_filled) {
        m_row = -1;
        return;
    }
    while (int(m_rows.size()) < m_row)
        m_rows.append(GridRow());
    m_rows.append(GridRow::fromCells(m_cells));
    m_cells.clear();
    m_filled = false;
    m_row = -1;
}

void SheetBuilder::hideColumns(int first, int last)
{
    m_hiddenCols.append({first, last});
}

void SheetBuilder::finish(SheetTable &out)
{
    flush();
    for (const Range &r : std::as_const(m_merges)) {
        for (int row = r.top; row <= r.bottom && row < int(m_rows.size()); ++row)
            for (int col = r.left; col <= r.right && col < m_cols; ++col)
                if (row != r.top || col != r.left)
                    m_rows[row].setCell(col, QStringView());
    }
    // A merge may have emptied the last rows or columns.
    while (!m_rows.isEmpty() && m_rows.last().storedCells() == 0)
        m_rows.removeLast();
    int cols = 0;
    for (const GridRow &row : std::as_const(m_rows))
        cols = std::max(cols, row.storedCells());
    m_cols = cols;

    out.table.rows = std::move(m_rows);
    out.table.cols = m_cols;
    out.table.encoding = TextEncoding::Utf8;
    out.hiddenRows = 0;
    for (int row : std::as_const(m_hiddenRows))
        if (row < int(out.table.rows.size()))
            ++out.hiddenRows;
    QList<bool> hidden(m_cols, false);
    for (const auto &[first, last] : std::as_const(m_hiddenCols))
        for (int c = std::max(0, first); c <= last && c < m_cols; ++c)
            hidden[c] = true;
    out.hiddenCols = int(std::count(hidden.cbegin(), hidden.cend(), true));
}

QString TooManyCellsMessage(const QString &path)
{
    return QStringLiteral("ファイル「%1」のシートはデータが多すぎるため読み込めません（%2 セルまでです）。")
        .arg(displayName(path))
        .arg(kMaxSheetCells);
}

QString NoSheetsMessage(const QString &path)
{
    return QStringLiteral("ファイル「%1」にはシートがありません。").arg(displayName(path));
}

QString ProtectedMessage(const QString &path)
{
    return QStringLiteral("ファイル「%1」はパスワードで保護されているため読み込めません。"
                          "表計算ソフトでパスワードを外して保存し直してから読み込んでください。")
        .arg(displayName(path));
}

QString DamagedMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("ファイル「%1」は壊れているため読み込めません（%2）。").arg(displayName(path), reason);
}

} // namespace tera
