#include "mainwin/link_editor.h"

#include "platform/grid_model.h"
#include "platform/prompt.h"

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
                       ImportSession &session, Prompt &prompt)
    : m_sourceItems(sourceItems), m_targetItems(targetItems), m_linkTable(linkTable), m_session(session),
      m_prompt(prompt)
{
}

qint32 LinkEditor::itemData(const QListWidgetItem *item) { return item ? item->data(Qt::UserRole).toInt() : 0; }

void LinkEditor::setItemData(QListWidgetItem *item, qint32 data) { item->setData(Qt::UserRole, data); }

void LinkEditor::ResetLinkGrid()
{
    m_session.dropLinks();
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
    const Catalogue &catalogue = m_session.catalogue();
    // A line moved over from the other list may carry a number this table
    // does not have: refuse it rather than read past the end.
    if (d < 0 || d >= catalogue.size() || catalogue.at(d).name.isEmpty()) {
        m_prompt.message(LinkGuardText::kNoSuchTargetItem, Icon::Critical);
        return false;
    }
    if (catalogue.at(d).noLink == 1) {
        m_prompt.message(LinkText::kNotLinkable, Icon::Critical);
        return false;
    }
    // The last slot of the source items is the spare one past the last column.
    const QList<ItemRec> &sourceItems = m_session.sourceItems();
    if (s < 0 || s >= sourceItems.size() - 1) {
        m_prompt.message(LinkGuardText::kNoSuchSourceItem, Icon::Critical);
        return false;
    }
    const SessionResult added = m_session.addLink(sourceItems.at(s).index, catalogue.at(d).index);
    if (!added.ok()) {
        m_prompt.message(added.message, Icon::Critical);
        return false;
    }
    showSessionLinks();
    return true;
}

void LinkEditor::showSessionLinks()
{
    const QList<DataLink> &links = m_session.links();
    const Catalogue &catalogue = m_session.catalogue();
    m_linkTable.setRows(int(links.size()) + 1);
    for (int k = 0; k < links.size(); ++k) {
        const DataLink &l = links.at(k);
        const int row = k + 1;
        m_linkTable.setTextMatrix(row, LinkGridCol::NO, QString::number(row));
        m_linkTable.setTextMatrix(row, LinkGridCol::SrcName, l.sourceName);
        m_linkTable.setTextMatrix(row, LinkGridCol::DstName,
                                  l.importColumn >= 0 && l.importColumn < catalogue.size()
                                      ? catalogue.at(l.importColumn).name
                                      : QString());
        m_linkTable.setTextMatrix(row, LinkGridCol::SourceColumn, QString::number(l.sourceColumn));
        m_linkTable.setTextMatrix(row, LinkGridCol::ImportColumn, QString::number(l.importColumn));
    }
    nextLinkRow = m_linkTable.Rows();
    markLinked();
}

QList<DataLink> LinkEditor::links() const { return m_session.links(); }

void LinkEditor::Unlink()
{
    if (pickedLinkRow < 1 || pickedLinkRow > m_linkTable.Rows() - 1) {
        m_prompt.message(LinkText::kPickRowFirst, Icon::Exclamation);
        return;
    }
    m_session.removeLink(pickedLinkRow - 1);
    showSessionLinks();
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
    const QList<ItemRec> &sourceItems = m_session.sourceItems();
    const bool known = d >= 0 && d < sourceItems.size() - 1;
    setItemData(moved, known ? sourceItems.at(d).column : d);
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
