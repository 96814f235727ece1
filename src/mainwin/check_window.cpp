#include "mainwin/check_window.h"

#include "model/app_state.h"
#include "gridtools/grid_view.h"
#include "mainwin/forms.h"
#include "mainwin/progress_window.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "session/import_session.h"

#include <QBrush>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tera {

namespace {

const QString kCsvFilter = QStringLiteral("CSVデータ (*.csv)|*.csv|");

// Column widths of the list, in twips; 内容 takes what is left.
constexpr int kWidths[4] = {700, 2200, 1300, 6000};

} // namespace

QColor CheckKindColour(CheckKind kind)
{
    switch (kind) {
    case CheckKind::Stop: return QColor(0xf4, 0xc7, 0xc3);       // red: the run stops here
    case CheckKind::NotWritten: return QColor(0xfc, 0xe0, 0xb8); // orange: the row is left out
    case CheckKind::Unreadable:
    case CheckKind::KakoText: return QColor(0xff, 0xf3, 0xb0); // yellow: a value read wrongly
    case CheckKind::Skip:
    case CheckKind::Duplicate: return QColor(0xe4, 0xe4, 0xe4); // grey: rows not written by rule
    case CheckKind::Updated: return QColor(0xe8, 0xd8, 0xf4);   // violet: an existing member written over
    default: return QColor(0xdc, 0xea, 0xf7);                   // blue: what the run will do
    }
}

// The list's model: the findings as grid cells, each row in its kind's
// colour and every cell's full text on hover.
class CheckListModel : public GridModel {
public:
    CheckListModel(QList<CheckKind> kinds, QObject *parent) : GridModel(parent), m_kinds(std::move(kinds)) {}
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (index.isValid() && index.row() >= 1 && index.row() - 1 < m_kinds.size()) {
            if (role == Qt::BackgroundRole)
                return QBrush(CheckKindColour(m_kinds.at(index.row() - 1)));
            if (role == Qt::ForegroundRole)
                return QBrush(Qt::black);
            if (role == Qt::ToolTipRole) {
                const QString text = TextMatrix(index.row(), index.column());
                return text.isEmpty() ? QVariant() : QVariant(text);
            }
        }
        return GridModel::data(index, role);
    }

private:
    QList<CheckKind> m_kinds;
};

