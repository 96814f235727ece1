#include "tools/picture_tools.h"

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

} // namespace tera
