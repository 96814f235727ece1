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

QString DatabaseLocationForm::emptyPathQuestion()
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
    headingLabel = new QLabel(QStringLiteral("「カリンデ」のデータ位置を指定してください。"), this);
    fileNameLabel = new QLabel(QStringLiteral("データ名は　tera.mdb です。"), this);
    installHintLabel = new QLabel(QStringLiteral("標準インストールされた場合、C:\\Program Files の「カリンデNEW」内に存在します。"), this);
    headingLabel->setObjectName(QStringLiteral("Label1"));
    fileNameLabel->setObjectName(QStringLiteral("Label2"));
    installHintLabel->setObjectName(QStringLiteral("Label2_1"));
    pathEdit = new QLineEdit(this);
    pathEdit->setObjectName(QStringLiteral("Text1"));
    pathEdit->setMinimumWidth(420);
    chooseFileButton = new QPushButton(QStringLiteral("ファイル選択"), this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    chooseFileButton->setObjectName(QStringLiteral("Command2"));
    okButton->setObjectName(QStringLiteral("Command1"));
    cancelButton->setObjectName(QStringLiteral("Command3"));
    okButton->setDefault(true);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit, 1);
    pathRow->addWidget(chooseFileButton);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(headingLabel);
    layout->addWidget(fileNameLabel);
    layout->addWidget(installHintLabel);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);

    pickFile = [this] { return QFileDialog::getOpenFileName(this, QString(), QString(), QString()); };
    connect(chooseFileButton, &QPushButton::clicked, this, &DatabaseLocationForm::onChooseFileClicked);
    connect(okButton, &QPushButton::clicked, this, &DatabaseLocationForm::onOkClicked);
    connect(cancelButton, &QPushButton::clicked, this, &DatabaseLocationForm::onCancelClicked);
}

void DatabaseLocationForm::onChooseFileClicked()
{
    const QString chosen = pickFile ? pickFile() : QString();
    if (chosen.isEmpty())
        return;
    pathEdit->setText(chosen);
    m_state.files.database = chosen;
}

void DatabaseLocationForm::onOkClicked()
{
    if (pathEdit->text().trimmed().isEmpty()) {
        if (m_prompt.ask(emptyPathQuestion(), Buttons::OkCancel, Icon::Exclamation) == Answer::Ok) {
            m_end = true;
            reject();
        }
        return;
    }
    // A path typed or corrected by hand is the one meant: taking only what
    // the file picker gave would end the program with "no database" for a
    // path the clerk can see in the box.
    m_state.files.database = pathEdit->text().trimmed();
    accept();
}

void DatabaseLocationForm::onCancelClicked()
{
    m_cancel = true;
    reject();
}

bool WidgetLocationDialog::showLocationDialog(AppState &state)
{
    DatabaseLocationForm dialog(state, m_prompt);
    dialog.exec();
    if (dialog.endRequested())
        throw EndProgram();
    return dialog.cancelFlag();
}

} // namespace tera
