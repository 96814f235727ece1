#include "model/source_table.h"

#include "platform/grid_model.h"

namespace tera {

int SourceTable::rowCount() const { return m_grid->Rows(); }

int SourceTable::columnCount() const { return m_grid->Cols(); }

QString SourceTable::text(int row, int column) const { return m_grid->TextMatrix(row, column); }

} // namespace tera
