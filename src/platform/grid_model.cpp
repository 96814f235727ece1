#include "grid_model.h"

#include <QStringView>

#include <algorithm>

namespace tera {

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

// ---------------------------------------------------------------- size

bool GridModel::setRows(int rows)
{
    if (rows < 0 || rows > kMaxRows)
        return false;
    const int old = Rows();
    if (rows > old) {
        beginInsertRows(QModelIndex(), old, rows - 1);
        m_rows.resize(rows);
        endInsertRows();
    } else if (rows < old) {
        beginRemoveRows(QModelIndex(), rows, old - 1);
        m_rows.resize(rows);
        endRemoveRows();
    }
    if (m_fixedRows > rows) {
        m_fixedRows = rows;
        emit fixedChanged();
    }
    clampCursor();
    return true;
}

bool GridModel::setCols(int cols)
{
    if (cols < 0 || cols > kMaxCols)
        return false;
    const int old = m_cols;
    if (cols > old) {
        beginInsertColumns(QModelIndex(), old, cols - 1);
        m_cols = cols;
        resizeColumnLists();
        endInsertColumns();
    } else if (cols < old) {
        beginRemoveColumns(QModelIndex(), cols, old - 1);
        for (GridRow &row : m_rows)
            if (row.storedCells() > cols)
                row.truncate(cols);
        m_cols = cols;
        resizeColumnLists();
        endRemoveColumns();
    }
    if (m_fixedCols > cols) {
        m_fixedCols = cols;
        emit fixedChanged();
    }
    clampCursor();
    return true;
}

bool GridModel::setFixedRows(int rows)
{
    if (rows < 0 || rows > Rows())
        return false;
    if (rows == m_fixedRows)
        return true;
    const int first = std::min(rows, m_fixedRows);
    const int last = std::max(rows, m_fixedRows) - 1;
    m_fixedRows = rows;
    if (m_cols > 0)
        emit dataChanged(index(first, 0), index(last, m_cols - 1));
    emit fixedChanged();
    return true;
}

bool GridModel::setFixedCols(int cols)
{
    if (cols < 0 || cols > m_cols)
        return false;
    if (cols == m_fixedCols)
        return true;
    const int first = std::min(cols, m_fixedCols);
    const int last = std::max(cols, m_fixedCols) - 1;
    m_fixedCols = cols;
    if (Rows() > 0)
        emit dataChanged(index(0, first), index(Rows() - 1, last));
    emit fixedChanged();
    return true;
}

// ---------------------------------------------------------------- cells

QString GridModel::TextMatrix(int row, int col) const { return cellView(row, col).toString(); }

QStringView GridModel::cellView(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= m_cols)
        return {};
    return m_rows[row].cellView(col);
}

bool GridModel::setTextMatrix(int row, int col, const QString &text)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= m_cols)
        return false;
    if (m_rows[row].cellView(col) == text)
        return true;
    m_rows[row].setCell(col, text);
    const QModelIndex at = index(row, col);
    emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QStringList GridModel::rowTexts(int row) const
{
    if (row < 0 || row >= Rows())
        return {};
    return m_rows[row].cells(m_cols);
}

// ---------------------------------------------------------------- cursor

void GridModel::setCursor(int row, int col, int rowSel, int colSel)
{
    // A selection corner that is missing is the current cell itself.
    if (rowSel < 0)
        rowSel = row;
    if (colSel < 0)
        colSel = col;
    if (row == m_row && col == m_col && rowSel == m_rowSel && colSel == m_colSel)
        return;
    m_row = row;
    m_col = col;
    m_rowSel = rowSel;
    m_colSel = colSel;
    emit cursorChanged();
}

void GridModel::clampCursor()
{
    const auto clampTo = [](int value, int count) { return std::min(value, count - 1); };
    setCursor(clampTo(m_row, Rows()), clampTo(m_col, m_cols), clampTo(m_rowSel, Rows()), clampTo(m_colSel, m_cols));
}

bool GridModel::setRow(int row)
{
    if (row < -1 || row >= Rows())
        return false;
    setCursor(row, m_col, row, m_col);
    return true;
}

bool GridModel::setCol(int col)
{
    if (col < -1 || col >= m_cols)
        return false;
    setCursor(m_row, col, m_row, col);
    return true;
}

bool GridModel::select(int row, int col, int rowSel, int colSel)
{
    const auto inRange = [](int value, int count) { return value >= -1 && value < count; };
    if (!inRange(row, Rows()) || !inRange(rowSel, Rows()) || !inRange(col, m_cols) || !inRange(colSel, m_cols))
        return false;
    setCursor(row, col, rowSel, colSel);
    return true;
}

