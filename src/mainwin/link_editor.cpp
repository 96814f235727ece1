#include "mainwin/link_editor.h"

#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "transcribe/import_table_fill.h"

#include <QFont>
#include <QIcon>
#include <QListWidget>
#include <QSet>
#include <QStyle>

namespace tera {

namespace {

struct LinkColumn {
    const char16_t *heading;
    int width; // twips
};

const LinkColumn kLinkColumns[5] = {
    {u"NO", 700}, {u"読込み項目", 1700}, {u"書出し項目", 1700}, {u"Lpoj", 700}, {u"Rpoj", 700},
};

} // namespace

LinkEditor::LinkEditor(QListWidget *sourceItems, QListWidget *targetItems, GridModel &linkTable,
                       const QList<ItemRec> &sourceColumns, const Catalogue &catalogue, Prompt &prompt)
    : m_sourceItems(sourceItems), m_targetItems(targetItems), m_linkTable(linkTable), m_sourceColumns(sourceColumns),
      m_catalogue(catalogue), m_prompt(prompt)
{
}

qint32 LinkEditor::itemData(const QListWidgetItem *item) { return item ? item->data(Qt::UserRole).toInt() : 0; }

void LinkEditor::setItemData(QListWidgetItem *item, qint32 data) { item->setData(Qt::UserRole, data); }

void LinkEditor::ResetLinkGrid()
{
    m_linkTable.setRows(1);
    m_linkTable.setCols(5);
    m_linkTable.setFixedRows(1);
    m_linkTable.setFixedCols(1);
    for (int c = 0; c < 5; ++c) {
        m_linkTable.setColWidth(c, kLinkColumns[c].width);
        m_linkTable.setTextMatrix(0, c, QString::fromUtf16(kLinkColumns[c].heading));
    }
    markLinked();
}

QString LinkEditor::linkedTip() { return QStringLiteral("リンク済みの項目です"); }

void LinkEditor::markLinked()
{
    QSet<qint32> linked;
    for (const DataLink &l : links())
        linked.insert(l.importColumn);
    const QIcon mark = m_targetItems->style()->standardIcon(QStyle::SP_DialogApplyButton);
    for (int i = 0; i < m_targetItems->count(); ++i) {
        QListWidgetItem *item = m_targetItems->item(i);
        const bool on = linked.contains(itemData(item));
        QFont font = item->font();
        font.setBold(on);
        item->setFont(font);
        item->setIcon(on ? mark : QIcon());
        item->setToolTip(on ? linkedTip() : QString());
    }
}

void LinkEditor::RenumberLinks()
{
    if (m_linkTable.Rows() < 2)
        return;
    for (int i = 1; i < m_linkTable.Rows(); ++i)
        m_linkTable.setTextMatrix(i, LinkGridCol::NO, QString::number(i));
}

void LinkEditor::Link()
{
    QListWidgetItem *source = m_sourceItems->currentRow() >= 0 ? m_sourceItems->currentItem() : nullptr;
    if (!source) {
        m_prompt.message(LinkText::kNoSourceItem, Icon::Critical);
        return;
    }
    QListWidgetItem *target = m_targetItems->currentRow() >= 0 ? m_targetItems->currentItem() : nullptr;
    if (!target) {
        m_prompt.message(LinkText::kNoTargetItem, Icon::Critical);
        return;
    }
    AddLink(itemData(source), itemData(target));
}

bool LinkEditor::AddLink(qint32 s, qint32 d)
{
    // A line moved over from the other list may carry a number this table
    // does not have: refuse it rather than read past the end.
    if (d < 0 || d >= m_catalogue.size() || m_catalogue.at(d).name.isEmpty()) {
        m_prompt.message(LinkGuardText::kNoSuchTargetItem, Icon::Critical);
        return false;
    }
    if (m_catalogue.at(d).noLink == 1) {
        m_prompt.message(LinkText::kNotLinkable, Icon::Critical);
        return false;
    }
    // The last slot of sourceColumns is the spare one past the last column.
    if (s < 0 || s >= m_sourceColumns.size() - 1) {
        m_prompt.message(LinkGuardText::kNoSuchSourceItem, Icon::Critical);
        return false;
    }

    if (nextLinkRow > m_linkTable.Rows() - 1)
        m_linkTable.AddItem(QString());
    const int row = qMin<qint32>(nextLinkRow, m_linkTable.Rows() - 1);
    const ItemRec &src = m_sourceColumns.at(s);
    const ItemRec &dst = m_catalogue.at(d);
    m_linkTable.setTextMatrix(row, LinkGridCol::NO, QString::number(row));
    m_linkTable.setTextMatrix(row, LinkGridCol::SrcName, src.name);
    m_linkTable.setTextMatrix(row, LinkGridCol::DstName, dst.name);
    m_linkTable.setTextMatrix(row, LinkGridCol::SourceColumn, QString::number(src.index));
    m_linkTable.setTextMatrix(row, LinkGridCol::ImportColumn, QString::number(dst.index));
    ++nextLinkRow;
    RenumberLinks();
    markLinked();
    return true;
}

QList<DataLink> LinkEditor::links() const { return LinksFromGrid(m_linkTable); }

void LinkEditor::Unlink()
{
    if (pickedLinkRow < 1 || pickedLinkRow > m_linkTable.Rows() - 1) {
        m_prompt.message(LinkText::kPickRowFirst, Icon::Exclamation);
        return;
    }
    m_linkTable.RemoveItem(pickedLinkRow);
    --nextLinkRow;
    RenumberLinks();
    markLinked();
}

void LinkEditor::RowPick() { pickedLinkRow = m_linkTable.Row(); }

void LinkEditor::selectAfterRemoval(QListWidget *list, int i)
{
    if (list->count() == 0)
        return;
    list->setCurrentRow(qMin(i, list->count() - 1));
}

void LinkEditor::MoveRight()
{
    const int i = m_sourceItems->currentRow();
    if (m_sourceItems->count() == 0 || i < 0)
        return;
    const QString text = m_sourceItems->item(i)->text();
    const qint32 d = itemData(m_sourceItems->item(i));
    auto *moved = new QListWidgetItem(text);
    m_targetItems->addItem(moved);
    delete m_sourceItems->takeItem(i);
    selectAfterRemoval(m_sourceItems, i);
    m_targetItems->setCurrentItem(moved);
    // A source item's column equals its index; a number this table does not
    // have is kept as it is, so that moving the line back restores it.
    const bool known = d >= 0 && d < m_sourceColumns.size() - 1;
    setItemData(moved, known ? m_sourceColumns.at(d).column : d);
    markLinked();
}

void LinkEditor::MoveLeft()
{
    const int i = m_targetItems->currentRow();
    if (m_targetItems->count() == 0 || i < 0)
        return;
    const QString text = m_targetItems->item(i)->text();
    const qint32 d = itemData(m_targetItems->item(i));
    auto *moved = new QListWidgetItem(text);
    m_sourceItems->addItem(moved);
    m_sourceItems->setCurrentItem(moved);
    delete m_targetItems->takeItem(i);
    selectAfterRemoval(m_targetItems, i);
    setItemData(moved, d);
    markLinked();
}

} // namespace tera
