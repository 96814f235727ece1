// Transcription speed against the engine itself.
//
//   ./build/bench/bench_transcribe [N]        (N death-register rows, default 30000)
//
// Builds the death register of bench_data.h (a demo database with donors,
// N rows of realistic text), keeps a copy of the database as it was before
// the run, and transcribes the rows through the driver. The yardstick is the
// sqlite3 shell (/usr/bin/sqlite3) replaying the very rows the run wrote to
// W_KAKO, W_KAIKI, D_OMAIRI, M_お参り, D_SETAI and D_KOJIN (every column;
// rows new or changed by the run, a changed row as INSERT OR REPLACE) into
// that copy in one transaction: the time of the sqlite3 process is what the
// engine needs for the same rows. Prints the run's rows/s over the tenth of
// the run that ends at 10 %, 50 % and 100 %, its peak memory (VmHWM) there,
// the plain inserts through the program's own database wrapper, and on the
// last line the ratio to the sqlite3 load, of wall and of CPU time (target:
// at most 2).
#include "bench_data.h"

#include "model/import_table.h"
#include "platform/clock.h"
#include "transcribe/progress.h"
#include "transcribe/transcribe.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace tera;

namespace {

const char *const kTables[] = {"W_KAKO", "W_KAIKI", "D_OMAIRI", "M_お参り", "D_SETAI", "D_KOJIN"};

// Notes the time and the peak memory at every tenth of the run.
class TenthsProgress : public ProgressObserver {
public:
    TenthsProgress() { timer.start(); }
    void progress(int value, int maximum, const QString &) override
    {
        ++calls;
        if (maximum <= 0 || value <= 0)
            return;
        const int tenth = value * 10 / maximum;
        if (tenth > lastTenth) {
            lastTenth = tenth;
            marks << Mark{tenth, value, timer.nsecsElapsed() / 1e9, bench::memoryKb("VmHWM:")};
        }
    }
    // Rows per second over the tenth of the run that ends at tenth, and the
    // peak memory by then.
    QString at(int tenth, int rows, double endSeconds, long endPeakKb) const
    {
        Mark end{10, rows, endSeconds, endPeakKb};
        Mark start{0, 0, 0, 0};
        for (const Mark &m : marks) {
            if (m.tenth == tenth - 1)
                start = m;
            if (m.tenth == tenth && tenth < 10)
                end = m;
        }
        const double rate = (end.row - start.row) / qMax(1e-9, end.seconds - start.seconds);
        return QStringLiteral("%1 %: %2 rows/s, peak %3 MB").arg(tenth * 10).arg(rate, 0, 'f', 0).arg(end.peakKb / 1024);
    }

