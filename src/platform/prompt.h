#pragma once
#include <QString>
#include <exception>

namespace tera {

// Every message box and question of the system goes through this interface:
// the windows show message boxes, the command line uses the terminal, tests
// use a scripted fake that records the texts.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Exclamation, Critical, Question, Information };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows text with the given buttons and icon and returns the answer.
    virtual Answer ask(const QString &text, Buttons buttons, Icon icon) = 0;
    // A question whose box carries a caption of its own instead of the
    // application's title; prompts without captions ask it plainly.
    virtual Answer askWithCaption(const QString &text, const QString &caption, Buttons buttons, Icon icon)
    {
        Q_UNUSED(caption);
        return ask(text, buttons, icon);
    }
    // A question whose default button (the one Enter presses) gives
    // preferred: いいえ for a question whose はい deletes data. Prompts
    // without a default ask it plainly.
    virtual Answer askWithDefault(const QString &text, Buttons buttons, Icon icon, Answer preferred)
    {
        Q_UNUSED(preferred);
        return ask(text, buttons, icon);
    }
    // The error beep that goes with some reports; silent where there is no sound.
    virtual void beep() {}
    // A plain message with an OK button.
    void message(const QString &text, Icon icon = Icon::None) { ask(text, Buttons::Ok, icon); }
};

// Shows nothing and answers every Yes/No question the same way (OK to the
// rest): for runs on scratch copies and for drawing pictures, where no one is
// there to ask and what the messages say is reported otherwise.
class QuietPrompt : public Prompt {
public:
    explicit QuietPrompt(Answer toQuestions) : m_answer(toQuestions) {}
    Answer ask(const QString &, Buttons buttons, Icon) override
    {
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? m_answer : Answer::Ok;
    }

private:
    Answer m_answer;
};

// "End the program": thrown where a rule ends the program, caught only at the
// top level, which closes what is open and shuts down cleanly.
class EndProgram : public std::exception {
public:
    explicit EndProgram(int code = 1) : m_code(code) {}
    int code() const { return m_code; }
    const char *what() const noexcept override { return "end of program requested"; }

private:
    int m_code;
};

} // namespace tera
