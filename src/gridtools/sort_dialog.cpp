#include "gridtools/sort_dialog.h"

#include "gridtools/grid_view.h"
#include "gridtools/num_key_filter.h"
#include "platform/grid_model.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace tera {

namespace {

const char16_t *const kModeCaptions[11] = {
    u"0:ｿｰﾄしない",
    u"1:数値か文字列かを判断（昇順）",
    u"2:数値か文字列かを判断（降順）",
    u"3:文字列を数値に変換する（昇順）",
    u"4:文字列を数値に変換する（降順）",
    u"5:大文字小文字を区別しない（昇順）",
    u"6:大文字小文字を区別しない（降順）",
    u"7:大文字小文字を区別する（昇順）",
    u"8:大文字小文字を区別する（降順）",
    u"9:ﾕｰｻﾞｰ定義",
    u"10:列単位のｷｰ定義",
};

// The key table's cells: the column numbers cannot be edited, the modes are
// picked from a drop-down of the mode list. The heading row looks like the
// other grids' headings.
class KeyTableDelegate : public QStyledItemDelegate {
public:
    KeyTableDelegate(const QString &modeList, QObject *parent) : QStyledItemDelegate(parent), m_modeList(modeList) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        if (index.column() != 1)
            return nullptr;
        auto *combo = new QComboBox(parent);
        combo->addItems(m_modeList.split(QLatin1Char('|')));
        auto *self = const_cast<KeyTableDelegate *>(this);
        // A pick is the whole edit: take it and close the drop-down's cell.
        connect(combo, &QComboBox::activated, self, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        return combo;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *combo = static_cast<QComboBox *>(editor);
        const int at = combo->findText(index.data(Qt::EditRole).toString());
        combo->setCurrentIndex(at >= 0 ? at : 0);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto *grid = qobject_cast<const GridModel *>(index.model());
        if (grid && grid->isFixedCell(index.row(), index.column())) {
            option->state |= QStyle::State_Enabled;
            option->backgroundBrush = option->palette.button();
            option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Active, QPalette::ButtonText));
        }
    }

private:
    const QString &m_modeList;
};

} // namespace

QString SortDialog::modeCaption(qint16 mode)
{
    if (mode < 0 || mode > 9)
        return QString();
    return QString::fromUtf16(kModeCaptions[mode]);
}

int SortDialog::modeOfCaption(const QString &caption)
{
    if (caption.isEmpty() || caption.at(0) < QLatin1Char('0') || caption.at(0) > QLatin1Char('9'))
        return 0;
    return caption.at(0).unicode() - u'0';
}

SortDialog::SortDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgSort"));
    setWindowTitle(QStringLiteral("ｿｰﾄの設定"));
    setModal(true);
    beep = [] { Beep(); };

    buildRangeEdits();

    QGroupBox *keyRange = rangeBox(QStringLiteral("ｷｰ範囲"), QStringLiteral("Col"), keyFirstColEdit,
                                   QStringLiteral("ColSel"), keyLastColEdit);
    QGroupBox *rowRange = rangeBox(QStringLiteral("ｿｰﾄ範囲"), QStringLiteral("Row"), firstRowEdit,
                                   QStringLiteral("RowSel"), lastRowEdit);

    modeBox = new QComboBox(this);
    modeBox->setObjectName(QStringLiteral("Combo1"));
    auto *modeLabel = new QLabel(QStringLiteral("ｿｰﾄﾓｰﾄﾞ"), this);
    modeLabel->setBuddy(modeBox);

    buildKeyGrid();

    buildButtons();

    auto *ranges = new QHBoxLayout;
    ranges->addWidget(keyRange);
    ranges->addWidget(rowRange);
    auto *mode = new QHBoxLayout;
    mode->addWidget(modeLabel);
    mode->addWidget(modeBox, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sortButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(ranges);
    layout->addLayout(mode);
    layout->addWidget(keyGrid, 1);
    layout->addLayout(buttons);
    resize(520, 420);

    loadModes();
}

// The four range boxes: digits only, up to the grid's last column or row.
void SortDialog::buildRangeEdits()
{
    const auto numberBox = [this](const QString &name, bool columns) {
        auto *box = new QLineEdit(this);
        box->setObjectName(name);
        box->setAlignment(Qt::AlignRight);
        box->setMaximumWidth(90);
        auto *filter = new NumKeyFilter(
            box,
            [this, columns] {
                if (!m_grid)
                    return std::pair<qint32, qint32>{0, -1};
                return std::pair<qint32, qint32>{0, (columns ? m_grid->Cols() : m_grid->Rows()) - 1};
            },
            [this] { soundBeep(); });
        return std::pair{box, filter};
    };
    NumKeyFilter *f1, *f2;
    std::tie(keyFirstColEdit, f1) = numberBox(QStringLiteral("Text1"), true);
    std::tie(keyLastColEdit, f2) = numberBox(QStringLiteral("Text2"), true);
    firstRowEdit = numberBox(QStringLiteral("Text3"), false).first;
    lastRowEdit = numberBox(QStringLiteral("Text4"), false).first;
    // Enter in the key range refreshes the key table instead.
    f1->onEnter = [this] { fillKeyGrid(); };
    f2->onEnter = [this] { fillKeyGrid(); };
}

