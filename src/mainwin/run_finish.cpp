#include "mainwin/run_finish.h"

#include "session/import_session.h"
#include "mainwin/progress_window.h"
#include "platform/prompt.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace tera {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

QString RunReportOfferText(const TranscribeReport &report, const QString &reportPath)
{
    QString text = RunSummaryText(report);
    if (text.isEmpty())
        text = QStringLiteral("転記の経過を転記レポートに書きました。");
    return text + kCrLf + kCrLf + QStringLiteral("転記レポート: %1").arg(QDir::toNativeSeparators(reportPath)) + kCrLf
           + QStringLiteral("レポートを開きますか？");
}

QString FinishRunInWindow(Prompt &prompt, const TranscribeReport &report, const ImportSession &session,
                          const QDateTime &started, const std::function<bool(const QString &)> &openReport)
{
    QString error;
    const QString path = session.writeReport(report, started, &error);
    using Outcome = TranscribeReport::Outcome;
    // The refusal of a busy database has been said already.
    const bool stoppedByUser = report.outcome == Outcome::BackupDeclined || report.outcome == Outcome::ReplaceDeclined
                               || report.outcome == Outcome::Locked;
    if (stoppedByUser || report.outcome == Outcome::Ended)
        return path;
    if (path.isEmpty()) {
        QString text = RunSummaryText(report);
        text += (text.isEmpty() ? QString() : kCrLf + kCrLf) + QStringLiteral("転記レポートを書けません: %1").arg(error);
        prompt.message(text, report.ok() ? Icon::Information : Icon::Exclamation);
        return path;
    }
    if (prompt.ask(RunReportOfferText(report, path), Buttons::YesNo, Icon::Information) == Answer::Yes && openReport
        && !openReport(path))
        prompt.message(ReportNotOpenedText(path), Icon::Exclamation);
    return path;
}

bool OpenWithDesktop(const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

QString ReportNotOpenedText(const QString &reportPath)
{
    return QStringLiteral("転記レポートを開くプログラムが見つからないため、開けませんでした。") + kCrLf
           + QStringLiteral("転記レポートは次の場所にあります（メモ帳などのテキストエディタで開けます）:") + kCrLf
           + QDir::toNativeSeparators(reportPath);
}

} // namespace tera
