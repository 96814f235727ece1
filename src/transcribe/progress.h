#pragma once
#include <QString>

namespace tera {

// What a long run tells the user while it works: the progress window in the
// windows, a bar on the terminal for the command line, nothing in tests.
class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    // A message without a gauge (the backup).
    virtual void status(const QString &text) { Q_UNUSED(text); }
    // The gauge: value of maximum, with the label text.
    virtual void progress(int value, int maximum, const QString &text)
    {
        Q_UNUSED(value);
        Q_UNUSED(maximum);
        Q_UNUSED(text);
    }
    // The run is over (the window is unloaded).
    virtual void finished() {}
    // Asked between rows: true stops the run after the current row.
    virtual bool cancelRequested() { return false; }
};

} // namespace tera
