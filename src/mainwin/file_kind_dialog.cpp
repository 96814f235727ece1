#include "mainwin/file_kind_dialog.h"

#include "mainwin/forms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tera {

dlgFile &dlgFile::instance()
{
    // Without a parent it outlives whichever window used it first.
    static dlgFile *dialog = new dlgFile;
    return *dialog;
}

dlgFile::dlgFile() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("dlgFile"));
    setWindowTitle(QStringLiteral("入出力選択"));
    setModal(true);

    static const char16_t *const captions[5] = {u"全ての情報", u"ﾃﾞｰﾀのみ", u"属性情報のみ", u"ｺﾝﾏ区切りﾃｷｽﾄ",
                                                u"ﾀﾌﾞ区切りﾃｷｽﾄ"};
    auto *group = new QButtonGroup(this);
    auto *options = new QVBoxLayout;
    for (int i = 0; i < 5; ++i) {
        rSaveLoadSetting[i] = new QRadioButton(QString::fromUtf16(captions[i]), this);
        rSaveLoadSetting[i]->setObjectName(QStringLiteral("rSaveLoadSetting_%1").arg(i));
        group->addButton(rSaveLoadSetting[i], i);
    }
    for (int i : {4, 3, 0, 1, 2})
        options->addWidget(rSaveLoadSetting[i]);
    rSaveLoadSetting[0]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, &dlgFile::rSaveLoadSetting_Click);

    Command1[0] = new QPushButton(QStringLiteral("ＯＫ"), this);
    Command1[1] = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Command1[0]->setObjectName(QStringLiteral("Command1_0"));
    Command1[1]->setObjectName(QStringLiteral("Command1_1"));
    Command1[0]->setDefault(true);
    connect(Command1[0], &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(Command1[1], &QPushButton::clicked, this, [this] { Command1_Click(1); });

    Check1 = new QCheckBox(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->hide();

    auto *frame = new QGroupBox(this);
    frame->setLayout(options);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1[0]);
    buttons->addWidget(Command1[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

bool dlgFile::cancelled() const { return Check1->isChecked(); }

void dlgFile::clearCancel() { Check1->setChecked(false); }

void dlgFile::rSaveLoadSetting_Click(int index) { m_fileKind = static_cast<qint16>(index); }

void dlgFile::Command1_Click(int index)
{
    if (index == 1)
        Check1->setChecked(true);
    hide();
}

void dlgFile::reject()
{
    Check1->setChecked(true);
    QDialog::reject();
}

void dlgFile::EnableForFileName(const QString &path)
{
    std::array<bool, 5> on{};
    if (PathHasExtension(path, QStringLiteral(".vsg")))
        on = {true, true, true, false, false};
    else if (PathHasExtension(path, QStringLiteral(".csv")))
        on = {false, false, false, true, false};
    else if (PathHasExtension(path, QStringLiteral(".txt")))
        on = {false, false, false, true, true};
    else
        return;
    for (int i = 0; i < 5; ++i)
        rSaveLoadSetting[i]->setEnabled(on[i]);
}

void dlgFile::keepChoiceEnabled()
{
    const int kind = m_fileKind;
    if (kind >= 0 && kind < 5 && rSaveLoadSetting[kind]->isEnabled())
        return;
    for (int i : {4, 3, 0, 1, 2}) {
        if (rSaveLoadSetting[i]->isEnabled()) {
            rSaveLoadSetting[i]->setChecked(true);
            m_fileKind = static_cast<qint16>(i);
            return;
        }
    }
}

bool dlgFile::ask(QWidget *owner)
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

} // namespace tera
