#include "gridtools/file_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

namespace tera {

void SetAllFormsPointer(qint16 code)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (code == kPointerBusy)
            w->setCursor(Qt::WaitCursor);
        else
            w->unsetCursor();
    }
}

QStringList QtFileFilters(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i);
        if (description.isEmpty())
            continue;
        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            for (const QString &v : {p, p.toLower(), p.toUpper()})
                if (!patterns.contains(v))
                    patterns << v;
        }
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

namespace {
QSettings folderSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tera-import"),
                     QStringLiteral("tera-import"));
}
} // namespace

QString LastFolder(const QString &purpose)
{
    if (purpose.isEmpty())
        return QString();
    const QString folder = folderSettings().value(QStringLiteral("folders/") + purpose).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberFolder(const QString &purpose, const QString &chosenPath)
{
    if (purpose.isEmpty() || chosenPath.isEmpty())
        return;
    QSettings settings = folderSettings();
    settings.setValue(QStringLiteral("folders/") + purpose, QFileInfo(chosenPath).absolutePath());
}

QString DialogStart(const QString &purpose, const QString &initialName)
{
    if (!initialName.isEmpty() && (QFileInfo(initialName).isAbsolute()))
        return initialName;
    QString folder = LastFolder(purpose);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return initialName.isEmpty() ? folder : QDir(folder).filePath(initialName);
}

QString OpenFileDialog(QWidget *owner, const QString &pipeFilter, const QString &initialName, const QString &purpose)
{
    QFileDialog dialog(owner);
    PrepareOpenDialog(dialog, pipeFilter, initialName, purpose);
    const int result = dialog.exec();
    return AcceptedFile(dialog, result, purpose);
}

void PrepareOpenDialog(QFileDialog &dialog, const QString &pipeFilter, const QString &initialName,
                       const QString &purpose)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(QtFileFilters(pipeFilter));
    const QString start = DialogStart(purpose, initialName);
    if (QFileInfo(start).isDir())
        dialog.setDirectory(start);
    else
        dialog.selectFile(start);
}

QString AcceptedFile(const QFileDialog &dialog, int result, const QString &purpose)
{
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().first();
    RememberFolder(purpose, chosen);
    return chosen;
}

QString SaveFileDialog(QWidget *owner, const QString &pipeFilter, const QString &proposedName, const QString &purpose)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("vsg"));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(QtFileFilters(pipeFilter));
    const QString start = DialogStart(purpose, proposedName);
    if (QFileInfo(start).isDir())
        dialog.setDirectory(start);
    else
        dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().first();
    RememberFolder(purpose, chosen);
    return chosen;
}

} // namespace tera
