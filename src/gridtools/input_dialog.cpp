#include "gridtools/input_dialog.h"

#include "gridtools/num_key_filter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tera {

InputDialog::InputDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgInput"));
    setWindowTitle(QStringLiteral("数値の入力"));
    setModal(true);
    beep = [] { Beep(); };

    promptLabel = new QLabel(this);
    promptLabel->setObjectName(QStringLiteral("Label1"));
    promptLabel->setWordWrap(true);
    valueEdit = new QLineEdit(this);
    valueEdit->setObjectName(QStringLiteral("Text1"));
    valueEdit->setAlignment(Qt::AlignRight);
    m_filter = new NumKeyFilter(
        valueEdit, [this] { return std::pair<qint32, qint32>{lower, upper}; }, [this] {
            if (beep)
                beep();
        });

    answerButtons[0] = new QPushButton(QStringLiteral("ＯＫ"), this);
    answerButtons[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    answerButtons[0]->setObjectName(QStringLiteral("Command1_0"));
    answerButtons[1]->setObjectName(QStringLiteral("Command1_1"));
    // Enter in the box confirms, as ＯＫ does.
    answerButtons[0]->setDefault(true);
    answerButtons[1]->setAutoDefault(false);
    connect(answerButtons[0], &QPushButton::clicked, this, [this] { onAnswerClicked(0); });
    connect(answerButtons[1], &QPushButton::clicked, this, [this] { onAnswerClicked(1); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(answerButtons[0]);
    buttons->addWidget(answerButtons[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel);
    layout->addWidget(valueEdit);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

void InputDialog::prepare()
{
    promptLabel->setText(promptText);
    valueEdit->setFocus();
}

bool InputDialog::ask(QWidget *owner)
{
    if (owner && owner->isVisible()) {
        adjustSize();
        move(owner->frameGeometry().center() - rect().center());
    }
    prepare();
    exec();
    return !wasCancelled;
}

void InputDialog::onAnswerClicked(int index)
{
    wasCancelled = index == 1;
    if (wasCancelled) {
        hide();
        return;
    }
    if (valueEdit->text().isEmpty())
        return;
    bool ok = false;
    const qint32 typed = valueEdit->text().trimmed().toInt(&ok);
    value = ok ? typed : 0;
    hide();
}

void InputDialog::reject()
{
    wasCancelled = true;
    QDialog::reject();
}

} // namespace tera
