#pragma once
// Running the program itself from a test, as a script or a user would, and
// the small reads that follow such a run.
#include "platform/database.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace tera {

struct ProgramRun {
    int code = -1; // -1: did not finish in time; -2: crashed
    QString out;
    QString err;
};

// Runs tera-import with args, without a display and with no terminal on
// standard input (so a question is never answered by accident). inChild, when
// given, runs in the child just before the program starts (to set a limit).
// A run still going after timeoutMs is reported with code -1.
inline ProgramRun runTera(const QStringList &args, const std::function<void()> &inChild, int timeoutMs = 120000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.start(QStringLiteral(TERA_BINARY), args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline ProgramRun runTera(const QStringList &args, int timeoutMs = 120000) { return runTera(args, {}, timeoutMs); }

// A file of the project's examples/ folder.
inline QString example(const char *name)
{
    return QStringLiteral(TERA_SOURCE_DIR "/examples/") + QString::fromLatin1(name);
}

// The "n" column of a one-row query on the database file at dbPath.
inline qint64 countIn(const QString &dbPath, const QString &sql)
{
    auto db = Database::open(dbPath);
    Query q = db->exec(sql);
    q.next();
    const qint64 n = q.integer(QStringLiteral("n"));
    q.finish();
    return n;
}

} // namespace tera
