#include "platform/pause_hook.h"

#include <QByteArray>
#include <QFile>
#include <QThread>
#include <QtGlobal>

namespace tera {

void PauseHook(const char *point)
{
    static const QByteArray wanted = qgetenv("TERA_PAUSE_AT");
    static bool paused = false; // once per process: a test lets it go on
    if (paused || wanted.isEmpty() || wanted != point)
        return;
    paused = true;
    const QString signal = QFile::decodeName(qgetenv("TERA_PAUSE_SIGNAL"));
    if (signal.isEmpty())
        return;
    {
        QFile f(signal);
        if (!f.open(QIODevice::WriteOnly))
            return;
        f.write(point);
    }
    while (QFile::exists(signal))
        QThread::msleep(20);
}

} // namespace tera
