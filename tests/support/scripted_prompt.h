#pragma once
#include "platform/prompt.h"

#include <QList>
#include <QStringList>

namespace tera {

// A prompt that records every text and answers the questions from a
// script; when the script runs out it answers with the default (Yes / OK).
// A message with only an OK button takes nothing from the script.
class ScriptedPrompt : public Prompt {
public:
    struct Shown {
        QString text;
        Buttons buttons;
        Icon icon;
        QString caption; // empty: the application's title
    };
    Answer ask(const QString &text, Buttons buttons, Icon icon) override;
    Answer askWithCaption(const QString &text, const QString &caption, Buttons buttons, Icon icon) override;
    void beep() override { ++m_beeps; }
    int beeps() const { return m_beeps; }
    void script(std::initializer_list<Answer> answers) { m_answers.append(QList<Answer>(answers)); }
    QStringList texts() const;
    const QList<Shown> &shown() const { return m_shown; }
    void clear()
    {
        m_shown.clear();
        m_answers.clear();
        m_beeps = 0;
    }

private:
    QList<Answer> m_answers;
    QList<Shown> m_shown;
    int m_beeps = 0;
};

} // namespace tera
