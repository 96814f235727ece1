#pragma once
#include "model/app_state.h"
#include "platform/db_error.h"

#include <QString>
#include <functional>

namespace tera {
class Database;
class Prompt;

// The start-up messages, exactly as the temple's staff know them.
namespace StartupText {
inline const QString kCancelled = QStringLiteral("処理がｷｬﾝｾﾙされましたので、システムを終了します！");
inline const QString kNoDatabase = QStringLiteral("データーベースがありません！！システムを終了します！");
inline const QString kDatabaseFault = QStringLiteral("データーベースに障害が発生しました！！システムを終了します！");
} // namespace StartupText

// The location dialog frm確認 as start-up needs it; the windows show a real
// dialog, tests script one.
class LocationDialog {
public:
    virtual ~LocationDialog() = default;
    // Shows the dialog modally. A chosen file arrives in state.files.database.
    // Returns the cancel flag. Throws EndProgram when the user confirmed
    // ending the program with an empty path.
    virtual bool showLocationDialog(AppState &state) = 0;
};

using FileExists = std::function<bool(const QString &)>;
bool fileExistsExactly(const QString &path);

// Finishes, with a note through prompt, what a killed backup, restore or
// replace left half done beside the database, unless a run holds it.
// What the clerk is told when the database cannot be opened: another
// program's lock and a file that may not be written are named as what they
// are, anything else is the database's fault.
QString DatabaseOpenFailure(const DbError &e);

void SettleLeftSteps(const DatabaseFiles &files, Prompt &prompt);

// The drive root of the program folder (C:\ on Windows); on systems without
// drive letters, the root of the file system that holds the folder.
QString programRoot(const QString &appPath);

// Tries the six install folders under root; sets kakoPath with the hit (or
// empties it) and returns the database path or empty text.
QString LocateDatabase(const QString &root, QString &kakoPath, const FileExists &exists = fileExistsExactly);

// The database folder: the path up to and including its last separator
// (backslash, or slash on this platform), so E:\tera.mdb gives E:\ .
QString databaseFolder(const QString &dbPath);
// Derives files.kako (unless the search already set it), files.kakoBackup and
// files.databaseBackup from files.database.
void DeriveSiblingPaths(AppState &state);

// Reads the master data (M_KBN, OMAIRI) into state.master; an M_KBN that
// cannot be read is told with the system-data message.
void ReadMasterData(Database &db, AppState &state, Prompt &prompt);

struct StartupOptions {
    QString appPath;         // folder of the running program
    QString givenDbPath;     // a path given on the command line skips the search
    QString searchRoot;      // root for the search; empty: programRoot(appPath)
    FileExists exists = fileExistsExactly;
};

// The entry sequence up to (not including) showing the main window: locate,
// derive, open, read the master data, close. Throws EndProgram after showing
// the message of whatever ends the program.
void RunStartup(AppState &state, Prompt &prompt, LocationDialog &dialog, const StartupOptions &options);

} // namespace tera
