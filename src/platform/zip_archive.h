#pragma once
#include "outcome.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>

struct zip;
struct zip_file;

namespace tera {

// A ZIP archive opened for reading through libzip. Entries are read as
// streams that stop at a limit, so a damaged or hostile archive (an entry
// that inflates to gigabytes) is refused instead of filling memory or disk.
class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // fileName is for the messages only.
    Outcome open(const QString &path);
    bool contains(const QString &entry) const;
    // Reads a whole (small) entry, at most limit bytes after inflating.
    Outcome read(const QString &entry, QByteArray &bytes, qint64 limit) const;
    // A stream over one entry for QXmlStreamReader; null with the reason in
    // error when the entry cannot be opened.
    class Entry;
    std::unique_ptr<Entry> openEntry(const QString &entry, qint64 limit, Outcome &error) const;

    const QString &path() const { return m_path; }

private:
    QString damaged(const QString &reason) const;

    zip *m_zip = nullptr;
    QString m_path;
};

// One entry as a sequential device. A read past the limit, or a read that
// libzip reports as damaged (a CRC or inflate error), fails the device; fault()
// then says why in words for the clerk.
class ZipArchive::Entry : public QIODevice {
public:
    Entry(zip_file *file, qint64 limit, QString name, QString archive);
    ~Entry() override;
    bool isSequential() const override { return true; }
    const QString &fault() const { return m_fault; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    zip_file *m_file;
    qint64 m_limit;
    qint64 m_read = 0;
    QString m_name;
    QString m_archive;
    QString m_fault;
};

} // namespace tera
