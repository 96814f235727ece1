#pragma once
#include "convert/item_catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tera {
class ImportTable;
class SourceTable;

// One row of the link grid: source column Lpoj feeds import column Rpoj.
struct DataLink {
    qint32 sourceColumn = 0; // the link grid's Lpoj
    qint32 importColumn = 0; // the link grid's Rpoj
    // The source item's name as the link grid shows it (for messages).
    QString sourceName = QString();
};

// The link editor's messages.
namespace LinkText {
inline const QString kNoSourceItem = QStringLiteral("読込みデータ項目を選択してください。");
inline const QString kNoTargetItem = QStringLiteral("書き出しデータ項目を選択してください。");
inline const QString kNotLinkable = QStringLiteral("この項目はリンク不可です。他の項目を選択してください。");
inline const QString kPickRowFirst = QStringLiteral("リンク解除の行をクリックして、再度解除ボタンを実行してください。");
} // namespace LinkText

// The link grid's columns.
namespace LinkGridCol {
inline constexpr int NO = 0;
inline constexpr int SrcName = 1;
inline constexpr int DstName = 2;
inline constexpr int SourceColumn = 3; // Lpoj
inline constexpr int ImportColumn = 4; // Rpoj
} // namespace LinkGridCol

// Rebuilds the source items and their titles (the source list) from row 0 of the
// source table: one item per column, plus the empty slot after the last.
void BuildSourceItems(const SourceTable &sourceTable, QList<ItemRec> &sourceItems, QStringList &titles);

struct FillResult {
    bool ok = true;
    QString message; // why the fill stopped, for the user
    int rowsFilled = 0;
};

// Copies every data row of the source table through the links into the import
// table: headings from the catalogue, column 0 the row number, a later link
// to the same column winning. titleRows 1 skips the source table's first line.
// Sets sourcePath to the trimmed source path. The source items (the titles)
// are not touched. A source file that is gone or a
// link to a column the source table does not have stops the fill with a message;
// what was filled so far stays.
FillResult FillImportTable(const QString &sourcePathText, const Catalogue &catalogue, const SourceTable &sourceTable,
                           const QList<DataLink> &links, qint16 titleRows, ImportTable &importTable,
                           QString &sourcePath);

} // namespace tera
