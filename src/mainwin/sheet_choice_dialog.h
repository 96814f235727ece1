#pragma once
#include "platform/spreadsheet.h"

#include <QDialog>
#include <QList>

#include <optional>

class QListWidget;
class QPushButton;

namespace tera {

// シートの選択 (object name dlgSheet): which sheet of a workbook of several
// to read. Lists each sheet with its size; the sheet the workbook opens on
// is chosen at first.
class SheetChoiceDialog : public QDialog {
    Q_OBJECT
public:
    SheetChoiceDialog(const QString &fileName, const QList<SheetInfo> &sheets, int activeSheet, QWidget *parent = nullptr);

    QListWidget *sheetList = nullptr;   // lstSheets
    QPushButton *okButton = nullptr;     // cmdSheetOK
    QPushButton *cancelButton = nullptr; // cmdSheetCancel

    // The sheet chosen, counted from 0.
    int chosenSheet() const;

    // The line the list shows for a sheet.
    static QString lineFor(const SheetInfo &sheet, bool opensOn);
};

// The sheet to read from the source at path: empty text (the sheet it opens
// on) for a text file, a workbook of one sheet, or one that cannot be
// listed (its read will say why); the chosen sheet's name when the clerk
// picked one of several; nothing when the clerk cancelled.
std::optional<QString> AskSheet(QWidget *owner, const QString &path, bool workbookKind);

} // namespace tera
