#pragma once
#include "convert/item_catalogue.h"

#include <QStringList>
#include <QTextStream>

namespace tera {

// tera-import items --kind members|households|death: the items of an output
// kind, one line each (number R for --link L:R, label, whether it can be
// linked, the field it fills). Exit 0, or 2 for a mistake in the options.
int RunItemsCommand(const QStringList &args, QTextStream &out, QTextStream &err);

// The highest item number that --link may name for a catalogue (the spare
// slot at the end is no item).
int LastItemNumber(const Catalogue &catalogue);

// What an item fills, as items shows it: 氏名（文字 26）.
QString ItemTarget(const ItemRec &item);

} // namespace tera
