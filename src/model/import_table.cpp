#include "model/import_table.h"

#include "platform/grid_model.h"

#include <algorithm>

namespace tera {

int ImportTable::rowCount() const { return std::max(0, m_grid->Rows() - 1); }

int ImportTable::columnCount() const { return m_grid->Cols(); }

bool ImportTable::hasHeader() const { return m_grid->Rows() > 0; }

QString ImportTable::heading(int column) const { return m_grid->TextMatrix(0, column); }

QString ImportTable::text(int row, int column) const { return m_grid->TextMatrix(row, column); }

void ImportTable::setHeading(int column, const QString &text) { m_grid->setTextMatrix(0, column, text); }

void ImportTable::setText(int row, int column, const QString &text) { m_grid->setTextMatrix(row, column, text); }

void ImportTable::setRowCount(int count) { m_grid->setRows(count + 1); }

void ImportTable::setColumnCount(int count) { m_grid->setCols(count); }

void ImportTable::removeRow(int row) { m_grid->RemoveItem(row); }

void ImportTable::clear()
{
    m_grid->setRows(1);
    m_grid->setCols(1);
    m_grid->setFixedRows(1);
    m_grid->setFixedCols(1);
    m_grid->setTextMatrix(0, 0, QString());
}

} // namespace tera
