#pragma once
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace tera {

// What the command line asks the program to do, decided before any
// QApplication exists (creating one without a display aborts).
struct Launch {
    enum class Kind {
        Desktop,  // the windows; dbPath the database given, or empty to search
        Batch,    // a batch subcommand: runCli
        Refused,  // message on stderr, exit code
    };
    Kind kind = Kind::Refused;
    QString dbPath;
    QString message;
    int code = 0;
};

// args without the program name. Only a single argument that names an
// existing file starts the windows on it; a word that is no subcommand, an
// unknown option is refused with exit code 2.
Launch ChooseLaunch(const QStringList &args);

// Whether the windows can be shown: on X11/Wayland systems a display must be
// named (DISPLAY or WAYLAND_DISPLAY) or a platform chosen (QT_QPA_PLATFORM).
bool HasDisplay();
// Said on stderr when HasDisplay() is false; the program then exits with
// kNoDisplayExitCode.
QString NoDisplayMessage();
constexpr int kNoDisplayExitCode = 1;

// Runs the batch command line; returns the process exit code.
int runCli(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace tera
