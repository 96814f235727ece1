#include "gridtools/num_key_filter.h"

#include "platform/grid_sort.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <cmath>
#include <limits>

namespace tera {

void Beep() { QApplication::beep(); }

bool FilterNumKey(const QLineEdit &box, int &keyAscii, qint32 &lower, qint32 &upper,
                  const std::function<void()> &beep)
{
    if (lower < 0)
        lower = 0;
    if (upper < 0)
        upper = std::numeric_limits<qint32>::max();

    const auto refuse = [&](bool withBeep) {
        if (withBeep && beep)
            beep();
        keyAscii = 0;
        return true;
    };

    if (keyAscii == kKeyEnter || keyAscii == kKeyBackspace)
        return false;
    if (keyAscii < '0' || keyAscii > '9')
        return refuse(false);

    const QString text = box.text();
    double number = 0;
    if (!text.isEmpty() && !ParseNumber(text, number))
        return refuse(false);

    const QChar digit = QChar(char16_t(keyAscii));
    QString candidate;
    if (box.hasSelectedText()) {
        const int start = box.selectionStart();
        candidate = text.left(start) + digit + text.mid(start + box.selectedText().size());
    } else {
        candidate = text + digit;
    }
    double value = 0;
    if (!ParseNumber(candidate, value) || !std::isfinite(value)
        || std::round(value) > double(std::numeric_limits<qint32>::max())
        || std::round(value) < double(std::numeric_limits<qint32>::min()))
        return refuse(true);
    const qint64 whole = qint64(std::llround(value));
    if (whole < lower || whole > upper)
        return refuse(true);
    return false;
}

NumKeyFilter::NumKeyFilter(QLineEdit *box, Bounds bounds, std::function<void()> beep)
    : QObject(box), m_box(box), m_bounds(std::move(bounds)), m_beep(std::move(beep))
{
    box->installEventFilter(this);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    box->setAcceptDrops(false);
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
}

int NumKeyFilter::keyAsciiOf(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyEnter;
    case Qt::Key_Backspace: return kKeyBackspace;
    // Keys that move, close or delete rather than type pass untouched.
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete: return 0;
    default: break;
    }
    // Pasting by key would bring in text that was never typed: it counts as
    // the control character Ctrl+V (22) and is refused like one.
    if (event.matches(QKeySequence::Paste))
        return 22;
    if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return 0;
    const QString text = event.text();
    if (text.isEmpty())
        return 0;
    return text.at(0).unicode();
}

bool NumKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    int keyAscii = keyAsciiOf(*key);
    if (keyAscii == 0)
        return false;
    auto [lower, upper] = m_bounds ? m_bounds() : std::pair<qint32, qint32>{0, -1};
    if (FilterNumKey(*m_box, keyAscii, lower, upper, m_beep))
        return true;
    if (keyAscii == kKeyEnter && onEnter) {
        onEnter();
        return true;
    }
    return false;
}

} // namespace tera
