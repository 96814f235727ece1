#include "zip_archive.h"
#include "file_io.h"
#include "text_file.h"

#include <QFile>

#include <zip.h>

namespace tera {

ZipArchive::~ZipArchive()
{
    if (m_zip)
        zip_discard(m_zip);
}

QString ZipArchive::damaged(const QString &reason) const
{
    return QStringLiteral("ファイル「%1」は壊れているため読み込めません（%2）。").arg(displayName(m_path), reason);
}

Outcome ZipArchive::open(const QString &path)
{
    m_path = path;
    const Outcome readable = CheckReadableFile(path);
    if (!readable.ok)
        return readable;
    int code = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString reason = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        if (code == ZIP_ER_OPEN || code == ZIP_ER_READ)
            return Outcome::failure(
                QStringLiteral("ファイル「%1」を開けません（%2）。").arg(displayName(path), reason));
        return Outcome::failure(damaged(QStringLiteral("ZIP: %1").arg(reason)));
    }
    return {};
}

bool ZipArchive::contains(const QString &entry) const
{
    return m_zip && zip_name_locate(m_zip, entry.toUtf8().constData(), 0) >= 0;
}

std::unique_ptr<ZipArchive::Entry> ZipArchive::openEntry(const QString &entry, qint64 limit, Outcome &error) const
{
    const QByteArray name = entry.toUtf8();
    const zip_int64_t index = zip_name_locate(m_zip, name.constData(), 0);
    if (index < 0) {
        error = Outcome::failure(damaged(QStringLiteral("%1 がありません").arg(entry)));
        return nullptr;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) == 0) {
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            error = Outcome::failure(
                QStringLiteral("ファイル「%1」はパスワードで保護されているため読み込めません。"
                               "表計算ソフトでパスワードを外して保存し直してから読み込んでください。")
                    .arg(displayName(m_path)));
            return nullptr;
        }
        // The size the archive claims is checked before anything is inflated;
        // a claim that lies is caught while reading.
        if ((st.valid & ZIP_STAT_SIZE) && qint64(st.size) > limit) {
            error = Outcome::failure(
                QStringLiteral("ファイル「%1」の中身（%2）は展開すると %3 MB を超えるため読み込めません。")
                    .arg(displayName(m_path), entry)
                    .arg(limit / (1024 * 1024)));
            return nullptr;
        }
    }
    zip_file_t *file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        const int code = zip_error_code_zip(zip_get_error(m_zip));
        if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP)
            error = Outcome::failure(
                QStringLiteral("ファイル「%1」はパスワードで保護されているため読み込めません。"
                               "表計算ソフトでパスワードを外して保存し直してから読み込んでください。")
                    .arg(displayName(m_path)));
        else
            error = Outcome::failure(damaged(QString::fromLocal8Bit(zip_strerror(m_zip))));
        return nullptr;
    }
    auto device = std::make_unique<Entry>(file, limit, entry, m_path);
    device->open(QIODevice::ReadOnly);
    return device;
}

Outcome ZipArchive::read(const QString &entry, QByteArray &bytes, qint64 limit) const
{
    Outcome error;
    std::unique_ptr<Entry> device = openEntry(entry, limit, error);
    if (!device)
        return error;
    QByteArray all;
    char buffer[65536];
    for (;;) {
        const qint64 n = device->read(buffer, sizeof buffer);
        if (n < 0)
            return Outcome::failure(device->fault());
        if (n == 0)
            break;
        all.append(buffer, n);
    }
    if (!device->fault().isEmpty())
        return Outcome::failure(device->fault());
    bytes = std::move(all);
    return {};
}

ZipArchive::Entry::Entry(zip_file *file, qint64 limit, QString name, QString archive)
    : m_file(file), m_limit(limit), m_name(std::move(name)), m_archive(std::move(archive))
{
}

ZipArchive::Entry::~Entry()
{
    zip_fclose(m_file);
}

qint64 ZipArchive::Entry::readData(char *data, qint64 maxSize)
{
    if (!m_fault.isEmpty())
        return -1;
    const zip_int64_t n = zip_fread(m_file, data, zip_uint64_t(maxSize));
    if (n < 0) {
        m_fault = QStringLiteral("ファイル「%1」は壊れているため読み込めません（%2: %3）。")
                      .arg(displayName(m_archive), m_name, QString::fromLocal8Bit(zip_file_strerror(m_file)));
        return -1;
    }
    m_read += n;
    if (m_read > m_limit) {
        m_fault = QStringLiteral("ファイル「%1」の中身（%2）は展開すると %3 MB を超えるため読み込めません。")
                      .arg(displayName(m_archive), m_name)
                      .arg(m_limit / (1024 * 1024));
        return -1;
    }
    return n;
}

} // namespace tera
