#include "mainwin/file_kind_dialog.h"

#include "mainwin/forms.h"
#include "platform/spreadsheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tera {

FileKindDialog::FileKindDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgFile"));
    setWindowTitle(QStringLiteral("入出力選択"));
    setModal(true);

    static const char16_t *const captions[kKinds] = {u"全ての情報",    u"ﾃﾞｰﾀのみ",      u"属性情報のみ",
                                                     u"ｺﾝﾏ区切りﾃｷｽﾄ", u"ﾀﾌﾞ区切りﾃｷｽﾄ", u"表計算ブック（xlsx・xls・ods）"};
    auto *group = new QButtonGroup(this);
    auto *options = new QVBoxLayout;
    for (int i = 0; i < kKinds; ++i) {
        kindButtons[i] = new QRadioButton(QString::fromUtf16(captions[i]), this);
        kindButtons[i]->setObjectName(QStringLiteral("rSaveLoadSetting_%1").arg(i));
        group->addButton(kindButtons[i], i);
    }
    for (int i : {5, 4, 3, 0, 1, 2})
        options->addWidget(kindButtons[i]);
    kindButtons[0]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, &FileKindDialog::onKindClicked);

    answerButtons[0] = new QPushButton(QStringLiteral("ＯＫ"), this);
    answerButtons[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    answerButtons[0]->setObjectName(QStringLiteral("Command1_0"));
    answerButtons[1]->setObjectName(QStringLiteral("Command1_1"));
    answerButtons[0]->setDefault(true);
    connect(answerButtons[0], &QPushButton::clicked, this, [this] { onAnswerClicked(0); });
    connect(answerButtons[1], &QPushButton::clicked, this, [this] { onAnswerClicked(1); });

    cancelledBox = new QCheckBox(this);
    cancelledBox->setObjectName(QStringLiteral("Check1"));
    cancelledBox->hide();

    auto *frame = new QGroupBox(this);
    frame->setLayout(options);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(answerButtons[0]);
    buttons->addWidget(answerButtons[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

bool FileKindDialog::cancelled() const { return cancelledBox->isChecked(); }

void FileKindDialog::clearCancel() { cancelledBox->setChecked(false); }

void FileKindDialog::onKindClicked(int index) { m_fileKind = static_cast<qint16>(index); }

void FileKindDialog::onAnswerClicked(int index)
{
    if (index == 1)
        cancelledBox->setChecked(true);
    hide();
}

void FileKindDialog::reject()
{
    cancelledBox->setChecked(true);
    QDialog::reject();
}

void FileKindDialog::enableForFileName(const QString &path)
{
    std::array<bool, kKinds> on{};
    if (PathHasExtension(path, QStringLiteral(".vsg")))
        on = {true, true, true, false, false, false};
    else if (PathHasExtension(path, QStringLiteral(".csv")))
        on = {false, false, false, true, false, false};
    else if (PathHasExtension(path, QStringLiteral(".txt")))
        on = {false, false, false, true, true, false};
    else if (HasSpreadsheetName(path))
        on = {false, false, false, false, false, true};
    else
        return;
    for (int i = 0; i < kKinds; ++i)
        kindButtons[i]->setEnabled(on[i]);
}

void FileKindDialog::keepChoiceEnabled()
{
    const int kind = m_fileKind;
    if (kind >= 0 && kind < kKinds && kindButtons[kind]->isEnabled())
        return;
    for (int i : {4, 3, 0, 1, 2, 5}) {
        if (kindButtons[i]->isEnabled()) {
            kindButtons[i]->setChecked(true);
            m_fileKind = static_cast<qint16>(i);
            return;
        }
    }
}

bool FileKindDialog::ask(QWidget *owner)
{
    clearCancel();
    keepChoiceEnabled();
    if (owner && owner->isVisible()) {
        const QRect area = owner->frameGeometry();
        adjustSize();
        move(area.center() - rect().center());
    }
    exec();
    return !cancelled();
}

std::optional<int> FileKindDialog::chooseFileKind(QWidget *owner, const QString &path)
{
    enableForFileName(path);
    if (!ask(owner)) {
        clearCancel();
        return std::nullopt;
    }
    return fileKind();
}

} // namespace tera
