#pragma once
#include "session/import_session.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace tera {
class ImportSession;
class Prompt;

// The end of a run in the windows: the run report is written beside the
// database, and the closing note offers to open it ("レポートを開きますか？",
// Yes/No). A run that the user stopped at a question gets its report but no
// note; a run that ended the program, only its report. Returns the report's
// path (empty when it could not be written; the note then says why).
// openReport returns false when no program could open the report: the user
// is then told where it is.
QString FinishRunInWindow(Prompt &prompt, const TranscribeReport &report, const ImportSession &session,
                          const QDateTime &started, const std::function<bool(const QString &)> &openReport);

// The note itself: the summary (RunSummaryText) or, after a failure, a line
// that the report holds the details; then the report's path and the question.
QString RunReportOfferText(const TranscribeReport &report, const QString &reportPath);

// Opens a file with the program the desktop has for it; false when there is
// none.
bool OpenWithDesktop(const QString &path);

// The note when the report could not be opened: where it is.
QString ReportNotOpenedText(const QString &reportPath);

} // namespace tera
