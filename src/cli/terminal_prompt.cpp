#include "cli/terminal_prompt.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace tera {

namespace {

// One line from standard input in the terminal's encoding, without its line
// end; false at the end of input. An overlong line is read to its end and cut.
bool readLine(QString &line)
{
    std::string bytes;
    for (int c; (c = std::fgetc(stdin)) != EOF;) {
        if (c == '\n') {
            line = QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
            return true;
        }
        if (bytes.size() < 256)
            bytes.push_back(char(c));
    }
    line = QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
    return !bytes.empty();
}

} // namespace

TypedAnswer ReadTypedAnswer(const QString &line)
{
    // NFKC folds the full-width letters a Japanese input method types
    // (ｙ, ＮＯ) into plain ones.
    const QString answer = line.normalized(QString::NormalizationForm_KC).trimmed().toCaseFolded();
    static const QStringList yes = {QStringLiteral("はい"), QStringLiteral("y"), QStringLiteral("yes")};
    static const QStringList no = {QStringLiteral("いいえ"), QStringLiteral("n"), QStringLiteral("no")};
    if (yes.contains(answer))
        return TypedAnswer::Yes;
    if (no.contains(answer))
        return TypedAnswer::No;
    return TypedAnswer::Unclear;
}

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
    // An empty line takes the default shown in capitals; anything unclear
    // is asked again rather than guessed.
    for (;;) {
        m_err << (yesNo ? "はい/いいえ [y/N]: " : "OK/キャンセル [y/N]: ") << Qt::flush;
        QString line;
        if (!readLine(line))
            return no;
        if (line.trimmed().isEmpty())
            return no;
        switch (ReadTypedAnswer(line)) {
        case TypedAnswer::Yes:
            return yes;
        case TypedAnswer::No:
            return no;
        case TypedAnswer::Unclear:
            m_err << "はい か いいえ（y か n）で答えてください。" << Qt::endl;
            break;
        }
    }
}

} // namespace tera
