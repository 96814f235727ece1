#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace tera {

// Auto-link: pairs each source title with the catalogue item of the same
// name, so that a file whose titles are the destination's own names (as the
// product's exports and the examples are) needs no hand linking.

// A text as titles are compared: compatibility forms folded (full-width
// letters and digits, half-width katakana, full-width brackets and blanks to
// their usual forms: NFKC), then blanks trimmed at both ends.
QString FoldTitle(const QString &text);

struct AutoLinkResult {
    // (source column, catalogue slot) in source-column order.
    QList<std::pair<int, int>> links;
    // Titles left unlinked: no item of that name or label, only items that
    // may not be linked, or every such item already linked.
    QStringList unmatched;
};

// titles are the source items, one per column (row 0 of the source table). A
// title is linked to the first linkable item whose label equals it, else to
// the first linkable item whose field name equals it, both folded. An item
// already linked (in taken, or earlier in this call) is not linked again;
// a column in takenColumns is left alone. Empty titles are ignored.
AutoLinkResult AutoLink(const QStringList &titles, qint16 kind, const QList<int> &takenColumns = {},
                        const QList<int> &takenSlots = {});

} // namespace tera
