#pragma once
#include "outcome.h"
#include "grid_row.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace tera {

// The grid's own formatting: what file kinds 0 and 2 keep besides the texts.
struct GridFormat {
    int fixedRows = 0;
    int fixedCols = 0;
    int defaultRowHeight = 0; // twips
    int defaultColWidth = 0;  // twips
    QList<std::pair<int, int>> rowHeights; // (row, twips) for rows with a height of their own
    QList<int> colWidths; // one per column; -1 = the default width
    QList<int> colSorts;  // one per column; sort modes 0 to 10
};

// A whole table as the grid document (.vsg) holds it.
struct GridDocument {
    int rows = 0;
    int cols = 0;
    bool hasTexts = false;  // kinds 0 and 1
    bool hasFormat = false; // kinds 0 and 2
    QList<GridRow> texts;   // rows entries when hasTexts
    GridFormat format;      // when hasFormat
};

// The newest document version this program writes and reads.
constexpr quint16 kGridDocumentVersion = 1;
// Largest row height or column width, in twips (what a 16-bit size holds).
constexpr int kMaxTwips = 32767;

QByteArray EncodeGridDocument(const GridDocument &doc);
// Checks everything before it hands anything out: on failure out is untouched.
Outcome DecodeGridDocument(const QByteArray &bytes, const QString &fileName, GridDocument &out);

Outcome WriteGridDocument(const QString &path, const GridDocument &doc);
Outcome ReadGridDocument(const QString &path, GridDocument &out);

} // namespace tera
