#include "mainwin/sheet_choice_dialog.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tera {

SheetChoiceDialog::SheetChoiceDialog(const QString &fileName, const QList<SheetInfo> &sheets, int activeSheet,
                                     QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgSheet"));
    setWindowTitle(QStringLiteral("シートの選択"));
    setModal(true);

    auto *label = new QLabel(QStringLiteral("「%1」には %2 枚のシートがあります。読み込むシートを選んでください。")
                                 .arg(fileName)
                                 .arg(sheets.size()),
                             this);
    label->setWordWrap(true);
    sheetList = new QListWidget(this);
    sheetList->setObjectName(QStringLiteral("lstSheets"));
    for (int i = 0; i < sheets.size(); ++i)
        sheetList->addItem(lineFor(sheets.at(i), i == activeSheet));
    sheetList->setCurrentRow(activeSheet >= 0 && activeSheet < sheets.size() ? activeSheet : 0);
    connect(sheetList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    okButton = new QPushButton(QStringLiteral("ＯＫ"), this);
    okButton->setObjectName(QStringLiteral("cmdSheetOK"));
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancelButton->setObjectName(QStringLiteral("cmdSheetCancel"));
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(sheetList, 1);
    layout->addLayout(buttons);
    resize(380, 260);
}

int SheetChoiceDialog::chosenSheet() const
{
    return sheetList->currentRow();
}

QString SheetChoiceDialog::lineFor(const SheetInfo &sheet, bool opensOn)
{
    QString line = QStringLiteral("%1（%2 行 × %3 列）").arg(sheet.name).arg(sheet.rows).arg(sheet.cols);
    if (opensOn)
        line += QStringLiteral("　開くシート");
    if (sheet.hidden)
        line += QStringLiteral("　非表示");
    return line;
}

std::optional<QString> AskSheet(QWidget *owner, const QString &path, bool workbookKind)
{
    if (!workbookKind && SpreadsheetKindOf(path) == SpreadsheetKind::None)
        return QString();
    QList<SheetInfo> sheets;
    int active = 0;
    if (!ListSheets(path, sheets, active).ok || sheets.size() < 2)
        return QString();
    SheetChoiceDialog dialog(QFileInfo(path).fileName(), sheets, active, owner);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenSheet() < 0)
        return std::nullopt;
    return sheets.at(dialog.chosenSheet()).name;
}

} // namespace tera