CheckWindow::CheckWindow(const CheckReport &report, const QStringList &headings, Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_report(report), m_headings(headings), m_prompt(prompt)
{
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("検証結果"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    summaryLabel = new QLabel(this);
    summaryLabel->setObjectName(QStringLiteral("lblSummary"));
    summaryLabel->setText(CheckSummaryText(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    summaryLabel->setWordWrap(true);
    summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const int rowCount = fillFindingsModel(report, headings);
    buildFindingsGrid(rowCount);

    buildKindFilter(report);
    auto *kindLabel = new QLabel(QStringLiteral("区分(&K):"), this);
    kindLabel->setBuddy(kindFilter);
    auto *hint = new QLabel(QStringLiteral("ダブルクリックで、インポート画面のその行へ移ります。"), this);
    connect(findingsGrid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { onFindingDoubleClicked(index.row()); });

    saveButton = new QPushButton(QStringLiteral("CSVで保存…"), this);
    saveButton->setObjectName(QStringLiteral("cmdSave"));
    saveButton->setEnabled(!report.findings.isEmpty());
    connect(saveButton, &QPushButton::clicked, this, &CheckWindow::onSaveClicked);
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    closeButton->setObjectName(QStringLiteral("cmdClose"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(kindLabel);
    buttons->addWidget(kindFilter);
    buttons->addSpacing(12);
    buttons->addWidget(hint, 1);
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    layout->addWidget(findingsGrid, 1);
    layout->addLayout(buttons);
    FitToScreen(this, QSize(980, 440));
    setMinimumHeight(220);

    saveFileDialog = [this](const QString &filter, const QString &initialName) {
        const QString chosen = QFileDialog::getSaveFileName(this, QString(), DialogStart(QStringLiteral("check"), initialName),
                                                            QtFileFilters(filter).join(QStringLiteral(";;")));
        RememberFolder(QStringLiteral("check"), chosen);
        return chosen;
    };
}

// The list's model: a heading row and one row per finding, coloured by kind.
// Returns the count of its rows.
int CheckWindow::fillFindingsModel(const CheckReport &report, const QStringList &headings)
{
    QList<CheckKind> kinds;
    for (const CheckFinding &f : report.findings)
        kinds << f.kind;
    m_grid = new CheckListModel(kinds, this);
    const QList<QStringList> rows = CheckFindingRows(report, headings);
    m_grid->setRows(int(rows.size()));
    m_grid->setCols(4);
    m_grid->setFixedRows(1);
    m_grid->setFixedCols(0);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 4; ++c)
            m_grid->setTextMatrix(r, c, rows.at(r).value(c));
    for (int c = 0; c < 4; ++c)
        m_grid->setColWidth(c, kWidths[c]);
    return int(rows.size());
}

void CheckWindow::buildFindingsGrid(int rowCount)
{
    findingsGrid = new GridView(this);
    findingsGrid->setObjectName(QStringLiteral("vsfResult"));
    findingsGrid->setGrid(m_grid);
    findingsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    findingsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    findingsGrid->horizontalHeader()->hide();
    findingsGrid->verticalHeader()->hide();
    // 内容 grows with the window and wraps; its full text shows on hover.
    findingsGrid->horizontalHeader()->setStretchLastSection(true);
    findingsGrid->setWordWrap(true);
    findingsGrid->setTextElideMode(Qt::ElideNone);
    if (rowCount <= kWrapRowsUpTo)
        findingsGrid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    findingsGrid->setStatusTip(QStringLiteral("ダブルクリックで、インポート画面のその行へ移ります"));
}

// Filter by kind: every kind found, with its count and colour.
void CheckWindow::buildKindFilter(const CheckReport &report)
{
    kindFilter = new QComboBox(this);
    kindFilter->setObjectName(QStringLiteral("cboKind"));
    kindFilter->addItem(QStringLiteral("すべて（%1 件）").arg(report.findings.size()), -1);
    for (int k = int(CheckKind::Stop); k <= int(CheckKind::KakoText); ++k) {
        const int n = report.count(CheckKind(k));
        if (n == 0)
            continue;
        QPixmap swatch(12, 12);
        swatch.fill(CheckKindColour(CheckKind(k)));
        kindFilter->addItem(QIcon(swatch), QStringLiteral("%1（%2 件）").arg(CheckKindName(CheckKind(k))).arg(n), k);
    }
    kindFilter->setToolTip(QStringLiteral("表示する区分を選びます"));
    connect(kindFilter, &QComboBox::currentIndexChanged, this, [this] { showKind(kindFilter->currentData().toInt()); });
}

void CheckWindow::showKind(int kind)
{
    for (int i = 0; i < m_report.findings.size(); ++i)
        findingsGrid->setRowHidden(i + 1, kind >= 0 && int(m_report.findings.at(i).kind) != kind);
}

void CheckWindow::onSaveClicked()
{
    const QString path = saveFileDialog ? saveFileDialog(kCsvFilter, QStringLiteral("検証結果.csv")) : QString();
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveCheckCsv(m_report, m_headings, path, error))
        m_prompt.message(error, Icon::Exclamation);
}

void CheckWindow::onFindingDoubleClicked(int gridRow)
{
    const int i = gridRow - 1;
    if (i < 0 || i >= m_report.findings.size())
        return;
    const CheckFinding &f = m_report.findings.at(i);
    if (f.row > 0)
        emit jumpTo(f.row, f.column);
}

CheckWindow *RunCheckWindow(QWidget *owner, GridModel &importGrid, GridView *importView, const ImportSession &session,
                            const Clock &clock, Prompt &prompt, bool skipDuplicates)
{
    // One list at a time: an earlier one would show rows that have changed.
    for (CheckWindow *earlier : owner->findChildren<CheckWindow *>())
        delete earlier;
    CheckReport report;
    {
        ProgressWindow gage(owner);
        gage.setWindowTitle(QStringLiteral("検証中"));
        SetAllFormsPointer(kPointerBusy);
        report = session.check(ImportTable(importGrid), clock, &gage, skipDuplicates);
        gage.hide();
        SetAllFormsPointer(kPointerDefault);
    }
    if (!report.made) {
        prompt.message(CheckSummaryText(report), Icon::Exclamation);
        return nullptr;
    }
    return ShowCheckWindow(owner, report, importGrid, importView, prompt);
}

CheckWindow *ShowCheckWindow(QWidget *owner, const CheckReport &report, GridModel &importGrid, GridView *importView,
                             Prompt &prompt)
{
    for (CheckWindow *earlier : owner->findChildren<CheckWindow *>())
        delete earlier;
    QStringList headings;
    for (int c = 0; c < importGrid.Cols(); ++c)
        headings << (importGrid.Rows() > 0 ? importGrid.TextMatrix(0, c) : QString());
    auto *w = new CheckWindow(report, headings, prompt, owner);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setWindowFlag(Qt::Window, true);
    QObject::connect(w, &CheckWindow::jumpTo, importView, [&importGrid, importView, w](int row, int column) {
        if (row >= importGrid.Rows())
            return;
        const int col = column >= importGrid.FixedCols() && column < importGrid.Cols() ? column
                                                                                       : qMin(1, importGrid.Cols() - 1);
        importGrid.setRow(row);
        importGrid.setCol(col);
        if (QAbstractItemModel *m = importView->model())
            importView->scrollTo(m->index(row, col));
        if (QWidget *top = importView->window()) {
            top->raise();
            top->activateWindow();
        }
        importView->setFocus();
        // The list stays up, but never over the cell it has just shown.
        if (QAbstractItemModel *m = importView->model()) {
            const QRect cell = importView->visualRect(m->index(row, col));
            if (cell.isValid())
                MoveAsideFrom(w, QRect(importView->viewport()->mapToGlobal(cell.topLeft()), cell.size()));
        }
    });
    // Over the lower part of the import window, which leaves its buttons
    // and the first rows of the table in view.
    w->show();
    PlaceOver(w, owner);
    const int bottom = std::min(owner->frameGeometry().bottom(), AvailableArea(w).bottom());
    w->move(w->x(), std::max(AvailableArea(w).top(), bottom - w->frameGeometry().height() + 1));
    w->raise();
    return w;
}

} // namespace tera
