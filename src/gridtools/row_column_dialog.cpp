#include "gridtools/row_column_dialog.h"

#include "gridtools/num_key_filter.h"
#include "platform/grid_model.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tera {

namespace {
constexpr qint32 kMaxSize = 32767; // twips, the largest 16-bit size
}

RowColumnDialog::RowColumnDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgRowCol"));
    setWindowTitle(QStringLiteral("行・列の設定"));
    setModal(true);
    beep = [] { Beep(); };

    QGroupBox *rows = buildRowBox();
    QGroupBox *cols = buildColumnBox();

    currentRowButton->setChecked(true);
    currentColButton->setChecked(true);

    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    closeButton->setObjectName(QStringLiteral("Command1"));
    // Enter belongs to the boxes; it must not close the dialog.
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);

    auto *frames = new QHBoxLayout;
    frames->addWidget(rows);
    frames->addWidget(cols);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
}

// A size in twips, digits only, up to the largest 16-bit size.
QLineEdit *RowColumnDialog::sizeBox(const QString &name, std::function<void()> onEnter)
{
    auto *box = new QLineEdit(this);
    box->setObjectName(name);
    box->setAlignment(Qt::AlignRight);
    auto *filter = new NumKeyFilter(
        box, [] { return std::pair<qint32, qint32>{0, kMaxSize}; }, [this] { soundBeep(); });
    filter->onEnter = std::move(onEnter);
    return box;
}

QGroupBox *RowColumnDialog::buildRowBox()
{
    auto *rows = new QGroupBox(QStringLiteral("行の高さ"), this);
    rowHeightEdit = sizeBox(QStringLiteral("Text1"), [this] { applyRowHeight(); });
    currentRowButton = new QRadioButton(QStringLiteral("ｶﾚﾝﾄ行"), rows);
    allRowsButton = new QRadioButton(QStringLiteral("全ての行"), rows);
    currentRowButton->setObjectName(QStringLiteral("Option2"));
    allRowsButton->setObjectName(QStringLiteral("Option1"));
    auto *rowLayout = new QVBoxLayout(rows);
    rowLayout->addWidget(rowHeightEdit);
    rowLayout->addWidget(currentRowButton);
    rowLayout->addWidget(allRowsButton);
    return rows;
}

QGroupBox *RowColumnDialog::buildColumnBox()
{
    auto *cols = new QGroupBox(QStringLiteral("列の幅"), this);
    colWidthEdit = sizeBox(QStringLiteral("Text2"), [this] { applyColWidth(); });
    currentColButton = new QRadioButton(QStringLiteral("ｶﾚﾝﾄ行"), cols);
    allColsButton = new QRadioButton(QStringLiteral("全ての列"), cols);
    currentColButton->setObjectName(QStringLiteral("Option4"));
    allColsButton->setObjectName(QStringLiteral("Option3"));
    auto *colLayout = new QVBoxLayout(cols);
    colLayout->addWidget(colWidthEdit);
    colLayout->addWidget(currentColButton);
    colLayout->addWidget(allColsButton);
    return cols;
}

void RowColumnDialog::soundBeep()
{
    if (beep)
        beep();
}

void RowColumnDialog::prepare()
{
    if (!m_grid || m_grid->Row() < 0)
        return;
    rowHeightEdit->setText(QString::number(m_grid->RowHeight(m_grid->Row())));
    colWidthEdit->setText(QString::number(m_grid->ColWidth(m_grid->Col())));
}

void RowColumnDialog::showFor(QWidget *owner, GridModel *grid)
{
    setGrid(grid);
    if (owner && owner->isVisible()) {
        adjustSize();
        move(owner->frameGeometry().center() - rect().center());
    }
    prepare();
    rowHeightEdit->setFocus();
    exec();
}

void RowColumnDialog::applyRowHeight()
{
    // An empty box has no size to apply.
    bool ok = false;
    const int twips = rowHeightEdit->text().trimmed().toInt(&ok);
    if (!ok || !m_grid)
        return;
    if (twips < 0 || twips > kMaxSize) {
        soundBeep();
        return;
    }
    if (allRowsButton->isChecked()) {
        m_grid->setRowHeight(-1, twips);
        return;
    }
    // Without a current row there is no row to size; -1 would size them all.
    if (m_grid->Row() < 0 || !m_grid->setRowHeight(m_grid->Row(), twips))
        soundBeep();
}

void RowColumnDialog::applyColWidth()
{
    bool ok = false;
    const int twips = colWidthEdit->text().trimmed().toInt(&ok);
    if (!ok || !m_grid)
        return;
    if (twips < 0 || twips > kMaxSize) {
        soundBeep();
        return;
    }
    if (allColsButton->isChecked()) {
        m_grid->setColWidth(-1, twips);
        return;
    }
    if (m_grid->Col() < 0 || !m_grid->setColWidth(m_grid->Col(), twips))
        soundBeep();
}

} // namespace tera
