#include "gridtools/dlg_rowcol.h"

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

dlgRowCol &dlgRowCol::instance()
{
    static dlgRowCol *dialog = new dlgRowCol;
    return *dialog;
}

dlgRowCol::dlgRowCol() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("dlgRowCol"));
    setWindowTitle(QStringLiteral("行・列の設定"));
    setModal(true);
    beep = [] { Beep(); };

    const auto sizeBox = [this](const QString &name) {
        auto *box = new QLineEdit(this);
        box->setObjectName(name);
        box->setAlignment(Qt::AlignRight);
        auto *filter = new NumKeyFilter(
            box, [] { return std::pair<qint32, qint32>{0, kMaxSize}; }, [this] { soundBeep(); });
        return std::pair{box, filter};
    };

    auto *rows = new QGroupBox(QStringLiteral("行の高さ"), this);
    NumKeyFilter *rowFilter;
    std::tie(Text1, rowFilter) = sizeBox(QStringLiteral("Text1"));
    rowFilter->onEnter = [this] { applyRowHeight(); };
    Option2 = new QRadioButton(QStringLiteral("ｶﾚﾝﾄ行"), rows);
    Option1 = new QRadioButton(QStringLiteral("全ての行"), rows);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option1->setObjectName(QStringLiteral("Option1"));
    auto *rowLayout = new QVBoxLayout(rows);
    rowLayout->addWidget(Text1);
    rowLayout->addWidget(Option2);
    rowLayout->addWidget(Option1);

    auto *cols = new QGroupBox(QStringLiteral("列の幅"), this);
    NumKeyFilter *colFilter;
    std::tie(Text2, colFilter) = sizeBox(QStringLiteral("Text2"));
    colFilter->onEnter = [this] { applyColWidth(); };
    Option4 = new QRadioButton(QStringLiteral("ｶﾚﾝﾄ行"), cols);
    Option3 = new QRadioButton(QStringLiteral("全ての列"), cols);
    Option4->setObjectName(QStringLiteral("Option4"));
    Option3->setObjectName(QStringLiteral("Option3"));
    auto *colLayout = new QVBoxLayout(cols);
    colLayout->addWidget(Text2);
    colLayout->addWidget(Option4);
    colLayout->addWidget(Option3);

    Option2->setChecked(true);
    Option4->setChecked(true);

    Command1 = new QPushButton(QStringLiteral("閉じる"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    // Enter belongs to the boxes; it must not close the dialog.
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);

    auto *frames = new QHBoxLayout;
    frames->addWidget(rows);
    frames->addWidget(cols);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
}

void dlgRowCol::soundBeep()
{
    if (beep)
        beep();
}

void dlgRowCol::Form_Activate()
{
    if (!m_grid || m_grid->Row() < 0)
        return;
    Text1->setText(QString::number(m_grid->RowHeight(m_grid->Row())));
    Text2->setText(QString::number(m_grid->ColWidth(m_grid->Col())));
}

void dlgRowCol::showFor(QWidget *owner, GridModel *grid)
{
    setGrid(grid);
    if (owner && owner->isVisible()) {
        adjustSize();
        move(owner->frameGeometry().center() - rect().center());
    }
    Form_Activate();
    Text1->setFocus();
    exec();
}

void dlgRowCol::applyRowHeight()
{
    // An empty box has no size to apply.
    bool ok = false;
    const int twips = Text1->text().trimmed().toInt(&ok);
    if (!ok || !m_grid)
        return;
    if (twips < 0 || twips > kMaxSize) {
        soundBeep();
        return;
    }
    if (Option1->isChecked()) {
        m_grid->setRowHeight(-1, twips);
        return;
    }
    // Without a current row there is no row to size; -1 would size them all.
    if (m_grid->Row() < 0 || !m_grid->setRowHeight(m_grid->Row(), twips))
        soundBeep();
}

void dlgRowCol::applyColWidth()
{
    bool ok = false;
    const int twips = Text2->text().trimmed().toInt(&ok);
    if (!ok || !m_grid)
        return;
    if (twips < 0 || twips > kMaxSize) {
        soundBeep();
        return;
    }
    if (Option3->isChecked()) {
        m_grid->setColWidth(-1, twips);
        return;
    }
    if (m_grid->Col() < 0 || !m_grid->setColWidth(m_grid->Col(), twips))
        soundBeep();
}

} // namespace tera
