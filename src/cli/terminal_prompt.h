#pragma once
#include "platform/prompt.h"

#include <QStringList>
#include <QTextStream>

namespace tera {

// The command line's prompt: messages go to the error stream; questions are
// answered Yes by --yes, otherwise asked on the terminal when there is one,
// and answered No when there is none.
class TerminalPrompt : public Prompt {
public:
    TerminalPrompt(QTextStream &err, bool assumeYes);
    Answer ask(const QString &text, Buttons buttons, Icon icon) override;
    QStringList transcript() const { return m_transcript; }

private:
    QTextStream &m_err;
    bool m_assumeYes;
    QStringList m_transcript;
};

} // namespace tera
