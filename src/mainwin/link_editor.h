#pragma once
#include "session/import_session.h"

#include <QList>
#include <QString>

class QListWidget;
class QListWidgetItem;

namespace tera {
class GridModel;
class Prompt;

// Messages for list lines whose item data points past the table they are read
// against (after moves between the two lists).
namespace LinkGuardText {
inline const QString kNoSuchSourceItem =
    QStringLiteral("この読込み項目は、読込みデータにありません。他の項目を選択してください。");
inline const QString kNoSuchTargetItem =
    QStringLiteral("この書き出し項目は、選択した書き出しデータの区分にありません。他の項目を選択してください。");
} // namespace LinkGuardText

// The data link editor of the main window: the source items in sourceItems,
// the link items of the output kind in targetItems, and the link table, which
// shows the session's data link (one row per pair). The session holds the
// links and checks each one; the link table is drawn again from it after
// every change.
//
// Each list line carries item data (Qt::UserRole): an index into the
// session's source items for a line of sourceItems, into its catalogue for a
// line of targetItems. A line moved across keeps its number, which is then
// read against the other table.
class LinkEditor {
public:
    LinkEditor(QListWidget *sourceItems, QListWidget *targetItems, GridModel &linkTable, ImportSession &session,
               Prompt &prompt);

    // The link-grid row the next link goes to (always the grid's row count
    // after an operation), and the row clicked last (-1: none yet).
    qint32 nextLinkRow = 1;
    qint32 pickedLinkRow = -1;

    // Empties the link grid: the heading row and the five columns.
    void ResetLinkGrid();
    // Draws the link grid again from the session's links (after a change of
    // source file has moved or dropped some).
    void showSessionLinks();
    // リンク: appends the pair made of the current line of each list.
    void Link();
    // Appends the pair of source item sourceIndex (into sourceColumns) and
    // catalogue slot targetIndex, as リンク does with the lists' current
    // lines; the same refusals, with the same messages. False when refused.
    bool AddLink(qint32 sourceIndex, qint32 targetIndex);
    // The pairs of the link grid, in order.
    QList<DataLink> links() const;
    // 解除: deletes the link-grid row clicked last.
    void Unlink();
    // A click in the link grid: remembers its current row.
    void RowPick();
    // Double-clicks: move the current line to the other list.
    void MoveRight();
    void MoveLeft();

    // Marks the lines of targetItems that a link writes into (bold, with a
    // check mark and a tooltip); the link operations keep the marks current.
    void markLinked();
    // The tooltip of a marked line.
    static QString linkedTip();

    static qint32 itemData(const QListWidgetItem *item);
    static void setItemData(QListWidgetItem *item, qint32 data);

private:
    // After removing line i: line i is current again, or i - 1 past the end.
    static void selectAfterRemoval(QListWidget *list, int i);

    QListWidget *m_sourceItems;
    QListWidget *m_targetItems;
    GridModel &m_linkTable;
    ImportSession &m_session;
    Prompt &m_prompt;
};

} // namespace tera
