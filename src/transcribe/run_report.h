#pragma once
#include "transcribe/transcribe.h"

#include <QDateTime>
#include <QString>

namespace tera {
struct RunSettings;

// The run report: a plain text file written beside the database after every
// transcription, so that what a run did can be looked up afterwards (which
// file, which rows were left out and why, which backups were made).

// What the report says about the run besides its TranscribeReport.
struct RunReportInfo {
    QDateTime started;
    QDateTime finished;
    QString sourcePath; // the file the import table came from (gSrcPath)
    QString sourceSheet; // its sheet, when it is a workbook
    QString dbPath;
    QString kakoPath;
    qint16 kind = 0;
    qint16 mode = 0;
};

// The info of a run over state, started at started and finished now.
RunReportInfo RunInfoFor(const RunSettings &state, const QDateTime &started);

// The names users see.
QString OutKindName(qint16 kind);
QString ExecModeName(qint16 mode);
QString OutcomeName(TranscribeReport::Outcome outcome);

// The report's text, lines joined by CR LF.
QString RunReportText(const TranscribeReport &report, const RunReportInfo &info);

// The report's file: "import-report-yyyyMMdd-HHmmss.txt" in the database's
// folder, with "-2", "-3", ... when a run of the same second has one.
QString RunReportPath(const QString &dbPath, const QDateTime &finished);
QString RunReportPathIn(const QString &folder, const QDateTime &finished);

// Writes the report (UTF-8 with a byte-order mark, so that Windows' Notepad
// reads it right). Returns the path, or empty text with the reason in error.
QString WriteRunReport(const TranscribeReport &report, const RunReportInfo &info, QString *error = nullptr);

} // namespace tera