QGroupBox *SortDialog::rangeBox(const QString &title, const QString &firstLabel, QLineEdit *first,
                                const QString &lastLabel, QLineEdit *last)
{
    auto *box = new QGroupBox(title, this);
    auto *form = new QFormLayout(box);
    form->addRow(firstLabel, first);
    form->addRow(lastLabel, last);
    return box;
}

void SortDialog::buildKeyGrid()
{
    m_keys = new GridModel(this);
    m_keys->setCols(2);
    m_keys->setRows(1);
    m_keys->setFixedRows(1);
    m_keys->setTextMatrix(0, 0, QStringLiteral("ｷｰ列番号"));
    m_keys->setTextMatrix(0, 1, QStringLiteral("ｿｰﾄﾓｰﾄﾞ"));
    m_keys->setColWidth(0, 1200);
    m_keys->setColWidth(1, 4200);
    m_keys->setEditable(true);
    keyGrid = new GridView(this);
    keyGrid->setObjectName(QStringLiteral("vsfsort"));
    keyGrid->setGrid(m_keys);
    keyGrid->setItemDelegate(new KeyTableDelegate(m_modeList, keyGrid));
    keyGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    keyGrid->horizontalHeader()->hide();
    keyGrid->verticalHeader()->hide();
    connect(keyGrid, &QAbstractItemView::clicked, this, &SortDialog::onKeyGridClicked);
}

void SortDialog::buildButtons()
{
    sortButton = new QPushButton(QStringLiteral("ｿｰﾄ実行"), this);
    sortButton->setObjectName(QStringLiteral("Command2"));
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    closeButton->setObjectName(QStringLiteral("Command1"));
    // Enter belongs to the boxes: no button answers it.
    sortButton->setAutoDefault(false);
    closeButton->setAutoDefault(false);
    connect(sortButton, &QPushButton::clicked, this, &SortDialog::onSortClicked);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
}

void SortDialog::loadModes()
{
    // Form load: the eleven modes, mode 0 chosen, then the drop-down list.
    for (const char16_t *caption : kModeCaptions)
        modeBox->addItem(QString::fromUtf16(caption));
    connect(modeBox, &QComboBox::currentIndexChanged, this, &SortDialog::onModeChosen);
    modeBox->setCurrentIndex(0);
    onModeChosen();
    QStringList modes;
    for (qint16 m = 0; m <= 9; ++m)
        modes << modeCaption(m);
    m_modeList = modes.join(QLatin1Char('|'));
}

void SortDialog::soundBeep()
{
    if (beep)
        beep();
}

void SortDialog::prepare()
{
    if (m_grid) {
        keyFirstColEdit->setText(QString::number(m_grid->Col()));
        keyLastColEdit->setText(QString::number(m_grid->ColSel()));
        firstRowEdit->setText(QString::number(m_grid->Row()));
        lastRowEdit->setText(QString::number(m_grid->RowSel()));
    }
    fillKeyGrid();
}

void SortDialog::showFor(QWidget *owner, GridModel *grid)
{
    setGrid(grid);
    if (owner && owner->isVisible())
        move(owner->frameGeometry().center() - rect().center());
    prepare();
    exec();
}

void SortDialog::onModeChosen()
{
    if (modeBox->currentIndex() == SortUseColSort) {
        m_columnKeys = true;
        keyGrid->setEnabled(true);
        fillKeyGrid();
    } else {
        m_columnKeys = false;
        m_keys->setRows(1);
        keyGrid->setEnabled(false);
    }
}

void SortDialog::fillKeyGrid()
{
    if (!m_columnKeys)
        return;
    bool ok1 = false, ok2 = false;
    const qint32 first = keyFirstColEdit->text().trimmed().toInt(&ok1);
    const qint32 last = keyLastColEdit->text().trimmed().toInt(&ok2);
    if (!ok1 || !ok2)
        return;
    m_keys->setRows(1);
    if (!m_grid)
        return;
    // Only columns the table has: a key row for a column that does not
    // exist would, once sorted, set the mode of every column at once (-1).
    const qint32 from = std::max(first, 0);
    const qint32 to = std::min(last, m_grid->Cols() - 1);
    for (qint32 c = from; c <= to; ++c)
        m_keys->AddItem(QString::number(c) + QLatin1Char('\t') + modeCaption(qint16(m_grid->ColSort(c))));
}

void SortDialog::onKeyGridClicked(const QModelIndex &index)
{
    if (index.column() == 1 && index == keyGrid->currentIndex())
        keyGrid->EditCell();
}

void SortDialog::onSortClicked()
{
    if (!m_grid)
        return;
    if (m_columnKeys) {
        for (int r = 1; r < m_keys->Rows(); ++r) {
            bool ok = false;
            const int col = m_keys->TextMatrix(r, 0).toInt(&ok);
            if (ok && col >= 0 && col < m_grid->Cols())
                m_grid->setColSort(col, modeOfCaption(m_keys->TextMatrix(r, 1)));
        }
    }
    // A refusal of the grid (no current cell) leaves the rows as they are.
    m_grid->Sort(modeBox->currentIndex());
}

} // namespace tera
