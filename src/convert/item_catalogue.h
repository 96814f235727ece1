#pragma once
#include <QList>
#include <QString>

namespace tera {

// One destination item of the catalogue (the same record type holds the
// source items of the preview). An item's position is its key everywhere:
// the destination of a data link and the column of the import table.
struct ItemRec {
    qint16 noLink = 0;  // 1: may not be linked
    qint16 index = 0;   // own 0-based position in the catalogue and the list
    QString name;       // destination field name; heads the import table column
    qint16 column = 0;  // unused by catalogue entries; source items keep their grid column here
    QString typeCode;   // "STR", "LNG", "INT", "DATE" (empty for placeholders)
    qint16 width = 0;   // nominal width of the destination field
};

// The items of one output kind: slot c is column c of the import table.
using Catalogue = QList<ItemRec>;

// One line of the list that shows the destination items: the label and the
// line's item data, which is the item's index.
struct CatalogueLine {
    QString label;
    qint32 itemData = 0;

    bool operator==(const CatalogueLine &o) const { return label == o.label && itemData == o.itemData; }
};

// Erases catalogue; for kind 0 (members), 1 (households) or 2 (death
// register) sizes it (53, 34 or 27 slots: members and households keep one
// spare empty slot that no line names) and appends one line per item to
// lines. Any other kind leaves catalogue empty and lines as they were. The
// caller empties lines beforehand; this only appends.
void BuildItemCatalogue(QList<CatalogueLine> &lines, qint16 kind, Catalogue &catalogue);

// The catalogue of a kind without a list, for callers that show none.
Catalogue CatalogueOf(qint16 kind);

} // namespace tera
