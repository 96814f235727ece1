#include "tools/picture_tools.h"

#include <QFile>

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace tera {

void SettleEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool SavePicture(QWidget *w, const QString &dir, const QString &name, QTextStream &out, QTextStream &err)
{
    SettleEvents();
    const QString path = QDir(dir).filePath(name);
    if (!w->grab().save(path, "PNG")) {
        err << QStringLiteral("%1 を書き込めません。").arg(path) << Qt::endl;
        return false;
    }
    out << path << Qt::endl;
    return true;
}

bool PreparePictureFolders(const QString &dir, QDir &work, QTextStream &err)
{
    if (!QDir().mkpath(dir)) {
        err << QStringLiteral("フォルダを作成できません: %1").arg(dir) << Qt::endl;
        return false;
    }
    work.removeRecursively();
    if (!work.mkpath(QStringLiteral("."))) {
        err << QStringLiteral("作業用のフォルダを作成できません: %1").arg(work.path()) << Qt::endl;
        return false;
    }
    return true;
}

bool WriteSampleFile(const QString &path, const char *bytes, qint64 size, QTextStream &err)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes, size) != size) {
        err << QStringLiteral("%1 を書き込めません。").arg(path) << Qt::endl;
        return false;
    }
    return true;
}

} // namespace tera
