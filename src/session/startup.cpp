#include "session/startup.h"

#include "transcribe/kako_rnd.h"
#include "transcribe/pair_files.h"
#include "transcribe/run_lock.h"
#include "transcribe/transcribe.h"

#include "session/master_data_reading.h"
#include "platform/database.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace tera {

namespace {

struct Candidate {
    const char *db;
    const char *kako;
};

// The usual install folders of the temple product, in the order tried.
const Candidate kCandidates[] = {
    {"Program Files\\カリンデ総合版\\tera.mdb", "Program Files\\カリンデ総合版\\kako.rnd"},
    {"Program Files\\カリンデ\\tera.mdb", "Program Files\\カリンデ\\kako.rnd"},
    {"Program Files\\架燐手\\tera.mdb", "Program Files\\架燐手\\kako.rnd"},
    {"カリンデ総合版\\tera.mdb", "カリンデ総合版\\kako.rnd"},
    {"カリンデ\\tera.mdb", "カリンデ\\kako.rnd"},
    {"架燐手\\tera.mdb", "架燐手\\kako.rnd"},
};

bool rootUsesBackslash(const QString &root)
{
    return root.contains(QLatin1Char('\\'));
}

QString joinRoot(const QString &root, const char *relative)
{
    QString rel = QString::fromUtf8(relative);
    // The candidates are written with backslashes; a root of this platform's
    // own form takes them with slashes.
    if (!rootUsesBackslash(root))
        rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return root + rel;
}

} // namespace

bool fileExistsExactly(const QString &path)
{
    if (path.trimmed().isEmpty())
        return false;
    const QFileInfo fi(path);
    return fi.exists() && fi.isFile();
}

QString programRoot(const QString &appPath)
{
    // A drive letter: its first three characters, as C:\ .
    if (appPath.size() >= 3 && appPath.at(1) == QLatin1Char(':')
        && (appPath.at(2) == QLatin1Char('\\') || appPath.at(2) == QLatin1Char('/')))
        return appPath.left(3);
    QString root = QStorageInfo(appPath).rootPath();
    if (root.isEmpty())
        root = QDir(appPath).rootPath();
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

QString LocateDatabase(const QString &root, QString &kakoPath, const FileExists &exists)
{
    for (const Candidate &c : kCandidates) {
        const QString path = joinRoot(root, c.db);
        if (exists(path)) {
            kakoPath = joinRoot(root, c.kako);
            return path;
        }
    }
    kakoPath.clear();
    return QString();
}

QString databaseFolder(const QString &dbPath)
{
    const int cut = std::max(dbPath.lastIndexOf(QLatin1Char('\\')), dbPath.lastIndexOf(QLatin1Char('/')));
    return cut < 0 ? QString() : dbPath.left(cut + 1);
}

void ReadMasterData(Database &db, AppState &state, Prompt &prompt)
{
    if (!ReadCategoryMaster(db, state.master))
        prompt.message(kSystemDataUnreadable, Icon::None);
    ReadServiceMaster(db, state.master);
}

void DeriveSiblingPaths(AppState &state)
{
    const QString folder = databaseFolder(state.files.database);
    if (state.files.kako.isEmpty())
        state.files.kako = folder + QStringLiteral("kako.rnd");
    state.files.kakoBackup = folder + QStringLiteral("kako2.rnd");
    state.files.databaseBackup = folder + QStringLiteral("tera2.mdb");
}

void SettleLeftSteps(const DatabaseFiles &files, Prompt &prompt)
{
    if (Database::isConnectionString(files.database))
        return;
    RunLock lock(files.database);
    QString refusal;
    if (!lock.tryTake(refusal))
        return; // a run goes on: it finishes what it finds itself
    try {
        for (const QString &note : SettlePairFiles(files))
            prompt.message(note, Icon::Information);
    } catch (const KakoRndError &e) {
        prompt.message(e.message(), Icon::Exclamation);
    }
}

void RunStartup(AppState &state, Prompt &prompt, LocationDialog &dialog, const StartupOptions &options)
{
    try {
        // The windows resolve the names they make against this folder
        // themselves; the process's working folder stays the user's.
        state.files.appFolder = options.appPath;

        if (!options.givenDbPath.isEmpty()) {
            state.files.database = options.givenDbPath;
            state.files.kako.clear();
        } else {
            const QString root = options.searchRoot.isEmpty() ? programRoot(state.files.appFolder) : options.searchRoot;
            state.files.database = LocateDatabase(root, state.files.kako, options.exists);
        }

        if (state.files.database.trimmed().isEmpty()) {
            const bool cancelled = dialog.showLocationDialog(state);
            if (cancelled) {
                prompt.message(StartupText::kCancelled, Icon::Exclamation);
                throw EndProgram();
            }
        }

        DeriveSiblingPaths(state);

        if (!options.exists(state.files.database)) {
            prompt.message(StartupText::kNoDatabase, Icon::Exclamation);
            throw EndProgram();
        }

        SettleLeftSteps(state.files, prompt);
        std::unique_ptr<Database> db = Database::open(state.files.database);
        ReadMasterData(*db, state, prompt);
        db->close();
    } catch (const DbError &e) {
        prompt.message(DatabaseOpenFailure(e), Icon::Exclamation);
        throw EndProgram();
    }
}

QString DatabaseOpenFailure(const DbError &e)
{
    if (e.cause() == DbError::Cause::Lock)
        return TranscribeText::lockedOut(TranscribeOptions().lockWaitMs);
    if (e.cause() != DbError::Cause::None)
        return TranscribeText::cannotWrite(e.description(), e.cause());
    return StartupText::kDatabaseFault;
}

} // namespace tera
