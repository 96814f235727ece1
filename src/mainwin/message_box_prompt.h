#pragma once
#include "platform/prompt.h"

#include <QPointer>

class QWidget;

namespace tera {

// The windows' prompt: a message box without a title of its own (the
// application's title is shown). It belongs to the window the user is
// working in (a dialog up front, else the active window), so that it never
// brings another window of the program forward; the fallback parent serves
// when no window of the program is active.
class MessageBoxPrompt : public Prompt {
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    Answer ask(const QString &text, Buttons buttons, Icon icon) override;
    Answer askWithCaption(const QString &text, const QString &caption, Buttons buttons, Icon icon) override;
    Answer askWithDefault(const QString &text, Buttons buttons, Icon icon, Answer preferred) override;
    void beep() override;
    void setParent(QWidget *parent) { m_parent = parent; }

    // The window a message box shown now belongs to.
    QWidget *owner() const;

private:
    Answer show(const QString &text, const QString &caption, Buttons buttons, Icon icon, Answer preferred,
                bool hasPreferred);

    QPointer<QWidget> m_parent;
};

} // namespace tera
