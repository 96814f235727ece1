#pragma once
#include "platform/prompt.h"

#include <QStringList>
#include <QTextStream>

namespace tera {

// The command line's prompt: messages go to the error stream; questions are
// answered Yes by --yes, otherwise asked on the terminal when there is one,
// and answered No when there is none.
// A typed answer to a Yes/No question: はい, y, yes are Yes; いいえ, n, no are
// No, in any case and in full-width letters too (ｙ, ＹＥＳ). Anything else
// is neither, and the question is asked again.
enum class TypedAnswer { Yes, No, Unclear };
TypedAnswer ReadTypedAnswer(const QString &line);

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
