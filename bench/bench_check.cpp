// The check before writing against the transcription it checks.
//
//   ./build/bench/bench_check [N]        (N death-register rows, default 30000)
//
// Builds the death register of bench_transcribe, runs the check on it, then
// transcribes the same rows into the same database. Prints both times and
// their ratio (target: the check at most half the transcription).
#include "bench_data.h"

#include "model/import_table.h"
#include "platform/clock.h"
#include "transcribe/check_run.h"
#include "transcribe/transcribe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace tera;

namespace {
// The process's own CPU time: the machine may be shared, and wall time
// then says little.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? QByteArray(argv[1]).toInt() : 30000;
    QTemporaryDir dir;
    bench::SilentPrompt prompt;
    bench::DeathRegisterBench b;
    bench::MakeDeathRegisterBench(dir.path(), n, b, prompt);
    FixedClock clock(QDate(2024, 5, 10));

    QElapsedTimer timer;
    timer.start();
    double cpu = cpuSeconds();
    const CheckReport check = CheckTranscription(ImportTable(b.grid), b.state.runSettings(), b.state.master, clock);
    const double checkSeconds = timer.nsecsElapsed() / 1e9;
    const double checkCpu = cpuSeconds() - cpu;
    const long checkPeakKb = bench::memoryKb("VmHWM:");

    timer.restart();
    cpu = cpuSeconds();
    const TranscribeReport run = Transcribe(ImportTable(b.grid), b.state.runSettings(), b.state.master, prompt, clock);
    const double runSeconds = timer.nsecsElapsed() / 1e9;
    const double runCpu = cpuSeconds() - cpu;

    std::printf("rows: %d; check: made %d, would write %d, %lld findings; transcribe: wrote %d, outcome %d\n", n,
                int(check.made), check.rowsWrittenBeforeStop(), qint64(check.findings.size()), run.rowsWritten,
                int(run.outcome));
    std::printf("check: %.2f s (CPU %.2f s), %.0f rows/s, peak memory by its end %ld MB\n", checkSeconds, checkCpu,
                n / checkSeconds, checkPeakKb / 1024);
    std::printf("transcribe: %.2f s (CPU %.2f s), %.0f rows/s\n", runSeconds, runCpu, n / runSeconds);
    std::printf("ratio check/transcribe: %.2f (CPU %.2f)\n", checkSeconds / runSeconds, checkCpu / runCpu);
    return check.made && run.ok() ? 0 : 1;
}
