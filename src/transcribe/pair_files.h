#pragma once
#include <QList>
#include <QString>
#include <QStringList>

class QFileDevice;
class QTemporaryFile;

namespace tera {
struct DatabaseFiles;

// tera.mdb and kako.rnd are one pair, and so are their backups tera2.mdb and
// kako2.rnd. A step that moves both (backup, restore, the deletions of a
// replace run) cannot move them in one rename, so it first writes down what
// it is about to do in a small manifest beside kako.rnd (kako.rnd.pair),
// whole and on disk, and removes it when it is done. Whoever comes next under
// the run lock (a run, a check, a restore, the start of the program) finds a
// manifest only when the step was killed, and finishes it: the pair then
// belongs to one state, never half to each.

// A copy made whole beside where it is going, under a temporary name
// (target + ".XXXXXX.tmp"), on disk before it is used; removed again unless
// it was moved into place or handed over (release).
class StagedCopy {
public:
    StagedCopy() = default;
    StagedCopy(const StagedCopy &) = delete;
    StagedCopy &operator=(const StagedCopy &) = delete;
    ~StagedCopy();

    QString path() const { return m_path; }
    bool isMade() const { return !m_path.isEmpty(); }

    // Copies the file source byte for byte, checked for length.
    bool make(const QString &source, const QString &target, QString &why);
    // Copies the SQLite database source through the engine's backup: one
    // committed state, with what its write-ahead log holds, even while
    // another program reads or writes it. Waits up to lockWaitMs for a
    // writer's lock.
    bool makeSqlite(const QString &source, const QString &target, int lockWaitMs, QString &why);
    // Takes target's place with one rename, replacing it.
    bool replace(const QString &target, QString &why);
    // Takes the name name, which nothing may have yet.
    bool moveTo(const QString &name, QString &why);
    // The copy is someone else's now (a manifest names it): kept on disk.
    QString release();

private:
    bool open(const QString &target, QTemporaryFile &file, QString &why);
    bool finish(QTemporaryFile &file, const QString &target, const QString &source, QString &why);
    QString m_path;
};

// Writes the data of file to disk; false on failure.
bool SyncToDisk(QFileDevice &file);
// Makes the renames in folder durable.
void SyncFolder(const QString &folder);

// One move of a pair step: the file named from takes the place of to, or,
// with from empty, to goes. Names are file names in the pair's folder.
struct PairMove {
    QString from;
    QString to;
};

struct PairManifest {
    QString operation; // "backup", "restore" or "replace"
    QList<PairMove> moves;
};

QString PairManifestPath(const DatabaseFiles &files);

// Writes the manifest whole and on disk before the first move.
bool WritePairManifest(const DatabaseFiles &files, const PairManifest &manifest, QString &why);
// Carries out the moves that are still to do, in order, pausing between
// them at pausePoint (a test's hook), then removes the manifest. A move
// onto tera.mdb first removes SQLite's side files of the replaced file.
bool CarryOutPairMoves(const DatabaseFiles &files, const PairManifest &manifest, QString &why,
                       const char *pausePoint = nullptr);
// Removes the manifest once its step is done.
bool RemovePairManifest(const DatabaseFiles &files, QString &why);

// Finishes what a killed backup, restore or replace left, removes the
// temporary copies nobody will use and a kako.rnd.replacing of older
// versions, and returns what it did in the user's words (empty when there
// was nothing). Must be called under the run lock. Throws KakoRndError when
// it cannot (the files are then left as they were) and DbError when the
// database, asked whether a replace was committed, cannot answer.
// *replaceFinished is set when a replace killed after its deletions were
// committed was finished: the backups then still hold the state before it.
QStringList SettlePairFiles(const DatabaseFiles &files, bool *replaceFinished = nullptr);

} // namespace tera
