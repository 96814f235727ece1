#include "mainwin/location_dialog.h"

#include "platform/prompt.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tera {

QString frm確認::emptyPathQuestion()
{
    return QStringLiteral("データベースのパスがしていされていません。") + QStringLiteral("\r\n")
           + QStringLiteral("処理を中止する場合、「OK」ボタンを押してください。") + QStringLiteral("\r\n")
           + QStringLiteral("再度処理を続ける場合、キャンセルボタンを押し、パスを指定「OK」ボタンを押してください。");
}

DatabaseLocationForm::DatabaseLocationForm(AppState &state, Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_state(state), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frm確認"));
    setWindowTitle(QStringLiteral("データ確認"));
    Label1 = new QLabel(QStringLiteral("「カリンデ」のデータ位置を指定してください。"), this);
    Label2 = new QLabel(QStringLiteral("データ名は　tera.mdb です。"), this);
    Label3 = new QLabel(QStringLiteral("標準インストールされた場合、C:\\Program Files の「カリンデNEW」内に存在します。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label2_1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(420);
    Command2 = new QPushButton(QStringLiteral("ファイル選択"), this);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command3 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command3->setObjectName(QStringLiteral("Command3"));
    Command1->setDefault(true);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(Text1, 1);
    pathRow->addWidget(Command2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command3);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);

    pickFile = [this] { return QFileDialog::getOpenFileName(this, QString(), QString(), QString()); };
    connect(Command2, &QPushButton::clicked, this, &DatabaseLocationForm::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &DatabaseLocationForm::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &DatabaseLocationForm::Command3_Click);
}

void frm確認::Command2_Click()
{
    const QString chosen = pickFile ? pickFile() : QString();
    if (chosen.isEmpty())
        return;
    Text1->setText(chosen);
    m_state.files.database = chosen;
}

void frm確認::Command1_Click()
{
    if (Text1->text().isEmpty()) {
        if (m_prompt.ask(emptyPathQuestion(), Buttons::OkCancel, Icon::Exclamation) == Answer::Ok) {
            m_end = true;
            reject();
        }
        return;
    }
    accept();
}

void frm確認::Command3_Click()
{
    m_cancel = true;
    reject();
}

bool WidgetLocationDialog::showLocationDialog(AppState &state)
{
    frm確認 dialog(state, m_prompt);
    dialog.exec();
    if (dialog.endRequested())
        throw EndProgram();
    return dialog.cancelFlag();
}

} // namespace tera
