#include "scripted_prompt.h"

namespace tera {

Answer ScriptedPrompt::askWithCaption(const QString &text, const QString &caption, Buttons buttons, Icon icon)
{
    const Answer a = ask(text, buttons, icon);
    m_shown.last().caption = caption;
    return a;
}

Answer ScriptedPrompt::ask(const QString &text, Buttons buttons, Icon icon)
{
    m_shown.append({text, buttons, icon, QString()});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel: return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return Answer::Yes;
    }
    return Answer::Ok;
}

QStringList ScriptedPrompt::texts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.text;
    return out;
}

} // namespace tera
