#include "convert/auto_link.h"

#include "convert/item_catalogue.h"

#include <QSet>

namespace tera {

QString FoldTitle(const QString &text) { return text.normalized(QString::NormalizationForm_KC).trimmed(); }

AutoLinkResult AutoLink(const QStringList &titles, qint16 kind, const QList<int> &takenColumns,
                        const QList<int> &takenSlots)
{
    AutoLinkResult result;
    QList<CatalogueLine> lines;
    Catalogue catalogue;
    BuildItemCatalogue(lines, kind, catalogue);
    QStringList labels(catalogue.size());
    for (const CatalogueLine &line : lines)
        if (line.itemData >= 0 && line.itemData < catalogue.size())
            labels[line.itemData] = FoldTitle(line.label);
    QStringList names;
    for (const ItemRec &item : catalogue)
        names << FoldTitle(item.name);

    QSet<int> taken(takenSlots.cbegin(), takenSlots.cend());
    const QSet<int> skipColumns(takenColumns.cbegin(), takenColumns.cend());
    auto firstFree = [&](const QStringList &keys, const QString &title) {
        for (int slot = 0; slot < catalogue.size(); ++slot)
            if (catalogue.at(slot).noLink == 0 && !catalogue.at(slot).name.isEmpty() && keys.at(slot) == title
                && !taken.contains(slot))
                return slot;
        return -1;
    };
    for (int column = 0; column < titles.size(); ++column) {
        if (skipColumns.contains(column))
            continue;
        const QString title = FoldTitle(titles.at(column));
        if (title.isEmpty())
            continue;
        int slot = firstFree(labels, title);
        if (slot < 0)
            slot = firstFree(names, title);
        if (slot < 0) {
            result.unmatched << titles.at(column).trimmed();
            continue;
        }
        taken.insert(slot);
        result.links << std::pair{column, slot};
    }
    return result;
}

} // namespace tera
