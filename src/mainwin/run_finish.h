#pragma once
#include "transcribe/transcribe.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace tera {
struct AppState;
class Prompt;

// The end of a run in the windows: the run report is written beside the
// database, and the closing note offers to open it ("レポートを開きますか？",
// Yes/No). A run that the user stopped at a question gets its report but no
// note; a run that ended the program, only its report. Returns the report's
// path (empty when it could not be written; the note then says why).
QString FinishRunInWindow(Prompt &prompt, const TranscribeReport &report, const AppState &state,
                          const QDateTime &started, const std::function<void(const QString &)> &openReport);

// The note itself: the summary (RunSummaryText) or, after a failure, a line
// that the report holds the details; then the report's path and the question.
QString RunReportOfferText(const TranscribeReport &report, const QString &reportPath);

// Opens a file with the program the desktop has for it.
void OpenWithDesktop(const QString &path);

} // namespace tera
