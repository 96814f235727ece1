#pragma once
// What the documentation pictures share: a prompt that asks no one, letting
// pending paints run, and saving a window as PNG.
#include "platform/prompt.h"

#include <QString>
#include <QTextStream>

class QWidget;

namespace tera {

// Answers every Yes/No question the same way, OK to the rest, and shows
// nothing.
class PicturePrompt : public Prompt {
public:
    explicit PicturePrompt(Answer toQuestions) : m_answer(toQuestions) {}
    Answer ask(const QString &, Buttons buttons, Icon) override
    {
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? m_answer : Answer::Ok;
    }

private:
    Answer m_answer;
};

// Lets pending layout and paint events run.
void SettleEvents();

// Saves w as dir/name (PNG) and prints the path; false after a message on err.
bool SavePicture(QWidget *w, const QString &dir, const QString &name, QTextStream &out, QTextStream &err);

} // namespace tera
