#include "scripted_prompt.h"

namespace tera {

Answer ScriptedPrompt::ask(const QString &text, Buttons buttons, Icon icon)
{
    m_shown.append({text, buttons, icon});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel: return Answer::Ok;
    case Buttons::YesNo: return Answer::Yes;
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
