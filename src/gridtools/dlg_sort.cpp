#include "gridtools/dlg_sort.h"

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

dlgSort &dlgSort::instance()
{
    static dlgSort *dialog = new dlgSort;
    return *dialog;
}

QString dlgSort::GetComboStr(qint16 mode)
{
    if (mode < 0 || mode > 9)
        return QString();
    return QString::fromUtf16(kModeCaptions[mode]);
}

int dlgSort::GetComboNum(const QString &caption)
{
    if (caption.isEmpty() || caption.at(0) < QLatin1Char('0') || caption.at(0) > QLatin1Char('9'))
        return 0;
    return caption.at(0).unicode() - u'0';
}

dlgSort::dlgSort() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("dlgSort"));
    setWindowTitle(QStringLiteral("ｿｰﾄの設定"));
    setModal(true);
    beep = [] { Beep(); };

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
    std::tie(Text1, f1) = numberBox(QStringLiteral("Text1"), true);
    std::tie(Text2, f2) = numberBox(QStringLiteral("Text2"), true);
    Text3 = numberBox(QStringLiteral("Text3"), false).first;
    Text4 = numberBox(QStringLiteral("Text4"), false).first;
    // Enter in the key range refreshes the key table instead.
    f1->onEnter = [this] { SetVsf(); };
    f2->onEnter = [this] { SetVsf(); };

    auto *keyRange = new QGroupBox(QStringLiteral("ｷｰ範囲"), this);
    auto *keyLayout = new QFormLayout(keyRange);
    keyLayout->addRow(QStringLiteral("Col"), Text1);
    keyLayout->addRow(QStringLiteral("ColSel"), Text2);
    auto *rowRange = new QGroupBox(QStringLiteral("ｿｰﾄ範囲"), this);
    auto *rowLayout = new QFormLayout(rowRange);
    rowLayout->addRow(QStringLiteral("Row"), Text3);
    rowLayout->addRow(QStringLiteral("RowSel"), Text4);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    auto *modeLabel = new QLabel(QStringLiteral("ｿｰﾄﾓｰﾄﾞ"), this);
    modeLabel->setBuddy(Combo1);

    m_keys = new GridModel(this);
    m_keys->setCols(2);
    m_keys->setRows(1);
    m_keys->setFixedRows(1);
    m_keys->setTextMatrix(0, 0, QStringLiteral("ｷｰ列番号"));
    m_keys->setTextMatrix(0, 1, QStringLiteral("ｿｰﾄﾓｰﾄﾞ"));
    m_keys->setColWidth(0, 1200);
    m_keys->setColWidth(1, 4200);
    m_keys->setEditable(true);
    vsfsort = new GridView(this);
    vsfsort->setObjectName(QStringLiteral("vsfsort"));
    vsfsort->setGrid(m_keys);
    vsfsort->setItemDelegate(new KeyTableDelegate(mModeList, vsfsort));
    vsfsort->setSelectionMode(QAbstractItemView::SingleSelection);
    vsfsort->horizontalHeader()->hide();
    vsfsort->verticalHeader()->hide();
    connect(vsfsort, &QAbstractItemView::clicked, this, &dlgSort::vsfsort_Click);

    Command2 = new QPushButton(QStringLiteral("ｿｰﾄ実行"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command1 = new QPushButton(QStringLiteral("閉じる"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    // Enter belongs to the boxes: no button answers it.
    Command2->setAutoDefault(false);
    Command1->setAutoDefault(false);
    connect(Command2, &QPushButton::clicked, this, &dlgSort::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);

    auto *ranges = new QHBoxLayout;
    ranges->addWidget(keyRange);
    ranges->addWidget(rowRange);
    auto *mode = new QHBoxLayout;
    mode->addWidget(modeLabel);
    mode->addWidget(Combo1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(ranges);
    layout->addLayout(mode);
    layout->addWidget(vsfsort, 1);
    layout->addLayout(buttons);
    resize(520, 420);

    // Form load: the eleven modes, mode 0 chosen, then the drop-down list.
    for (const char16_t *caption : kModeCaptions)
        Combo1->addItem(QString::fromUtf16(caption));
    connect(Combo1, &QComboBox::currentIndexChanged, this, &dlgSort::Combo1_Click);
    Combo1->setCurrentIndex(0);
    Combo1_Click();
    QStringList modes;
    for (qint16 m = 0; m <= 9; ++m)
        modes << GetComboStr(m);
    mModeList = modes.join(QLatin1Char('|'));
}

void dlgSort::soundBeep()
{
    if (beep)
        beep();
}

void dlgSort::Form_Activate()
{
    if (m_grid) {
        Text1->setText(QString::number(m_grid->Col()));
        Text2->setText(QString::number(m_grid->ColSel()));
        Text3->setText(QString::number(m_grid->Row()));
        Text4->setText(QString::number(m_grid->RowSel()));
    }
    SetVsf();
}

void dlgSort::showFor(QWidget *owner, GridModel *grid)
{
    setGrid(grid);
    if (owner && owner->isVisible())
        move(owner->frameGeometry().center() - rect().center());
    Form_Activate();
    exec();
}

void dlgSort::Combo1_Click()
{
    if (Combo1->currentIndex() == SortUseColSort) {
        mColKey = true;
        vsfsort->setEnabled(true);
        SetVsf();
    } else {
        mColKey = false;
        m_keys->setRows(1);
        vsfsort->setEnabled(false);
    }
}

void dlgSort::SetVsf()
{
    if (!mColKey)
        return;
    bool ok1 = false, ok2 = false;
    const qint32 first = Text1->text().trimmed().toInt(&ok1);
    const qint32 last = Text2->text().trimmed().toInt(&ok2);
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
        m_keys->AddItem(QString::number(c) + QLatin1Char('\t') + GetComboStr(qint16(m_grid->ColSort(c))));
}

void dlgSort::vsfsort_Click(const QModelIndex &index)
{
    if (index.column() == 1 && index == vsfsort->currentIndex())
        vsfsort->EditCell();
}

void dlgSort::Command2_Click()
{
    if (!m_grid)
        return;
    if (mColKey) {
        for (int r = 1; r < m_keys->Rows(); ++r) {
            bool ok = false;
            const int col = m_keys->TextMatrix(r, 0).toInt(&ok);
            if (ok && col >= 0 && col < m_grid->Cols())
                m_grid->setColSort(col, GetComboNum(m_keys->TextMatrix(r, 1)));
        }
    }
    // A refusal of the grid (no current cell) leaves the rows as they are.
    m_grid->Sort(Combo1->currentIndex());
}

} // namespace tera
