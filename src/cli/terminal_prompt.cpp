#include "cli/terminal_prompt.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace tera {

TerminalPrompt::TerminalPrompt(QTextStream &err, bool assumeYes) : m_err(err), m_assumeYes(assumeYes) {}

Answer TerminalPrompt::ask(const QString &text, Buttons buttons, Icon icon)
{
    m_transcript << text;
    const char *mark = icon == Icon::Critical ? "[重大] " : icon == Icon::Exclamation ? "[注意] " : "";
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_err << mark << shown << Qt::endl;
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    const Answer yes = yesNo ? Answer::Yes : Answer::Ok;
    // Without a terminal a three-way question is cancelled, never answered No.
    const Answer no = buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    if (m_assumeYes) {
        m_err << (yesNo ? "→ はい (--yes)" : "→ OK (--yes)") << Qt::endl;
        return yes;
    }
    if (!isatty(fileno(stdin))) {
        m_err << (buttons == Buttons::YesNo ? "→ いいえ（端末がないため）" : "→ キャンセル（端末がないため）")
              << Qt::endl;
        return no;
    }
    m_err << (yesNo ? "はい/いいえ [y/N]: " : "OK/キャンセル [y/N]: ") << Qt::flush;
    char line[64] = {0};
    if (!std::fgets(line, sizeof line, stdin))
        return no;
    return (line[0] == 'y' || line[0] == 'Y') ? yes : no;
}

} // namespace tera
