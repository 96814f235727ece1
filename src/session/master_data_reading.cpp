#include "session/master_data_reading.h"

#include "platform/database.h"

namespace tera {

bool ReadCategoryMaster(Database &db, MasterData &master)
{
    try {
        Query q = db.exec(QStringLiteral("SELECT * FROM [M_KBN] ORDER BY [ID]"));
        int counter = 1;
        while (q.next()) {
            if (counter > static_cast<int>(master.kbnValues.size())) {
                q.finish();
                throw DbError(9, QStringLiteral("M_KBN の行数が 20 を超えています。"));
            }
            master.kbnValues[counter - 1] = toInt16(q.integer(QStringLiteral("項目NO")));
            ++counter;
        }
        q.finish();
        return true;
    } catch (const DbError &) {
        return false;
    }
}

void ReadServiceMaster(Database &db, MasterData &master)
{
    try {
        Query q = db.exec(QStringLiteral("SELECT * FROM [OMAIRI] ORDER BY [ONO]"));
        int k = 0;
        while (q.next()) {
            if (k >= static_cast<int>(master.services.size()))
                break; // a 22nd row has no slot: the reading stops there
            OmairiRec &r = master.services[k];
            // A Null where a number is expected stops the load at this row;
            // the fields already set stay, as the reading goes field by field.
            auto number = [&](const char *column) {
                const QString c = QString::fromUtf8(column);
                if (q.isNull(c))
                    throw DbError(94, QStringLiteral("Null の使い方が不正です (%1)。").arg(c));
                return q.integer(c);
            };
            r.ODISP = toInt32(number("ODISP"));
            r.slot = static_cast<qint16>(k);
            r.NM = q.text(QStringLiteral("NM")).trimmed();
            r.ONEN = toInt16(number("ONEN"));
            r.Otuki = toInt16(number("Otuki"));
            r.OHi = toInt16(number("OHi"));
            r.訪問区分 = toInt16(number("訪問区分"));
            r.flag = 0;
            ++k;
        }
        q.finish();
    } catch (const DbError &) {
        // Cleared silently: what was read stays.
    }
}

} // namespace tera
