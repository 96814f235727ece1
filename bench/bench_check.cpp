// The check before writing against the transcription it checks.
//
//   ./build/bench/bench_check [N]        (N death-register rows, default 30000)
//
// Builds the death register of bench_transcribe, runs the check on it, then
// transcribes the same rows into the same database. Prints both times and
// their ratio (target: the check at most half the transcription).
#include "bench_data.h"

#include "platform/clock.h"
#include "transcribe/check_run.h"
#include "transcribe/transcribe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace tera;

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
    const CheckReport check = CheckTranscription(b.grid, b.state, clock);
    const double checkSeconds = timer.nsecsElapsed() / 1e9;
    const long checkPeakKb = bench::memoryKb("VmHWM:");

    timer.restart();
    const TranscribeReport run = Transcribe(b.grid, b.state, prompt, clock);
    const double runSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("rows: %d; check: made %d, would write %d, %lld findings; transcribe: wrote %d, outcome %d\n", n,
                int(check.made), check.rowsWrittenBeforeStop(), qint64(check.findings.size()), run.rowsWritten,
                int(run.outcome));
    std::printf("check: %.2f s, %.0f rows/s, peak memory by its end %ld MB\n", checkSeconds, n / checkSeconds,
                checkPeakKb / 1024);
    std::printf("transcribe: %.2f s, %.0f rows/s\n", runSeconds, n / runSeconds);
    std::printf("ratio check/transcribe: %.2f\n", checkSeconds / runSeconds);
    return check.made && run.ok() ? 0 : 1;
}
