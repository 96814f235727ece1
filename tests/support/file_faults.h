#pragma once
// Real write faults for tests: a file-size limit (RLIMIT_FSIZE) under which a
// write fails half-way as on a full disk, a small tmpfs that really fills up,
// and a read-only folder. No mocks: the code under test meets the system's
// own errors.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tera {

// The system's words for an errno value, as Qt's errorString() gives them.
inline QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// For QProcess::setChildProcessModifier: the child may write no file larger
// than bytes. SIGXFSZ is ignored (and stays so across exec) so that the
// write fails with EFBIG instead of the signal killing the process.
inline void capFileSizeInChild(qint64 bytes)
{
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit cap{};
    ::getrlimit(RLIMIT_FSIZE, &cap);
    cap.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &cap);
}

// The same for this process while the object lives.
class FileSizeCap {
public:
    explicit FileSizeCap(qint64 bytes)
    {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        capFileSizeInChild(bytes);
    }
    ~FileSizeCap()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeCap(const FileSizeCap &) = delete;
    FileSizeCap &operator=(const FileSizeCap &) = delete;

private:
    rlimit m_old{};
    void (*m_handler)(int) = SIG_DFL;
};

// Every file of a folder (not its subfolders) with its bytes: to see that a
// failed operation changed nothing and left nothing behind.
inline QMap<QString, QByteArray> folderBytes(const QString &folder)
{
    QMap<QString, QByteArray> out;
    for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(f.filePath());
        out.insert(f.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return out;
}

enum class WriteFault { SizeCap, FullDisk, ReadOnlyFolder };

} // namespace tera

Q_DECLARE_METATYPE(tera::WriteFault)

namespace tera {

// A folder for a test whose writes are to fail in one of the ways above.
// Set it up, arm() the fault, run the operation, disarm() and look.
class FaultyFolder {
public:
    explicit FaultyFolder(WriteFault fault, qint64 diskBytes = 4 << 20) : m_fault(fault)
    {
        if (fault == WriteFault::FullDisk) {
            const QByteArray options = "size=" + QByteArray::number(diskBytes);
            if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0)
                m_mounted = true;
            else
                m_skip = QStringLiteral("a small tmpfs cannot be mounted here (%1); mounting needs root")
                             .arg(systemReason(errno));
        }
        // Root writes into a 0555 folder anyway; for root the folder is
        // mounted read-only over itself instead.
        if (fault == WriteFault::ReadOnlyFolder && ::geteuid() == 0 && !canMountReadOnly())
            m_skip = QStringLiteral("running as root, which writes into a read-only (0555) folder anyway, and a "
                                    "read-only bind mount cannot be made here (%1)")
                         .arg(systemReason(errno));
    }
    ~FaultyFolder()
    {
        disarm();
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    FaultyFolder(const FaultyFolder &) = delete;
    FaultyFolder &operator=(const FaultyFolder &) = delete;

    // Empty when the fault can be made here; otherwise why not.
    QString skipReason() const { return m_skip; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // From now on a file may grow to room bytes (the size cap), or the disk
    // has room bytes left (a filler file takes the rest), or the folder takes
    // no new file.
    void arm(qint64 room)
    {
        switch (m_fault) {
        case WriteFault::SizeCap:
            m_cap.emplace(room);
            break;
        case WriteFault::FullDisk: {
            struct statvfs s {};
            ::statvfs(QFile::encodeName(m_dir.path()).constData(), &s);
            const qint64 free = qint64(s.f_bavail) * qint64(s.f_frsize);
            QFile filler(fillerPath());
            if (filler.open(QIODevice::WriteOnly) && free > room)
                filler.write(QByteArray(free - room, '\0'));
            break;
        }
        case WriteFault::ReadOnlyFolder:
            if (::geteuid() == 0)
                m_readOnlyMount = mountReadOnly(QFile::encodeName(m_dir.path()));
            else
                ::chmod(QFile::encodeName(m_dir.path()).constData(), 0555);
            break;
        }
    }
    void disarm()
    {
        m_cap.reset();
        if (m_readOnlyMount)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
        m_readOnlyMount = false;
        QFile::remove(fillerPath());
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
    }

    // What the message must say: the cause and the system's reason.
    QStringList expectedWords() const
    {
        switch (m_fault) {
        case WriteFault::SizeCap: return {systemReason(EFBIG)};
        case WriteFault::FullDisk: return {QStringLiteral("ディスクの空きが足りません"), systemReason(ENOSPC)};
        // On a read-only mount the reason is the system's (a new file) or
        // Qt's (a file it may not replace); the cause is named either way.
        case WriteFault::ReadOnlyFolder:
            if (::geteuid() == 0)
                return {QStringLiteral("読み取り専用")};
            return {QStringLiteral("読み取り専用"), systemReason(EACCES)};
        }
        return {};
    }

    // One data row per fault, in a column named "fault".
    static void addRows()
    {
        QTest::addColumn<WriteFault>("fault");
        QTest::newRow("file size cap") << WriteFault::SizeCap;
        QTest::newRow("full disk") << WriteFault::FullDisk;
        QTest::newRow("read-only folder") << WriteFault::ReadOnlyFolder;
    }

private:
    QString fillerPath() const { return m_dir.filePath(QStringLiteral(".filler")); }
    static bool mountReadOnly(const QByteArray &path)
    {
        if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
            return false;
        if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0)
            return true;
        ::umount2(path.constData(), MNT_DETACH);
        return false;
    }
    // Tries the read-only mount once on a folder of its own.
    bool canMountReadOnly() const
    {
        QTemporaryDir probe;
        const QByteArray path = QFile::encodeName(probe.path());
        if (!mountReadOnly(path))
            return false;
        ::umount2(path.constData(), MNT_DETACH);
        return true;
    }
    bool m_readOnlyMount = false;
    WriteFault m_fault;
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_skip;
    std::optional<FileSizeCap> m_cap;
};

// A save that meets the folder's fault with room bytes left: it fails, its
// error names the cause, and the folder holds exactly what it held before.
template <typename Save>
void expectSaveKeepsFolder(FaultyFolder &dir, qint64 room, Save save)
{
    const QMap<QString, QByteArray> before = folderBytes(dir.path());
    QString error;
    dir.arm(room);
    const bool saved = save(error);
    dir.disarm();
    QVERIFY(!saved);
    for (const QString &word : dir.expectedWords())
        QVERIFY2(error.contains(word), qPrintable(error));
    QCOMPARE(folderBytes(dir.path()), before);
}

// A file that this process may not write while the object lives: its
// write permission taken away, and for root (whom permissions do not stop)
// the file made immutable as well. skipReason() says when neither holds.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString &path) : m_path(QFile::encodeName(path))
    {
        struct stat st {};
        ::stat(m_path.constData(), &st);
        m_mode = st.st_mode & 07777;
        ::chmod(m_path.constData(), 0444);
        if (::geteuid() == 0 && !setImmutable(true))
            m_skip = QStringLiteral("the file cannot be made immutable here (%1)").arg(systemReason(errno));
    }
    ~ReadOnlyFile()
    {
        if (::geteuid() == 0)
            setImmutable(false);
        ::chmod(m_path.constData(), m_mode);
    }
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;
    QString skipReason() const { return m_skip; }

private:
    bool setImmutable(bool on)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        const int error = errno;
        ::close(fd);
        errno = error;
        return done;
    }
    QByteArray m_path;
    mode_t m_mode = 0644;
    QString m_skip;
};

} // namespace tera
