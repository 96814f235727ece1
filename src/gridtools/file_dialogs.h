#pragma once
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace tera {

// Mouse-pointer codes of SetAllFormsPointer.
inline constexpr qint16 kPointerDefault = 0;
inline constexpr qint16 kPointerBusy = 11;

// Gives every open window of the program the pointer of code: 11 the busy
// pointer, 0 (or anything else) the default one.
void SetAllFormsPointer(qint16 code);

// The busy pointer for as long as a long command runs.
struct BusyPointer {
    BusyPointer() { SetAllFormsPointer(kPointerBusy); }
    ~BusyPointer() { SetAllFormsPointer(kPointerDefault); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

// A file-dialog filter written as "description|pattern|description|pattern|"
// becomes Qt's form. The descriptions are shown as they are (the patterns
// are hidden with QFileDialog::HideNameFilterDetails); every pattern matches
// upper- and lower-case names alike, so "*.CSV" also offers members.csv.
QStringList QtFileFilters(const QString &pipeFilter);

// The folder last used for a purpose ("source", "database", "links",
// "grid", "check"), remembered across runs in the user's settings (an INI
// file of the organisation and application "tera-import"; tests move it with
// QSettings::setPath). Empty when none was used yet or it is gone.
QString LastFolder(const QString &purpose);
void RememberFolder(const QString &purpose, const QString &chosenPath);

// Where a file dialog for purpose starts: the initial name when it is a
// path of its own, else the last folder of the purpose (with the initial
// name in it), else the user's documents folder.
QString DialogStart(const QString &purpose, const QString &initialName);

// The platform's file-open dialog with such a filter; empty text when the
// user cancels. With a purpose it opens in that purpose's last folder and
// remembers the folder of the chosen file.
QString OpenFileDialog(QWidget *owner, const QString &pipeFilter, const QString &initialName,
                       const QString &purpose = QString());
// Its two halves: the dialog set up (filters, the folder or file it starts
// at), and the file accepted in it (empty when cancelled), whose folder is
// remembered for the purpose.
void PrepareOpenDialog(QFileDialog &dialog, const QString &pipeFilter, const QString &initialName,
                       const QString &purpose);
QString AcceptedFile(const QFileDialog &dialog, int result, const QString &purpose);

// The platform's file-save dialog with a "description|pattern|" filter, the
// extension .vsg added to a bare name and its own overwrite question; empty
// text when the user cancels. It starts in the last folder of purpose and
// remembers the chosen one.
QString SaveFileDialog(QWidget *owner, const QString &pipeFilter, const QString &proposedName,
                       const QString &purpose = QString());

} // namespace tera
