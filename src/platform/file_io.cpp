#include "file_io.h"
#include "text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tera {

GridResult CheckReadableFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return GridResult::failure(QStringLiteral("ファイル「%1」が見つかりません。").arg(displayName(path)));
    if (info.isDir())
        return GridResult::failure(QStringLiteral("「%1」はフォルダーです。ファイルを指定してください。").arg(displayName(path)));
    // isFile() follows a symbolic link, so a link to a regular file is read.
    if (!info.isFile())
        return GridResult::failure(
            QStringLiteral("「%1」は通常のファイルではありません（名前付きパイプやデバイスなど）。読み込むファイルを指定してください。")
                .arg(displayName(path)));
    if (info.size() > kMaxReadFileBytes)
        return GridResult::failure(QStringLiteral("ファイル「%1」は大きすぎて読み込めません（%2 MiB。読み込めるのは %3 MiB までです）。")
                                       .arg(displayName(path))
                                       .arg((info.size() + (1 << 20) - 1) >> 20)
                                       .arg(kMaxReadFileBytes >> 20));
    return {};
}

GridResult ReadWholeFile(const QString &path, QByteArray &bytes)
{
    const GridResult readable = CheckReadableFile(path);
    if (!readable.ok)
        return readable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return GridResult::failure(
            QStringLiteral("ファイル「%1」を開けません（%2）。").arg(displayName(path), file.errorString()));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return GridResult::failure(
            QStringLiteral("ファイル「%1」を読み込めません（%2）。").arg(displayName(path), file.errorString()));
    bytes = std::move(data);
    return {};
}

GridResult WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    const auto failed = [&] {
        return GridResult::failure(
            QStringLiteral("ファイル「%1」に書き込めません（%2）。").arg(displayName(path), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    if (file.write(bytes) != bytes.size()) {
        GridResult result = failed();
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return failed();
    return {};
}

} // namespace tera
