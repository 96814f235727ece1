#include "file_io.h"
#include "text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tera {

GridResult ReadWholeFile(const QString &path, QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return GridResult::failure(QStringLiteral("ファイル「%1」が見つかりません。").arg(displayName(path)));
    if (info.isDir())
        return GridResult::failure(QStringLiteral("「%1」はフォルダーです。ファイルを指定してください。").arg(displayName(path)));
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