    struct Mark {
        int tenth;
        int row;
        double seconds;
        long peakKb;
    };
    QElapsedTimer timer;
    QList<Mark> marks;
    int lastTenth = 0;
    qint64 calls = 0;
};

// CPU seconds of this process or of its finished children: the machine may
// be shared, and wall time then says little.
double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the sqlite3 shell on database with script as its input; false (and
// a message) when it fails.
bool runShell(const QString &shell, const QString &database, const QString &script, const QString &output)
{
    QProcess p;
    p.setStandardInputFile(script);
    if (!output.isEmpty())
        p.setStandardOutputFile(output);
    p.start(shell, {QStringLiteral("-batch"), QStringLiteral("-bail"), database});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 failed: %s\n", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The rows the run wrote (every row new or changed since before), as the
// shell's own INSERT OR REPLACE statements in one transaction at replayPath.
// Counts them, in all and per table; false when a step fails.
bool writeReplayScript(const QString &shell, const QTemporaryDir &dir, const QString &dbPath, const QString &before,
                       const QString &replayPath, qint64 &replayRows, QHash<QByteArray, qint64> &perTable)
{
    QByteArray select = "ATTACH '" + before.toUtf8() + "' AS b;\n";
    for (const char *table : kTables)
        select += QByteArray(".mode insert \"") + table + "\"\nSELECT * FROM main.\"" + table + "\" EXCEPT SELECT * FROM b.\""
                  + table + "\";\n";
    const QString selectPath = dir.filePath(QStringLiteral("select.sql"));
    const QString rowsPath = dir.filePath(QStringLiteral("rows.sql"));
    if (!writeFile(selectPath, select) || !runShell(shell, dbPath, selectPath, rowsPath))
        return false;
    QFile rowsFile(rowsPath);
    if (!rowsFile.open(QIODevice::ReadOnly))
        return false;
    // Written as it is read: the rows of a large run are hundreds of MB.
    QFile replay(replayPath);
    if (!replay.open(QIODevice::WriteOnly | QIODevice::Truncate) || replay.write("BEGIN;\n") < 0)
        return false;
    while (!rowsFile.atEnd()) {
        QByteArray line = rowsFile.readLine();
        if (line.startsWith("INSERT INTO ")) {
            // A row the run changed replaces the row it had before.
            line.replace(0, 12, "INSERT OR REPLACE INTO ");
            ++replayRows;
            const int name = 23;
            QByteArray table = line.mid(name, line.indexOf(" VALUES(", name) - name);
            if (table.startsWith('"'))
                table = table.mid(1, table.size() - 2);
            ++perTable[table];
        }
        if (replay.write(line) != line.size())
            return false;
    }
    return replay.write("COMMIT;\n") >= 0 && replay.flush();
}

// Seconds of the program's own wrapper inserting the run's rows into a copy
// of the database as it was before: the yardstick of earlier versions, kept
// to compare with them. Read in slices and inserted slice by slice, only the
// inserts timed, so that the yardstick never holds the whole run in memory.
double plainInsertSeconds(const QString &dbPath, const QString &before, const QString &plainPath)
{
    constexpr int kSlice = 20000;
    auto source = Database::open(dbPath);
    source->exec(QStringLiteral("ATTACH ? AS b"), {before}).finish();
    auto db = Database::open(plainPath);
    QElapsedTimer inserting;
    qint64 insertNs = 0;
    db->beginTransaction();
    for (const char *table : kTables) {
        const QString name = QString::fromUtf8(table);
        const QStringList columns = source->columnsOf(name);
        const QString sql = QStringLiteral("INSERT OR REPLACE INTO [%1] VALUES (%2)")
                                .arg(name, QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        Query q = source->exec(QStringLiteral("SELECT * FROM main.[%1] EXCEPT SELECT * FROM b.[%1]").arg(name));
        QList<QVariantList> slice;
        bool more = true;
        while (more) {
            slice.clear();
            while (slice.size() < kSlice && (more = q.next())) {
                QVariantList row;
                for (const QString &c : columns)
                    row << q.value(c);
                slice << row;
            }
            inserting.start();
            for (const QVariantList &row : std::as_const(slice))
                db->execute(sql, row);
            insertNs += inserting.nsecsElapsed();
        }
        q.finish();
    }
    inserting.start();
    db->commit();
    insertNs += inserting.nsecsElapsed();
    return insertNs / 1e9;
}

// What one side of the comparison took.
struct Timing {
    double seconds = 0;
    double cpu = 0;
};

void printFigures(int n, const TranscribeReport &report, const TenthsProgress &progress, const Timing &driver,
                  long driverPeakKb, qint64 replayRows, const QHash<QByteArray, qint64> &perTable, const Timing &shell,
                  double plainSeconds)
{
    QStringList tables;
    for (const char *table : kTables)
        tables << QStringLiteral("%1 %2").arg(QString::fromUtf8(table)).arg(perTable.value(table));
    std::printf("rows: %d (written %d, skipped %lld, outcome %d)\n", n, report.rowsWritten,
                qint64(report.skipped.size() + report.rolledBack.size()), int(report.outcome));
    std::printf("database rows the run wrote: %lld (%s)\n", replayRows, qPrintable(tables.join(QStringLiteral(", "))));
    std::printf("transcribe: %.2f s (CPU %.2f s), %.0f rows/s, %.0f database rows/s, %lld progress calls\n", driver.seconds,
                driver.cpu, n / driver.seconds, replayRows / driver.seconds, progress.calls);
    std::printf("rows/s and peak memory: %s; %s; %s\n", qPrintable(progress.at(1, n, driver.seconds, driverPeakKb)),
                qPrintable(progress.at(5, n, driver.seconds, driverPeakKb)),
                qPrintable(progress.at(10, n, driver.seconds, driverPeakKb)));
    std::printf("sqlite3 shell replaying the same rows in one transaction: %.2f s (CPU %.2f s)\n", shell.seconds, shell.cpu);
    std::printf("plain inserts of the same rows through the program's wrapper: %.2f s; ratio transcribe/plain: %.2f\n",
                plainSeconds, driver.seconds / plainSeconds);
    std::printf("ratio transcribe/sqlite3: %.2f (CPU %.2f)\n", driver.seconds / shell.seconds, driver.cpu / shell.cpu);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? QByteArray(argv[1]).toInt() : 30000;
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty()) {
        std::fprintf(stderr, "the sqlite3 shell is missing (Debian package sqlite3; scripts/setup.sh installs it)\n");
        return 2;
    }
    QTemporaryDir dir;
    bench::SilentPrompt prompt;
    bench::DeathRegisterBench b;
    bench::MakeDeathRegisterBench(dir.path(), n, b, prompt);
    const QString before = dir.filePath(QStringLiteral("before.db"));
    if (!QFile::copy(b.dbPath, before)) {
        std::fprintf(stderr, "cannot copy the database\n");
        return 2;
    }

    FixedClock clock(QDate(2024, 5, 10));
    TenthsProgress progress;
    QElapsedTimer timer;
    timer.start();
    const double ownCpuBefore = cpuSeconds(RUSAGE_SELF);
    const TranscribeReport report = Transcribe(ImportTable(b.grid), b.state.runSettings(), b.state.master, prompt, clock, &progress);
    const Timing driver{timer.nsecsElapsed() / 1e9, cpuSeconds(RUSAGE_SELF) - ownCpuBefore};
    const long driverPeakKb = bench::memoryKb("VmHWM:");

    const QString replayPath = dir.filePath(QStringLiteral("replay.sql"));
    qint64 replayRows = 0;
    QHash<QByteArray, qint64> perTable;
    if (!writeReplayScript(shell, dir, b.dbPath, before, replayPath, replayRows, perTable))
        return 2;
    // The shell and the wrapper each load into a copy of the database as it
    // was before the run.
    const QString shellTarget = dir.filePath(QStringLiteral("replayed.db"));
    const QString plainPath = dir.filePath(QStringLiteral("plain.db"));
    if (!QFile::copy(before, shellTarget) || !QFile::copy(before, plainPath))
        return 2;
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    timer.restart();
    if (!runShell(shell, shellTarget, replayPath, QString()))
        return 2;
    const Timing shellTiming{timer.nsecsElapsed() / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
    const double plainSeconds = plainInsertSeconds(b.dbPath, before, plainPath);

    printFigures(n, report, progress, driver, driverPeakKb, replayRows, perTable, shellTiming, plainSeconds);
    return report.ok() ? 0 : 1;
}
