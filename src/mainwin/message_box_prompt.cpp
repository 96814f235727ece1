#include "mainwin/message_box_prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tera {

Answer MessageBoxPrompt::ask(const QString &text, Buttons buttons, Icon icon)
{
    return show(text, QString(), buttons, icon, Answer::Ok, false);
}

void MessageBoxPrompt::beep() { QApplication::beep(); }

Answer MessageBoxPrompt::askWithCaption(const QString &text, const QString &caption, Buttons buttons, Icon icon)
{
    return show(text, caption, buttons, icon, Answer::Ok, false);
}

Answer MessageBoxPrompt::askWithDefault(const QString &text, Buttons buttons, Icon icon, Answer preferred)
{
    return show(text, QString(), buttons, icon, preferred, true);
}

QWidget *MessageBoxPrompt::owner() const
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return m_parent.data();
}

Answer MessageBoxPrompt::show(const QString &text, const QString &caption, Buttons buttons, Icon icon,
                              Answer preferred, bool hasPreferred)
{
    QMessageBox box(owner());
    box.setWindowTitle(caption.isEmpty() ? QApplication::applicationDisplayName() : caption);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    if (auto *b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("はい(&Y)"));
    if (auto *b = box.button(QMessageBox::No)) b->setText(QStringLiteral("いいえ(&N)"));
    if (auto *b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("キャンセル"));
    if (hasPreferred) {
        const QMessageBox::StandardButton which = preferred == Answer::No       ? QMessageBox::No
                                                  : preferred == Answer::Cancel ? QMessageBox::Cancel
                                                  : preferred == Answer::Yes    ? QMessageBox::Yes
                                                                                : QMessageBox::Ok;
        if (box.button(which))
            box.setDefaultButton(which);
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default:
        // Closed by the window frame or Esc.
        if (buttons == Buttons::YesNo)
            return Answer::No;
        if (buttons == Buttons::YesNoCancel || (buttons == Buttons::OkCancel && box.clickedButton() == nullptr))
            return Answer::Cancel;
        return Answer::Ok;
    }
}

} // namespace tera
