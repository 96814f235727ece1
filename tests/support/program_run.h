#pragma once
// Running the program itself from a test, as a script or a user would, and
// the small reads that follow such a run.
#include "platform/database.h"

#include <QDir>
#include <QFile>
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
// A run still going after timeoutMs is reported with code -1. folder, when
// given, is the program's working folder.
// This process's environment without any display: a program started with it
// finds no screen, whatever the session running the tests has.
inline QProcessEnvironment headlessEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}

inline ProgramRun runTera(const QStringList &args, const std::function<void()> &inChild, int timeoutMs = 120000,
                          const QString &folder = QString())
{
    QProcess p;
    p.setProcessEnvironment(headlessEnvironment());
    p.setStandardInputFile(QProcess::nullDevice());
    if (inChild)
        p.setChildProcessModifier(inChild);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
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

// A UTF-8 death-register source of rows entries (titles 戒名,俗名,施主名,
// 没年月日; 40 donors, dates spread over 70 years) in dir; its links are
// 0:10 1:11 2:12 3:1.
inline QString writeDeathSource(const QString &dir, int rows)
{
    const QString path = dir + QStringLiteral("/death.csv");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QByteArray text = "戒名,俗名,施主名,没年月日\r\n";
    for (int i = 1; i <= rows; ++i)
        text += QStringLiteral("釋浄%1,故人%1,施主%2,%3年%4月%5日\r\n")
                    .arg(i)
                    .arg(i % 40)
                    .arg(1950 + i % 70)
                    .arg(1 + i % 12)
                    .arg(1 + i % 28)
                    .toUtf8();
    f.write(text);
    return path;
}

// A file of the project's examples/ folder.
inline QString example(const char *name)
{
    return QStringLiteral(TERA_SOURCE_DIR "/examples/") + QString::fromLatin1(name);
}

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

// A workbook of tests/data/spreadsheets.
inline QString workbook(const char *name)
{
    return QStringLiteral(TERA_SOURCE_DIR "/tests/data/spreadsheets/") + QString::fromUtf8(name);
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

// The "v" column of every row of a query on the database file at dbPath.
inline QStringList columnIn(const QString &dbPath, const QString &sql)
{
    auto db = Database::open(dbPath);
    Query q = db->exec(sql);
    QStringList out;
    while (q.next())
        out << q.text(QStringLiteral("v"));
    q.finish();
    return out;
}

// The text of the newest run report in dir; empty when there is none.
inline QString newestRunReport(const QString &dir)
{
    const QStringList names = QDir(dir).entryList({QStringLiteral("import-report-*.txt")}, QDir::Files, QDir::Time);
    return names.isEmpty() ? QString() : QString::fromUtf8(readAll(QDir(dir).filePath(names.first())));
}

// The links of examples/death-register.*.csv as a person makes them by hand,
// as --link takes them (L:R).
inline const QStringList kDeathLinks = {QStringLiteral("0:10"), QStringLiteral("1:9"),   QStringLiteral("2:11"),
                                        QStringLiteral("3:1"),  QStringLiteral("4:2"),   QStringLiteral("5:7"),
                                        QStringLiteral("6:12"), QStringLiteral("7:13"),  QStringLiteral("8:22"),
                                        QStringLiteral("9:23"), QStringLiteral("10:24"), QStringLiteral("11:25")};

// --link for each L:R pair.
inline QStringList linkArgs(const QStringList &pairs)
{
    QStringList out;
    for (const QString &p : pairs)
        out << QStringLiteral("--link") << p;
    return out;
}

// An import command (transcribe, check) of source into db as kind, with a
// title line and a fixed today; the links are added by the caller.
inline QStringList importArgs(const char *command, const QString &db, const QString &source, const char *kind,
                              const char *mode = "append")
{
    return {QString::fromLatin1(command), QStringLiteral("--db"),   db,
            QStringLiteral("--source"),   source,                   QStringLiteral("--kind"),
            QString::fromLatin1(kind),    QStringLiteral("--mode"), QString::fromLatin1(mode),
            QStringLiteral("--title"),    QStringLiteral("--today"), QStringLiteral("2024-05-10")};
}

// An import command over writeDeathSource's file with its links, answering
// every question yes.
inline QStringList deathSourceArgs(const char *command, const QString &db, const QString &source)
{
    return importArgs(command, db, source, "death")
           << linkArgs({QStringLiteral("0:10"), QStringLiteral("1:11"), QStringLiteral("2:12"), QStringLiteral("3:1")})
           << QStringLiteral("--yes");
}

} // namespace tera
