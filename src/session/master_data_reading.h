#pragma once
#include "model/master_data.h"

#include <QString>

namespace tera {
class Database;

// The message shown when M_KBN cannot be read: the product's own text,
// suffix included, which the clerks know it by.
inline const QString kSystemDataUnreadable =
    QStringLiteral("システムﾃﾞｰﾀ読み込みが出来ません！") + QStringLiteral(" :: GetComSys_Err");

// Reads the category master M_KBN (ascending ID) into kbnValues. False when
// it failed; the values stored before the failure stay.
bool ReadCategoryMaster(Database &db, MasterData &master);

// Reads the service master OMAIRI (ascending ONO) into services. A failure
// stops the reading silently; the entries filled before it stay.
void ReadServiceMaster(Database &db, MasterData &master);

} // namespace tera
