#include "gridtools/dlg_input.h"

#include "gridtools/num_key_filter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tera {

dlgInput &dlgInput::instance()
{
    // Without a parent it outlives the window that used it first.
    static dlgInput *dialog = new dlgInput;
    return *dialog;
}

dlgInput::dlgInput() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("dlgInput"));
    setWindowTitle(QStringLiteral("数値の入力"));
    setModal(true);
    beep = [] { Beep(); };

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAlignment(Qt::AlignRight);
    m_filter = new NumKeyFilter(
        Text1, [this] { return std::pair<qint32, qint32>{mLower, mUpper}; }, [this] {
            if (beep)
                beep();
        });

    Command1[0] = new QPushButton(QStringLiteral("ＯＫ"), this);
    Command1[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Command1[0]->setObjectName(QStringLiteral("Command1_0"));
    Command1[1]->setObjectName(QStringLiteral("Command1_1"));
    // Enter in the box confirms, as ＯＫ does.
    Command1[0]->setDefault(true);
    Command1[1]->setAutoDefault(false);
    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1[0]);
    buttons->addWidget(Command1[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Text1);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

void dlgInput::Form_Activate()
{
    Label1->setText(mPrompt);
    Text1->setFocus();
}

bool dlgInput::ask(QWidget *owner)
{
    if (owner && owner->isVisible()) {
        adjustSize();
        move(owner->frameGeometry().center() - rect().center());
    }
    Form_Activate();
    exec();
    return !mCancel;
}

void dlgInput::Command1_Click(int index)
{
    mCancel = index == 1;
    if (mCancel) {
        hide();
        return;
    }
    if (Text1->text().isEmpty())
        return;
    bool ok = false;
    const qint32 value = Text1->text().trimmed().toInt(&ok);
    mValue = ok ? value : 0;
    hide();
}

void dlgInput::reject()
{
    mCancel = true;
    QDialog::reject();
}

} // namespace tera
