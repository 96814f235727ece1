#include "transcribe/pair_files.h"

#include "model/run_settings.h"
#include "platform/database.h"
#include "platform/file_io.h"
#include "platform/pause_hook.h"
#include "transcribe/kako_rnd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tera {

namespace {

const QByteArray kManifestMagic = QByteArrayLiteral("tera-import pair 1");
const QStringList kSqliteSideFiles = {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// Why the backup's copy of source could not be made, in the clerk's words.
QString snapshotFailureText(const SnapshotError &e, const QString &source, const QString &target, int lockWaitMs)
{
    const bool copying = e.step() == SnapshotError::Step::Copy;
    const int systemError = e.systemError();
    if (copying && e.isLockConflict())
        return QStringLiteral("別のプログラム（カリンデなど）がデータベースに書き込み中のため、%1 秒待ってもバックアップを作れませんでした。")
            .arg((lockWaitMs + 999) / 1000);
    if (copying && e.cause() == DbError::Cause::DiskFull)
        return QStringLiteral("ファイル「%1」を書き終えられません。ディスクの空きが足りません（%2）。")
            .arg(native(target), QString::fromLocal8Bit(std::strerror(systemError ? systemError : ENOSPC)));
    if (copying && e.cause() == DbError::Cause::Io)
        return QStringLiteral("ファイル「%1」に書き込めません（%2）。").arg(native(target), QString::fromLocal8Bit(std::strerror(systemError)));
    return QStringLiteral("%1 を写せません（%2）。").arg(native(source), e.description());
}

QString folderOf(const DatabaseFiles &files) { return QFileInfo(files.kako).absolutePath(); }

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// One rename that replaces target: whoever looks finds the old file or the
// new one, never part of either.
bool renameOver(const QString &source, const QString &target, QString &why)
{
    std::error_code ec;
    std::filesystem::rename(fsPath(source), fsPath(target), ec);
    if (!ec)
        return true;
    why = QStringLiteral("%1 を %2 に置き換えられません（%3）。")
              .arg(native(source), native(target), QString::fromLocal8Bit(ec.message().c_str()));
    return false;
}

QString systemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

bool SyncToDisk(QFileDevice &file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

void SyncFolder(const QString &folder)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

StagedCopy::~StagedCopy()
{
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

bool StagedCopy::open(const QString &target, QTemporaryFile &file, QString &why)
{
    file.setFileTemplate(target + QStringLiteral(".XXXXXX.tmp"));
    if (file.open())
        return true;
    why = WriteFailureText(target, file);
    return false;
}

// On disk, with the permissions of the file it replaces.
bool StagedCopy::finish(QTemporaryFile &file, const QString &target, const QString &source, QString &why)
{
    if (!SyncToDisk(file)) {
        why = QStringLiteral("ファイル「%1」を書き終えられません（%2）。").arg(native(target), systemReason());
        return false;
    }
    file.setPermissions(QFileInfo(QFileInfo::exists(target) ? target : source).permissions());
    file.setAutoRemove(false);
    m_path = file.fileName();
    return true;
}

bool StagedCopy::make(const QString &source, const QString &target, QString &why)
{
    QTemporaryFile file;
    if (!open(target, file, why))
        return false;
    const Outcome copied = CopyInto(source, file, target);
    if (!copied.ok) {
        why = copied.message;
        return false;
    }
    return finish(file, target, source, why);
}

bool StagedCopy::makeSqlite(const QString &source, const QString &target, int lockWaitMs, QString &why)
{
    QTemporaryFile file;
    if (!open(target, file, why))
        return false;
    const QString name = file.fileName();
    // The engine's own side files of the copy go with it.
    auto removeSideFiles = [&] {
        for (const QString &side : kSqliteSideFiles)
            QFile::remove(name + side);
    };
    try {
        Database::copySqliteSnapshot(source, name, lockWaitMs);
    } catch (const SnapshotError &e) {
        removeSideFiles();
        why = snapshotFailureText(e, source, target, lockWaitMs);
        return false;
    }
    removeSideFiles();
    return finish(file, target, source, why);
}

bool StagedCopy::replace(const QString &target, QString &why)
{
    if (!renameOver(m_path, target, why))
        return false;
    m_path.clear();
    return true;
}

bool StagedCopy::moveTo(const QString &name, QString &why)
{
    QFile file(m_path);
    if (!file.rename(name)) {
        why = QStringLiteral("%1 に名前を変えられません（%2）。").arg(native(name), file.errorString());
        return false;
    }
    m_path.clear();
    return true;
}

QString StagedCopy::release()
{
    const QString path = m_path;
    m_path.clear();
    return path;
}

QString PairManifestPath(const DatabaseFiles &files) { return files.kako + QStringLiteral(".pair"); }

namespace {

QByteArray manifestText(const PairManifest &m)
{
    QByteArray text = kManifestMagic + "\nop=" + m.operation.toUtf8() + '\n';
    for (const PairMove &move : m.moves)
        text += "move=" + move.from.toUtf8() + '\t' + move.to.toUtf8() + '\n';
    return text + "end\n";
}

// False when the manifest is incomplete or not one of ours: it was being
// written when the step was killed, before any move.
bool readManifest(const QString &path, PairManifest &m)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = f.read(1024 * 1024).split('\n');
    if (lines.size() < 3 || lines.at(0) != kManifestMagic || !lines.at(1).startsWith("op="))
        return false;
    m.operation = QString::fromUtf8(lines.at(1).mid(3));
    int i = 2;
    for (; i < lines.size() && lines.at(i).startsWith("move="); ++i) {
        const QList<QByteArray> names = lines.at(i).mid(5).split('\t');
        if (names.size() != 2 || names.at(1).isEmpty() || names.at(0).contains('/') || names.at(1).contains('/'))
            return false;
        m.moves << PairMove{QString::fromUtf8(names.at(0)), QString::fromUtf8(names.at(1))};
    }
    return i < lines.size() && lines.at(i) == "end";
}

bool isDatabase(const DatabaseFiles &files, const QString &path)
{
    return QFileInfo(path).absoluteFilePath() == QFileInfo(files.database).absoluteFilePath();
}

} // namespace

bool WritePairManifest(const DatabaseFiles &files, const PairManifest &manifest, QString &why)
{
    const QString path = PairManifestPath(files);
    QTemporaryFile file(path + QStringLiteral(".XXXXXX.tmp"));
    const QByteArray text = manifestText(manifest);
    if (!file.open() || file.write(text) != text.size() || !SyncToDisk(file)) {
        why = QStringLiteral("%1 を書き込めません（%2）。").arg(native(path), file.errorString());
        return false;
    }
    file.close();
    if (!renameOver(file.fileName(), path, why))
        return false;
    file.setAutoRemove(false);
    SyncFolder(folderOf(files));
    return true;
}

bool CarryOutPairMoves(const DatabaseFiles &files, const PairManifest &manifest, QString &why, const char *pausePoint)
{
    const QDir folder(folderOf(files));
    bool first = true;
    for (const PairMove &move : manifest.moves) {
        const QString to = folder.filePath(move.to);
        if (!first && pausePoint)
            PauseHook(pausePoint);
        first = false;
        if (move.from.isEmpty()) {
            QFile gone(to);
            if (gone.exists() && !gone.remove()) {
                why = QStringLiteral("%1 を取り除けません（%2）。").arg(native(to), gone.errorString());
                return false;
            }
            continue;
        }
        const QString from = folder.filePath(move.from);
        if (!QFileInfo::exists(from))
            continue; // moved before the step was killed
        if (isDatabase(files, to)) {
            // Side files of the replaced database must not be applied to the
            // one that takes its place.
            for (const QString &side : kSqliteSideFiles) {
                QFile file(to + side);
                if (file.exists() && !file.remove()) {
                    why = QStringLiteral("%1 を削除できません（%2）。").arg(native(file.fileName()), file.errorString());
                    return false;
                }
            }
        }
        if (!renameOver(from, to, why))
            return false;
    }
    SyncFolder(folder.absolutePath());
    return RemovePairManifest(files, why);
}

bool RemovePairManifest(const DatabaseFiles &files, QString &why)
{
    QFile manifest(PairManifestPath(files));
    if (manifest.exists() && !manifest.remove()) {
        why = QStringLiteral("%1 を削除できません（%2）。").arg(native(manifest.fileName()), manifest.errorString());
        return false;
    }
    SyncFolder(folderOf(files));
    return true;
}

namespace {

qint64 deathEntries(const DatabaseFiles &files)
{
    std::unique_ptr<Database> db = Database::open(files.database);
    Query q = db->exec(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]"));
    const qint64 n = q.next() ? q.integer(QStringLiteral("n")) : 0;
    q.finish();
    db->close();
    return n;
}

// A replace run writes its manifest before the deletions commit and empties
// kako.rnd after: W_KAKO tells which side of the commit it was killed on.
QString settleReplace(const DatabaseFiles &files, bool &committed)
{
    committed = deathEntries(files) == 0;
    if (!committed)
        return QStringLiteral("前回の「既存データを削除して転記」は削除を確定する前に終わっていました。データベースと kako.rnd はその前のままです。");
    QFile kako(files.kako);
    if (kako.exists() && kako.size() > 0) {
        if (!kako.open(QIODevice::ReadWrite) || !kako.resize(0) || !SyncToDisk(kako))
            throw KakoRndError(QStringLiteral("kako.rnd を空にできません: %1（%2）").arg(native(files.kako), kako.errorString()));
    }
    QFile::remove(KakoJournalPath(files.kako));
    return QStringLiteral("前回の「既存データを削除して転記」は削除を確定した直後に終わっていました。過去帳の削除に合わせて kako.rnd を空にしました。");
}

// Older versions set kako.rnd aside under this name until the deletions
// were committed.
QString settleReplacing(const DatabaseFiles &files)
{
    const QString aside = files.kako + QStringLiteral(".replacing");
    if (!QFileInfo::exists(aside))
        return QString();
    const QFileInfo kako(files.kako);
    if (kako.exists() && kako.size() > 0) {
        // Both hold records: neither is thrown away.
        const QString kept = aside + QStringLiteral(".kept");
        QString why;
        if (!renameOver(aside, kept, why))
            throw KakoRndError(why);
        return QStringLiteral("%1 は kako.rnd と並んで残っていたため、%2 として残しました。").arg(native(aside), native(kept));
    }
    if (deathEntries(files) > 0) {
        QString why;
        if (!renameOver(aside, files.kako, why))
            throw KakoRndError(why);
        return QStringLiteral("前回の「既存データを削除して転記」は削除を確定する前に終わっていたため、%1 を kako.rnd に戻しました。")
            .arg(native(aside));
    }
    if (!QFile::remove(aside))
        throw KakoRndError(QStringLiteral("%1 を削除できません。").arg(native(aside)));
    return QStringLiteral("前回の「既存データを削除して転記」で削除が確定していたため、残っていた %1 を削除しました。").arg(native(aside));
}

// Copies a killed backup or restore was making: beside one of the pair's
// names, with the temporary suffix.
QStringList removeLeftoverCopies(const DatabaseFiles &files)
{
    QStringList stems;
    for (const QString &path : {files.database, files.kako, files.databaseBackup, files.kakoBackup, PairManifestPath(files),
                               KakoJournalPath(files.kako)})
        stems << QRegularExpression::escape(QFileInfo(path).fileName());
    const QRegularExpression leftover(QStringLiteral("^(%1)(\\.before-restore(\\.\\d+)?)?\\.[A-Za-z0-9]{6}\\.tmp$")
                                          .arg(stems.join(QLatin1Char('|'))));
    QStringList removed;
    const QDir folder(folderOf(files));
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (!leftover.match(name).hasMatch())
            continue;
        if (QFile::remove(folder.filePath(name)))
            removed << name;
    }
    return removed;
}

} // namespace

QStringList SettlePairFiles(const DatabaseFiles &files, bool *replaceFinished)
{
    QStringList notes;
    bool committed = false;
    if (files.kako.isEmpty())
        return notes;
    const QString path = PairManifestPath(files);
    if (QFileInfo::exists(path)) {
        PairManifest manifest;
        QString why;
        if (!readManifest(path, manifest)) {
            // Written before the first move: nothing moved yet.
            if (!RemovePairManifest(files, why))
                throw KakoRndError(why);
        } else if (manifest.operation == QLatin1String("replace")) {
            notes << settleReplace(files, committed);
            if (replaceFinished)
                *replaceFinished = committed;
            if (!RemovePairManifest(files, why))
                throw KakoRndError(why);
        } else {
            if (!CarryOutPairMoves(files, manifest, why))
                throw KakoRndError(QStringLiteral("前回途中で終わった処理を仕上げられません。\r\n%1").arg(why));
            notes << (manifest.operation == QLatin1String("restore")
                          ? QStringLiteral("前回の「バックアップから元に戻す」が途中で終わっていたため、最後まで仕上げました（tera.mdb と kako.rnd はバックアップの内容です）。")
                          : QStringLiteral("前回のバックアップが途中で終わっていたため、最後まで仕上げました（tera2.mdb と kako2.rnd は同じ時点の控えです）。"));
        }
    }
    const QString replacing = settleReplacing(files);
    if (!replacing.isEmpty())
        notes << replacing;
    const QStringList removed = removeLeftoverCopies(files);
    if (!removed.isEmpty())
        notes << QStringLiteral("途中で終わった処理の一時ファイルを削除しました: %1").arg(removed.join(QStringLiteral("、")));
    return notes;
}

} // namespace tera
