#pragma once
#include "platform/prompt.h"

class QWidget;

namespace tera {

// The windows' prompt: a message box without a title of its own (the
// application's title is shown).
class MessageBoxPrompt : public Prompt {
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    Answer ask(const QString &text, Buttons buttons, Icon icon) override;
    Answer askWithCaption(const QString &text, const QString &caption, Buttons buttons, Icon icon) override;
    void beep() override;
    void setParent(QWidget *parent) { m_parent = parent; }

private:
    QWidget *m_parent;
};

} // namespace tera