QString GridModel::Clip() const
{
    if (m_row < 0 || m_col < 0)
        return QString();
    const int r1 = std::max(0, std::min(m_row, m_rowSel)), r2 = std::max(m_row, m_rowSel);
    const int c1 = std::max(0, std::min(m_col, m_colSel)), c2 = std::max(m_col, m_colSel);
    QString text;
    for (int r = r1; r <= r2; ++r) {
        if (r > r1)
            text.append(QChar(u'\r'));
        for (int c = c1; c <= c2; ++c) {
            if (c > c1)
                text.append(QChar(u'\t'));
            text.append(cellView(r, c));
        }
    }
    return text;
}

bool GridModel::setClip(const QString &text)
{
    if (m_row < 0 || m_col < 0)
        return false;
    const int r1 = std::max(0, std::min(m_row, m_rowSel)), r2 = std::max(m_row, m_rowSel);
    const int c1 = std::max(0, std::min(m_col, m_colSel)), c2 = std::max(m_col, m_colSel);
    const bool single = r1 == r2 && c1 == c2;
    const int lastRow = single ? Rows() - 1 : r2;
    const int lastCol = single ? m_cols - 1 : c2;

    QList<QStringView> lines;
    {
        const QStringView all(text);
        qsizetype start = 0;
        for (qsizetype i = 0; i < all.size(); ++i) {
            if (all[i] != u'\r' && all[i] != u'\n')
                continue;
            lines.append(all.sliced(start, i - start));
            if (all[i] == u'\r' && i + 1 < all.size() && all[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        if (start < all.size())
            lines.append(all.sliced(start));
    }
    int maxRow = -1, maxCol = -1;
    for (int i = 0; i < lines.size() && r1 + i <= lastRow; ++i) {
        int j = 0;
        for (QStringView cell : lines[i].tokenize(u'\t')) {
            if (c1 + j > lastCol)
                break;
            m_rows[r1 + i].setCell(c1 + j, cell);
            maxCol = std::max(maxCol, c1 + j);
            ++j;
        }
        maxRow = r1 + i;
    }
    if (maxRow >= r1 && maxCol >= c1)
        emit dataChanged(index(r1, c1), index(maxRow, maxCol), {Qt::DisplayRole, Qt::EditRole});
    return true;
}

// ---------------------------------------------------------------- rows and columns

bool GridModel::AddItem(const QString &text, int index)
{
    if (index == -1)
        index = Rows();
    if (index < m_fixedRows || index > Rows() || Rows() >= kMaxRows)
        return false;
    QStringList cells = text.split(QChar(u'\t'));
    if (cells.size() > m_cols)
        cells.resize(m_cols);
    beginInsertRows(QModelIndex(), index, index);
    m_rows.insert(index, GridRow::fromCells(cells));
    endInsertRows();
    return true;
}

bool GridModel::RemoveItem(int index)
{
    if (index < m_fixedRows || index >= Rows())
        return false;
    beginRemoveRows(QModelIndex(), index, index);
    m_rows.removeAt(index);
    endRemoveRows();
    clampCursor();
    return true;
}

bool GridModel::setRowPosition(int from, int to)
{
    if (from < m_fixedRows || from >= Rows() || to < m_fixedRows || to >= Rows())
        return false;
    if (from == to)
        return true;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    m_rows.move(from, to);
    endMoveRows();
    return true;
}

bool GridModel::setColPosition(int from, int to)
{
    if (from < m_fixedCols || from >= m_cols || to < m_fixedCols || to >= m_cols)
        return false;
    if (from == to)
        return true;
    beginMoveColumns(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    for (GridRow &row : m_rows)
        if (row.storedCells() > std::min(from, to))
            row.moveCell(from, to);
    m_colWidths.move(from, to);
    m_colSorts.move(from, to);
    endMoveColumns();
    return true;
}

// ---------------------------------------------------------------- formatting

int GridModel::RowHeight(int row) const
{
    if (row == -1)
        return m_defaultRowHeight;
    if (row < 0 || row >= Rows())
        return -1;
    const int h = m_rows[row].height;
    return h < 0 ? m_defaultRowHeight : h;
}

bool GridModel::setRowHeight(int row, int twips)
{
    if (twips < 0 || twips > kMaxTwips || row < -1 || row >= Rows())
        return false;
    if (row == -1) {
        m_defaultRowHeight = twips;
        for (GridRow &r : m_rows)
            r.height = -1;
    } else {
        m_rows[row].height = twips == m_defaultRowHeight ? -1 : twips;
    }
    emit rowHeightChanged(row);
    return true;
}

int GridModel::ColWidth(int col) const
{
    if (col == -1)
        return m_defaultColWidth;
    if (col < 0 || col >= m_cols)
        return -1;
    const int w = m_colWidths[col];
    return w < 0 ? m_defaultColWidth : w;
}

bool GridModel::setColWidth(int col, int twips)
{
    if (twips < 0 || twips > kMaxTwips || col < -1 || col >= m_cols)
        return false;
    if (col == -1) {
        m_defaultColWidth = twips;
        m_colWidths.fill(-1);
    } else {
        m_colWidths[col] = twips == m_defaultColWidth ? -1 : twips;
    }
    emit colWidthChanged(col);
    return true;
}

bool GridModel::hasUniformRowHeights() const
{
    return std::all_of(m_rows.cbegin(), m_rows.cend(), [](const GridRow &r) { return r.height < 0; });
}

void GridModel::setEditable(bool editable)
{
    if (editable == m_editable)
        return;
    m_editable = editable;
}

int GridModel::ColSort(int col) const { return col >= 0 && col < m_cols ? m_colSorts[col] : SortNone; }

bool GridModel::setColSort(int col, int mode)
{
    if (mode < SortNone || mode > SortCustom || col < -1 || col >= m_cols)
        return false;
    if (col == -1)
        m_colSorts.fill(mode);
    else
        m_colSorts[col] = mode;
    return true;
}

bool GridModel::Sort(int mode)
{
    if (mode < SortNone || mode > SortUseColSort)
        return false;
    if (m_row < 0 || m_col < 0)
        return false;
    if (mode == SortNone)
        return true;
    const int first = std::max(std::min(m_row, m_rowSel), m_fixedRows);
    const int last = std::max(m_row, m_rowSel);
    const int c1 = std::max(0, std::min(m_col, m_colSel)), c2 = std::max(m_col, m_colSel);
    QList<SortKey> keys;
    for (int c = c1; c <= c2; ++c)
        keys.append({c, mode == SortUseColSort ? m_colSorts[c] : mode});
    if (last <= first)
        return true;
    SortRows(m_rows, first, last, keys);
    if (m_cols > 0)
        emit dataChanged(index(first, 0), index(last, m_cols - 1), {Qt::DisplayRole, Qt::EditRole});
    // Heights travel with their rows.
    for (int r = first; r <= last; ++r) {
        if (m_rows[r].height >= 0) {
            emit rowHeightChanged(-1);
            break;
        }
    }
    return true;
}

void GridModel::Clear()
{
    beginResetModel();
    for (GridRow &row : m_rows)
        row = GridRow();
    m_defaultRowHeight = kDefaultRowHeight;
    m_defaultColWidth = kDefaultColWidth;
    m_colWidths.fill(-1);
    m_colSorts.fill(SortNone);
    endResetModel();
    emit rowHeightChanged(-1);
    emit colWidthChanged(-1);
}

void GridModel::resizeColumnLists()
{
    m_colWidths.resize(m_cols, -1);
    m_colSorts.resize(m_cols, SortNone);
}

// ---------------------------------------------------------------- files

GridDocument GridModel::document(bool texts, bool format) const
{
    GridDocument doc;
    doc.rows = Rows();
    doc.cols = m_cols;
    doc.hasTexts = texts;
    doc.hasFormat = format;
    if (texts)
        doc.texts = m_rows;
    if (format) {
        GridFormat &f = doc.format;
        f.fixedRows = m_fixedRows;
        f.fixedCols = m_fixedCols;
        f.defaultRowHeight = m_defaultRowHeight;
        f.defaultColWidth = m_defaultColWidth;
        for (int r = 0; r < Rows(); ++r)
            if (m_rows[r].height >= 0)
                f.rowHeights.append({r, m_rows[r].height});
        f.colWidths = m_colWidths;
        f.colSorts = m_colSorts;
    }
    return doc;
}

void GridModel::applyTexts(QList<GridRow> rows, int cols)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (GridRow &row : m_rows)
        row.height = -1;
    m_cols = cols;
    resizeColumnLists();
    const bool fixedClamped = m_fixedRows > Rows() || m_fixedCols > m_cols;
    m_fixedRows = std::min(m_fixedRows, Rows());
    m_fixedCols = std::min(m_fixedCols, m_cols);
    endResetModel();
    if (fixedClamped)
        emit fixedChanged();
    clampCursor();
    emit rowHeightChanged(-1);
}

void GridModel::applyFormat(const GridFormat &format)
{
    beginResetModel();
    m_fixedRows = std::min(format.fixedRows, Rows());
    m_fixedCols = std::min(format.fixedCols, m_cols);
    m_defaultRowHeight = format.defaultRowHeight;
    m_defaultColWidth = format.defaultColWidth;
    for (GridRow &row : m_rows)
        row.height = -1;
    for (const auto &[row, height] : format.rowHeights)
        if (row >= 0 && row < Rows())
            m_rows[row].height = height;
    for (int c = 0; c < m_cols; ++c) {
        m_colWidths[c] = c < format.colWidths.size() ? format.colWidths[c] : -1;
        m_colSorts[c] = c < format.colSorts.size() ? format.colSorts[c] : SortNone;
    }
    endResetModel();
    emit fixedChanged();
    emit rowHeightChanged(-1);
    emit colWidthChanged(-1);
}

Outcome GridModel::LoadGrid(const QString &path, GridFileKind kind, TextEncoding encoding)
{
    switch (kind) {
    case GridFileKind::Csv:
    case GridFileKind::Tsv: {
        TextTable table;
        Outcome result =
            ReadDelimitedText(path, kind == GridFileKind::Csv ? QChar(u',') : QChar(u'\t'), table, encoding);
        if (result.ok)
            applyTexts(std::move(table.rows), table.cols);
        return result;
    }
    case GridFileKind::Workbook:
        return LoadSheet(path, QString());
    case GridFileKind::All:
    case GridFileKind::TextsOnly:
    case GridFileKind::FormatOnly: {
        GridDocument doc;
        Outcome result = ReadGridDocument(path, doc);
        if (!result.ok)
            return result;
        if (kind == GridFileKind::TextsOnly && !doc.hasTexts)
            return Outcome::failure(
                QStringLiteral("ファイル「%1」は書式だけのグリッド文書のため、文字データを読み込めません。").arg(displayName(path)));
        if (kind == GridFileKind::FormatOnly && !doc.hasFormat)
            return Outcome::failure(
                QStringLiteral("ファイル「%1」は文字データだけのグリッド文書のため、書式を読み込めません。").arg(displayName(path)));
        if (kind != GridFileKind::FormatOnly && doc.hasTexts)
            applyTexts(std::move(doc.texts), doc.cols);
        if (kind != GridFileKind::TextsOnly && doc.hasFormat)
            applyFormat(doc.format);
        return result;
    }
    }
    return Outcome::failure(QStringLiteral("ファイルの種類 %1 は使えません（0 から 4 までです）。").arg(int(kind)));
}

Outcome GridModel::LoadSheet(const QString &path, const QString &sheet, SheetTable *read)
{
    SheetTable table;
    Outcome result = ReadSheet(path, sheet, table);
    if (!result.ok)
        return result;
    if (result.ok && table.table.rows.isEmpty()) {
        const QString empty = QStringLiteral("ファイル「%1」のシート「%2」には読み込むデータがありません。").arg(displayName(path), table.sheetName);
        result.message = result.message.isEmpty() ? empty : result.message + QLatin1Char('\n') + empty;
    }
    applyTexts(std::move(table.table.rows), table.table.cols);
    if (read) {
        table.table.rows.clear();
        *read = std::move(table);
    }
    return result;
}

Outcome GridModel::SaveGrid(const QString &path, GridFileKind kind, TextEncoding encoding) const
{
    switch (kind) {
    case GridFileKind::Csv:
        return WriteDelimitedText(path, QChar(u','), m_rows, m_cols, encoding);
    case GridFileKind::Tsv:
        return WriteDelimitedText(path, QChar(u'\t'), m_rows, m_cols, encoding);
    case GridFileKind::Workbook:
        return Outcome::failure(
            QStringLiteral("表計算ソフトのブックには保存できません。ファイル「%1」は書き込みませんでした。").arg(displayName(path)));
    case GridFileKind::All:
        return WriteGridDocument(path, document(true, true));
    case GridFileKind::TextsOnly:
        return WriteGridDocument(path, document(true, false));
    case GridFileKind::FormatOnly:
        return WriteGridDocument(path, document(false, true));
    }
    return Outcome::failure(QStringLiteral("ファイルの種類 %1 は使えません（0 から 4 までです）。").arg(int(kind)));
}

// ---------------------------------------------------------------- QAbstractTableModel

int GridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Rows(); }

int GridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_cols; }

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return TextMatrix(index.row(), index.column());
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_editable || isFixedCell(index.row(), index.column()))
        return false;
    return setTextMatrix(index.row(), index.column(), value.toString());
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Fixed cells are headings: never current, selected or edited.
    if (isFixedCell(index.row(), index.column()))
        return Qt::ItemNeverHasChildren;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_editable)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    Q_UNUSED(orientation);
    if (role != Qt::DisplayRole)
        return QVariant();
    // The grid's own index, which the row and column dialogs ask for.
    return QString::number(section);
}

} // namespace tera
