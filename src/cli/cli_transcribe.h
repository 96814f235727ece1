#pragma once
#include "platform/grid_model.h"
#include "session/import_session.h"
#include "transcribe/import_table_fill.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>

namespace tera {
class Clock;
class Prompt;

// The options of the batch commands that import a file.
struct ImportOptions {
    QString db;
    QString source;
    QString sheet; // --sheet: a workbook's sheet by name or number
    qint16 kind = -1;
    qint16 mode = -1;
    qint16 titleRows = 0;
    QList<DataLink> links;
    // --links FILE: a saved data link, which also gives the output kind and
    // the title option (--kind must then agree, and may be left out).
    QString linksFile;
    GridFileKind format = GridFileKind::Csv;
    bool formatGiven = false;
    TextEncoding encoding = TextEncoding::Auto;
    bool yes = false;
    QDate today;
    // --auto-link: link each column whose title names an item, as the
    // window's 自動リンク does; --link adds to those links or overrides them.
    bool autoLink = false;
    // --skip-duplicates: leave out the rows of an append run that repeat a
    // row the database holds, instead of writing them with a warning.
    bool skipDuplicates = false;
    // check only: --csv-encoding, the findings file in UTF-8 instead of CP932.
    bool csvUtf8 = false;
};

// Parses the options after the subcommand (--name VALUE or --name=VALUE;
// --link may repeat, any other option is given once); on a mistake returns
// false with the message in error. With checkCsv, check's --csv FILE is
// accepted too and its value lands there.
bool ParseImportOptions(const QStringList &args, ImportOptions &options, QString &error, QString *checkCsv = nullptr);

// Comma or tab, judged from the first line of the file: the separator that
// occurs more often outside quotes. Anything but a regular file is left
// unopened (and taken for CSV).
GridFileKind DetectSeparator(const QString &path);

// Reads the masters, loads the source file, checks the links and fills the
// import table, all through session, as the windows do before a run.
// Returns false after printing the reason to err (the database's messages
// through prompt); exitCode tells which.
bool PrepareImport(const ImportOptions &options, Prompt &prompt, QTextStream &err, ImportSession &session,
                   int &exitCode);

// "Today" as the options fix it (--today), else the system's.
std::unique_ptr<Clock> ClockFor(const ImportOptions &options);

// What an import command (transcribe, check) works with once it has started.
struct ImportCommand {
    ImportOptions options;
    std::unique_ptr<Prompt> prompt; // the terminal, answering as --yes says
    ImportSession session;
    std::unique_ptr<Clock> clock;
};

// Parses the options after the command and prepares the import as 読込実行
// does. Returns 0 when ready, otherwise the exit code after saying why on err
// (a mistake in the options is followed by usage).
int StartImportCommand(const QStringList &args, const char *usage, QTextStream &err, ImportCommand &command,
                       QString *checkCsv = nullptr);

int RunTranscribeCommand(const QStringList &args, QTextStream &out, QTextStream &err);

// The options shared by transcribe and check, as the usage shows them.
extern const char *const kImportOptionsUsage;

} // namespace tera
