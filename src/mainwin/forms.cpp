#include "mainwin/forms.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QWidget>

namespace tera {

namespace {
bool g_ending = false;
}

void SetAllFormsPointer(qint16 code)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (code == kPointerBusy)
            w->setCursor(Qt::WaitCursor);
        else
            w->unsetCursor();
    }
}

void EndProgramNow(int code)
{
    g_ending = true;
    QApplication::closeAllWindows();
    QCoreApplication::exit(code);
}

bool ProgramEnding() { return g_ending; }

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

QString OpenFileDialog(QWidget *owner, const QString &pipeFilter, const QString &initialName)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(QtFileFilters(pipeFilter));
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

bool PathHasExtension(const QString &path, const QString &ext) { return path.contains(ext, Qt::CaseInsensitive); }

} // namespace tera
