#include "grid_row.h"

namespace tera {

GridRow::GridRow(QString text, QList<qint32> ends) : m_text(std::move(text)), m_ends(std::move(ends))
{
    trim();
}

GridRow GridRow::fromCells(const QStringList &cells)
{
    QString text;
    QList<qint32> ends;
    qsizetype total = 0;
    for (const QString &c : cells)
        total += c.size();
    text.reserve(total);
    ends.reserve(cells.size());
    for (const QString &c : cells) {
        text.append(c);
        ends.append(qint32(text.size()));
    }
    return GridRow(std::move(text), std::move(ends));
}

QStringView GridRow::cellView(int col) const
{
    if (col < 0 || col >= m_ends.size())
        return {};
    const int start = startOf(col);
    return QStringView(m_text).mid(start, m_ends[col] - start);
}

QStringList GridRow::cells(int count) const
{
    QStringList out;
    out.reserve(count);
    for (int c = 0; c < count; ++c)
        out.append(cell(c));
    return out;
}

void GridRow::setCell(int col, QStringView text)
{
    if (col < 0)
        return;
    if (col >= m_ends.size()) {
        if (text.isEmpty())
            return;
        while (m_ends.size() < col)
            m_ends.append(qint32(m_text.size()));
        m_text.append(text);
        m_ends.append(qint32(m_text.size()));
        return;
    }
    const int start = startOf(col);
    const int oldLength = m_ends[col] - start;
    const int delta = int(text.size()) - oldLength;
    m_text.replace(start, oldLength, text.data(), text.size());
    for (qsizetype i = col; i < m_ends.size(); ++i)
        m_ends[i] += delta;
    trim();
}

void GridRow::insertCell(int col)
{
    if (col < 0 || col >= m_ends.size())
        return; // everything from col on is empty already
    m_ends.insert(col, qint32(startOf(col)));
}

void GridRow::removeCell(int col)
{
    if (col < 0 || col >= m_ends.size())
        return;
    const int start = startOf(col);
    const int length = m_ends[col] - start;
    m_text.remove(start, length);
    m_ends.removeAt(col);
    for (qsizetype i = col; i < m_ends.size(); ++i)
        m_ends[i] -= length;
    trim();
}

void GridRow::moveCell(int from, int to)
{
    if (from == to || from < 0 || to < 0)
        return;
    const QString moved = cell(from);
    removeCell(from);
    // The cells between shift by one; the moved text lands at "to".
    if (to < m_ends.size())
        insertCell(to);
    setCell(to, moved);
}

void GridRow::truncate(int count)
{
    if (count < 0)
        count = 0;
    if (count >= m_ends.size())
        return;
    m_text.truncate(startOf(count));
    m_ends.resize(count);
    trim();
}

void GridRow::trim()
{
    qsizetype n = m_ends.size();
    while (n > 0 && startOf(int(n - 1)) == m_ends[n - 1])
        --n;
    if (n == m_ends.size())
        return;
    m_ends.resize(n);
    m_text.truncate(n == 0 ? 0 : m_ends[n - 1]);
    if (n == 0) {
        m_ends = QList<qint32>();
        m_text = QString();
    }
}

} // namespace tera
