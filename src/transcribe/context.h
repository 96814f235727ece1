#pragma once
#include "model/master_data.h"
#include "model/run_settings.h"
#include "convert/era_calendar.h"
#include "convert/value_notice.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/prompt.h"
#include "transcribe/household_writer.h"
#include "transcribe/kako_rnd.h"
#include "transcribe/records.h"
#include "transcribe/row_failure.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>

namespace tera {

// The working texts of the cell assignment that live for a whole run: the
// era name and the digit texts last cut out of a date cell. They are not
// reset between rows, so an empty era cell keeps the previous row's era.
struct CellWorkingTexts {
    QString eraName;
    QString eraYearDigits;
    QString monthDigits;
    QString dayDigits;
};

// The member procedures end the program on a database failure; this is the
// critical message they show first.
inline const QString kMemberDbFailure = QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽが存在していません！もしくはﾃﾞｰﾀﾍﾞｰｽが壊れている可能性があります！")
                                        + QStringLiteral("\r\n") + QStringLiteral("安全の為ｼｽﾃﾑを終了します！");

// What one transcription run works on across its rows: the database, the
// settings, the master data, the prompt and the caches. The row being
// written (RowRecords) is no part of it: each step is handed that row.
struct TranscribeContext {
    TranscribeContext(Database &database, const RunSettings &runSettings, const MasterData &masterData,
                      Prompt &prompter, const Clock &today)
        : db(database), settings(runSettings), master(masterData), prompt(prompter), clock(today),
          kakoFile(runSettings.files.kako)
    {
    }

    Database &db; // open for the run
    const RunSettings &settings;
    // The run's own copy of the master data: the first-service rule sets
    // entry 6/7's OHi to 1 for the rest of the run, never in the master the
    // front ends hold.
    MasterData master;
    Prompt &prompt;
    const Clock &clock;
    CellWorkingTexts work;
    qint16 scheduleKind = 2; // written into the KSEI columns; 2 during every transcription
    KakoRndFile kakoFile;    // settings.files.kako
    // Set by a run that writes M_お参り once per household and commit.
    ServiceSelections *serviceSelections = nullptr;

    // Lookups of tables that a run never writes (M_年号, OMAIRI), kept for
    // the run: a large death register asks the same few questions tens of
    // thousands of times.
    QHash<qint16, EraYearAnswer> eraCache; // by Western year; read through eraYear()
    QHash<QString, EraRow> eraByName;      // by the name as written
    struct ServiceName {
        QString name;
        qint16 month = 0;
    };
    QHash<qint16, ServiceName> serviceNameCache;

    // M_年号's answer for a Western year, looked up once per run.
    const EraYearAnswer &eraYear(qint16 year)
    {
        auto it = eraCache.constFind(year);
        if (it == eraCache.constEnd())
            it = eraCache.insert(year, LookUpEraYear(db, year));
        return *it;
    }

    // Failures that the record writers trapped (and reported with
    // ReportWriterFailure) while writing the current row. The driver does not commit
    // a row that has any: the row is rolled back whole and reported.
    QStringList rowFailures;

    // Values of the current row stored other than they read, in column
    // order: the cell assignment adds them, the driver clears them with
    // each row.
    QList<ValueNotice> valueNotices;
    // The member just written existed already and was written over.
    bool memberUpdated = false;

    // A record writer's trap: the error report, then the run goes on with the
    // next step of the row, which will not be committed.
    void writerFailed(const DbError &error)
    {
        // A lock held by another program, a full disk, a read-only file: no
        // fault of the row. The driver waits for the lock and writes the row
        // again, or stops the run naming the cause.
        if (error.cause() != DbError::Cause::None)
            throw error;
        valueFailed(error.number(), error.description());
    }

    // A value the writer cannot store: reported as a writer's failure, under
    // the error number the product gives it.
    void valueFailed(qint32 number, const QString &description)
    {
        ReportWriterFailure(prompt, number, description);
        rowFailures << description;
    }

    // A lookup that failed is no "not found": a row written on that answer
    // could make a second household for a member who exists. The row stops
    // here, nothing after the lookup runs, and the driver rolls it back and
    // reports it (without a message of its own). what names the lookup.
    [[noreturn]] void lookupFailed(const QString &what, const DbError &error)
    {
        if (error.cause() != DbError::Cause::None)
            throw error;
        rowFailures << QStringLiteral("%1の検索に失敗しました: %2").arg(what, error.description());
        throw RowFailure{0, -1, rowFailures.join(QStringLiteral(" / "))};
    }

    // The member procedures' trap: the critical message, then the run ends
    // (the current row is rolled back by the driver) and so does the program.
    [[noreturn]] void endForMemberFailure(const DbError &error)
    {
        if (error.cause() != DbError::Cause::None)
            throw error;
        rowFailures << error.description();
        prompt.message(kMemberDbFailure, Icon::Critical);
        throw ProgramEndingFailure{error.description()};
    }
};

} // namespace tera
