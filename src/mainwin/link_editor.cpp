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

DataLinkEditor::DataLinkEditor(QListWidget *lstAll, QListWidget *lstSelected, GridModel &vsf,
                               const QList<ItemRec> &gSrcItems, const Catalogue &gCatalogue, Prompt &prompt)
    : m_lstAll(lstAll), m_lstSelected(lstSelected), m_vsf(vsf), m_gSrcItems(gSrcItems), m_gCatalogue(gCatalogue),
      m_prompt(prompt)
{
}

qint32 DataLinkEditor::itemData(const QListWidgetItem *item) { return item ? item->data(Qt::UserRole).toInt() : 0; }

void DataLinkEditor::setItemData(QListWidgetItem *item, qint32 data) { item->setData(Qt::UserRole, data); }

void DataLinkEditor::ResetLinkGrid()
{
    m_vsf.setRows(1);
    m_vsf.setCols(5);
    m_vsf.setFixedRows(1);
    m_vsf.setFixedCols(1);
    for (int c = 0; c < 5; ++c) {
        m_vsf.setColWidth(c, kLinkColumns[c].width);
        m_vsf.setTextMatrix(0, c, QString::fromUtf16(kLinkColumns[c].heading));
    }
    markLinked();
}

QString DataLinkEditor::linkedTip() { return QStringLiteral("リンク済みの項目です"); }

void DataLinkEditor::markLinked()
{
    QSet<qint32> linked;
    for (const DataLink &l : links())
        linked.insert(l.Rpoj);
    const QIcon mark = m_lstSelected->style()->standardIcon(QStyle::SP_DialogApplyButton);
    for (int i = 0; i < m_lstSelected->count(); ++i) {
        QListWidgetItem *item = m_lstSelected->item(i);
        const bool on = linked.contains(itemData(item));
        QFont font = item->font();
        font.setBold(on);
        item->setFont(font);
        item->setIcon(on ? mark : QIcon());
        item->setToolTip(on ? linkedTip() : QString());
    }
}

void DataLinkEditor::RenumberLinks()
{
    if (m_vsf.Rows() < 2)
        return;
    for (int i = 1; i < m_vsf.Rows(); ++i)
        m_vsf.setTextMatrix(i, LinkGridCol::NO, QString::number(i));
}

void DataLinkEditor::Link()
{
    QListWidgetItem *source = m_lstAll->currentRow() >= 0 ? m_lstAll->currentItem() : nullptr;
    if (!source) {
        m_prompt.message(LinkText::kNoSourceItem, Icon::Critical);
        return;
    }
    QListWidgetItem *target = m_lstSelected->currentRow() >= 0 ? m_lstSelected->currentItem() : nullptr;
    if (!target) {
        m_prompt.message(LinkText::kNoTargetItem, Icon::Critical);
        return;
    }
    AddLink(itemData(source), itemData(target));
}

bool DataLinkEditor::AddLink(qint32 s, qint32 d)
{
    // A line moved over from the other list may carry a number this table
    // does not have: refuse it rather than read past the end.
    if (d < 0 || d >= m_gCatalogue.size() || m_gCatalogue.at(d).name.isEmpty()) {
        m_prompt.message(LinkGuardText::kNoSuchTargetItem, Icon::Critical);
        return false;
    }
    if (m_gCatalogue.at(d).noLink == 1) {
        m_prompt.message(LinkText::kNotLinkable, Icon::Critical);
        return false;
    }
    // The last slot of gSrcItems is the spare one past the last column.
    if (s < 0 || s >= m_gSrcItems.size() - 1) {
        m_prompt.message(LinkGuardText::kNoSuchSourceItem, Icon::Critical);
        return false;
    }

    if (mNextLinkRow > m_vsf.Rows() - 1)
        m_vsf.AddItem(QString());
    const int row = qMin<qint32>(mNextLinkRow, m_vsf.Rows() - 1);
    const ItemRec &src = m_gSrcItems.at(s);
    const ItemRec &dst = m_gCatalogue.at(d);
    m_vsf.setTextMatrix(row, LinkGridCol::NO, QString::number(row));
    m_vsf.setTextMatrix(row, LinkGridCol::SrcName, src.name);
    m_vsf.setTextMatrix(row, LinkGridCol::DstName, dst.name);
    m_vsf.setTextMatrix(row, LinkGridCol::Lpoj, QString::number(src.index));
    m_vsf.setTextMatrix(row, LinkGridCol::Rpoj, QString::number(dst.index));
    ++mNextLinkRow;
    RenumberLinks();
    markLinked();
    return true;
}

QList<DataLink> DataLinkEditor::links() const { return LinksFromGrid(m_vsf); }

void DataLinkEditor::Unlink()
{
    if (mSelLinkRow < 1 || mSelLinkRow > m_vsf.Rows() - 1) {
        m_prompt.message(LinkText::kPickRowFirst, Icon::Exclamation);
        return;
    }
    m_vsf.RemoveItem(mSelLinkRow);
    --mNextLinkRow;
    RenumberLinks();
    markLinked();
}

void DataLinkEditor::RowPick() { mSelLinkRow = m_vsf.Row(); }

void DataLinkEditor::selectAfterRemoval(QListWidget *list, int i)
{
    if (list->count() == 0)
        return;
    list->setCurrentRow(qMin(i, list->count() - 1));
}

void DataLinkEditor::MoveRight()
{
    const int i = m_lstAll->currentRow();
    if (m_lstAll->count() == 0 || i < 0)
        return;
    const QString text = m_lstAll->item(i)->text();
    const qint32 d = itemData(m_lstAll->item(i));
    auto *moved = new QListWidgetItem(text);
    m_lstSelected->addItem(moved);
    delete m_lstAll->takeItem(i);
    selectAfterRemoval(m_lstAll, i);
    m_lstSelected->setCurrentItem(moved);
    // A source item's column equals its index; a number this table does not
    // have is kept as it is, so that moving the line back restores it.
    const bool known = d >= 0 && d < m_gSrcItems.size() - 1;
    setItemData(moved, known ? m_gSrcItems.at(d).column : d);
    markLinked();
}

void DataLinkEditor::MoveLeft()
{
    const int i = m_lstSelected->currentRow();
    if (m_lstSelected->count() == 0 || i < 0)
        return;
    const QString text = m_lstSelected->item(i)->text();
    const qint32 d = itemData(m_lstSelected->item(i));
    auto *moved = new QListWidgetItem(text);
    m_lstAll->addItem(moved);
    m_lstAll->setCurrentItem(moved);
    delete m_lstSelected->takeItem(i);
    selectAfterRemoval(m_lstSelected, i);
    setItemData(moved, d);
    markLinked();
}

} // namespace tera
