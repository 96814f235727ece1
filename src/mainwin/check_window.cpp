#include "mainwin/check_window.h"

#include "app/app_state.h"
#include "gridtools/grid_view.h"
#include "mainwin/forms.h"
#include "mainwin/progress_window.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tera {

namespace {

const QString kCsvFilter = QStringLiteral("CSVデータ (*.csv)|*.csv|");

// Column widths of the list, in twips.
constexpr int kWidths[4] = {700, 2200, 1300, 9000};

} // namespace

CheckWindow::CheckWindow(const CheckReport &report, const QStringList &headings, Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_report(report), m_headings(headings), m_prompt(prompt)
{
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("検証結果"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setText(CheckSummaryText(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_grid = new GridModel(this);
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

    vsfResult = new GridView(this);
    vsfResult->setObjectName(QStringLiteral("vsfResult"));
    vsfResult->setGrid(m_grid);
    vsfResult->setSelectionBehavior(QAbstractItemView::SelectRows);
    vsfResult->setSelectionMode(QAbstractItemView::SingleSelection);
    vsfResult->horizontalHeader()->hide();
    vsfResult->verticalHeader()->hide();
    vsfResult->setToolTip(QStringLiteral("ダブルクリックで、インポート画面のその行へ移ります"));
    connect(vsfResult, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { vsfResult_DblClick(index.row()); });

    cmdSave = new QPushButton(QStringLiteral("CSVで保存…"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setEnabled(!report.findings.isEmpty());
    connect(cmdSave, &QPushButton::clicked, this, &CheckWindow::cmdSave_Click);
    cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(vsfResult, 1);
    layout->addLayout(buttons);
    resize(980, 480);

    saveFileDialog = [this](const QString &filter, const QString &initialName) {
        return QFileDialog::getSaveFileName(this, QString(), initialName, QtFileFilters(filter).join(QStringLiteral(";;")));
    };
}

void CheckWindow::cmdSave_Click()
{
    const QString path = saveFileDialog ? saveFileDialog(kCsvFilter, QStringLiteral("検証結果.csv")) : QString();
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveCheckCsv(m_report, m_headings, path, error))
        m_prompt.message(error, Icon::Exclamation);
}

void CheckWindow::vsfResult_DblClick(int gridRow)
{
    const int i = gridRow - 1;
    if (i < 0 || i >= m_report.findings.size())
        return;
    const CheckFinding &f = m_report.findings.at(i);
    if (f.row > 0)
        emit jumpTo(f.row, f.column);
}

CheckWindow *RunCheckWindow(QWidget *owner, GridModel &importGrid, GridView *importView, const AppState &state,
                            const Clock &clock, Prompt &prompt, bool skipDuplicates)
{
    // One list at a time: an earlier one would show rows that have changed.
    for (CheckWindow *earlier : owner->findChildren<CheckWindow *>())
        delete earlier;
    CheckReport report;
    {
        frmGage gage(owner);
        gage.setWindowTitle(QStringLiteral("検証中"));
        SetAllFormsPointer(kPointerBusy);
        report = CheckTranscription(importGrid, state, clock, &gage, skipDuplicates);
        gage.hide();
        SetAllFormsPointer(kPointerDefault);
    }
    if (!report.made) {
        prompt.message(CheckSummaryText(report), Icon::Exclamation);
        return nullptr;
    }
    QStringList headings;
    for (int c = 0; c < importGrid.Cols(); ++c)
        headings << (importGrid.Rows() > 0 ? importGrid.TextMatrix(0, c) : QString());
    auto *w = new CheckWindow(report, headings, prompt, owner);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setWindowFlag(Qt::Window, true);
    QObject::connect(w, &CheckWindow::jumpTo, importView, [&importGrid, importView](int row, int column) {
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
    });
    w->show();
    w->raise();
    return w;
}

} // namespace tera
