#include "file_io.h"
#include "text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tera {

namespace {

// Writes what Qt still buffers. A flush that writes only part of it (the
// disk filled up half-way, or a file-size limit was reached) reports no
// reason of its own; the flush that follows does, so flushing goes on while
// it makes progress.
bool flushAll(QFileDevice &out)
{
    for (;;) {
        const qint64 pending = out.bytesToWrite();
        if (out.flush())
            return true;
        if (out.bytesToWrite() >= pending)
            return false;
    }
}

// The same for a write: the rest of a short write is offered again, so that
// the call that fails carries the system's reason, and a short file is never
// taken for a whole one.
bool writeAll(QFileDevice &out, const char *data, qint64 size)
{
    while (size > 0) {
        const qint64 n = out.write(data, size);
        if (n <= 0) {
            flushAll(out); // for the reason
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

QString WriteFailureText(const QString &path, const QFileDevice &file)
{
    const QString reason = file.errorString();
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (folder.isDir() && !folder.isWritable())
        return QStringLiteral("ファイル「%1」に書き込めません。フォルダー「%2」は読み取り専用か、書き込む権限がありません（%3）。")
            .arg(displayName(path), displayName(folder.filePath()), reason);
    // Qt reports a full disk (ENOSPC) as a resource error.
    if (file.error() == QFileDevice::ResourceError)
        return QStringLiteral("ファイル「%1」を書き終えられません。ディスクの空きが足りません（%2）。").arg(displayName(path), reason);
    return QStringLiteral("ファイル「%1」に書き込めません（%2）。").arg(displayName(path), reason);
}

Outcome CheckReadableFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Outcome::failure(QStringLiteral("ファイル「%1」が見つかりません。").arg(displayName(path)));
    if (info.isDir())
        return Outcome::failure(QStringLiteral("「%1」はフォルダーです。ファイルを指定してください。").arg(displayName(path)));
    // isFile() follows a symbolic link, so a link to a regular file is read.
    if (!info.isFile())
        return Outcome::failure(
            QStringLiteral("「%1」は通常のファイルではありません（名前付きパイプやデバイスなど）。読み込むファイルを指定してください。")
                .arg(displayName(path)));
    if (info.size() > kMaxReadFileBytes)
        return Outcome::failure(QStringLiteral("ファイル「%1」は大きすぎて読み込めません（%2 MiB。読み込めるのは %3 MiB までです）。")
                                       .arg(displayName(path))
                                       .arg((info.size() + (1 << 20) - 1) >> 20)
                                       .arg(kMaxReadFileBytes >> 20));
    return {};
}

Outcome ReadWholeFile(const QString &path, QByteArray &bytes)
{
    const Outcome readable = CheckReadableFile(path);
    if (!readable.ok)
        return readable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(
            QStringLiteral("ファイル「%1」を開けません（%2）。").arg(displayName(path), file.errorString()));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Outcome::failure(
            QStringLiteral("ファイル「%1」を読み込めません（%2）。").arg(displayName(path), file.errorString()));
    bytes = std::move(data);
    return {};
}

Outcome WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(WriteFailureText(path, file));
    // QSaveFile::commit() does not notice when flushing its buffer fails (a
    // small file is all buffer), so the flush is checked here, and the size
    // on disk compared, before the file may replace the old one.
    if (!writeAll(file, bytes.constData(), bytes.size()) || !flushAll(file)) {
        const Outcome failed = Outcome::failure(WriteFailureText(path, file));
        file.cancelWriting();
        return failed;
    }
    if (file.size() != bytes.size()) {
        file.cancelWriting();
        return Outcome::failure(QStringLiteral("ファイル「%1」を書き終えられません（%2 バイトのうち %3 バイトしか書けませんでした）。")
                                       .arg(displayName(path))
                                       .arg(bytes.size())
                                       .arg(file.size()));
    }
    if (!file.commit())
        return Outcome::failure(WriteFailureText(path, file));
    return {};
}

Outcome CopyInto(const QString &source, QFileDevice &out, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Outcome::failure(QStringLiteral("ファイル「%1」を開けません（%2）。").arg(displayName(source), in.errorString()));
    const qint64 expected = in.size();
    qint64 copied = 0;
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (!writeAll(out, chunk.constData(), chunk.size()))
            return Outcome::failure(WriteFailureText(destination, out));
        copied += chunk.size();
    }
    if (in.error() != QFileDevice::NoError)
        return Outcome::failure(
            QStringLiteral("ファイル「%1」を読み込めません（%2）。").arg(displayName(source), in.errorString()));
    if (!flushAll(out))
        return Outcome::failure(WriteFailureText(destination, out));
    // A copy shorter than its source is no copy, whatever the calls said.
    if (copied != expected || out.size() != expected)
        return Outcome::failure(
            QStringLiteral("ファイル「%1」へのコピーが途中で切れています（元の「%2」は %3 バイト、コピーは %4 バイト）。")
                .arg(displayName(destination), displayName(source))
                .arg(expected)
                .arg(out.size()));
    return {};
}

Outcome CopyWholeFile(const QString &source, const QString &destination)
{
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly))
        return Outcome::failure(WriteFailureText(destination, out));
    const Outcome copied = CopyInto(source, out, destination);
    if (!copied.ok) {
        out.cancelWriting();
        return copied;
    }
    if (!out.commit())
        return Outcome::failure(WriteFailureText(destination, out));
    return {};
}

} // namespace tera
