#pragma once
#include <QObject>
#include <QtGlobal>
#include <functional>
#include <utility>

class QKeyEvent;
class QLineEdit;

namespace tera {

// Character codes of the keys FilterNumKey lets through unchanged.
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;

// The platform's beep.
void Beep();

// The keystroke rule of every numeric box of the grid dialogs. keyAscii is the
// typed character; lower and upper bound the number the box may hold (a
// negative lower bound becomes 0 and a negative upper bound 2147483647, in the
// caller's variables). Enter and Backspace pass; a digit passes when the text
// it makes (replacing the selection, else appended at the end) is a whole
// number within the bounds, and is refused with a beep when that number is
// out of range or too large; anything else is refused silently. A refused key
// comes back as 0 and the result is true.
bool FilterNumKey(const QLineEdit &box, int &keyAscii, qint32 &lower, qint32 &upper,
                  const std::function<void()> &beep = Beep);

// Puts FilterNumKey in front of a line edit: refused keys never reach it.
// bounds is asked at every key, so the limits follow the table. Pasting,
// dropping and the input method are switched off on the box, since they
// would bring in text that was never typed.
class NumKeyFilter : public QObject {
    Q_OBJECT
public:
    using Bounds = std::function<std::pair<qint32, qint32>()>;
    NumKeyFilter(QLineEdit *box, Bounds bounds, std::function<void()> beep);

    // When set, an accepted Enter is swallowed and this runs instead.
    std::function<void()> onEnter;

    // The character code a key press stands for; 0 for keys that type
    // nothing (arrows, Delete, function keys), which pass untouched.
    static int keyAsciiOf(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_box;
    Bounds m_bounds;
    std::function<void()> m_beep;
};

} // namespace tera
