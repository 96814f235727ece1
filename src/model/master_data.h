#pragma once
#include <QString>
#include <array>

namespace tera {
class Database;

// One service of the service master OMAIRI, as held in memory.
struct OmairiRec {
    qint32 ODISP = 0;
    qint16 slot = 0;
    QString NM;
    qint16 ONEN = 0;
    qint16 Otuki = 0;
    qint16 OHi = 0;
    qint16 訪問区分 = 0;
    qint16 flag = 0;
};

// The master data read once at start-up; a run reads it and never writes it.
struct MasterData {
    std::array<qint16, 20> kbnValues{};       // M_KBN 項目NO, ascending ID
    std::array<OmairiRec, 21> services{};     // OMAIRI, ascending ONO
};

// The message shown when M_KBN cannot be read.
inline const QString kSystemDataUnreadable =
    QStringLiteral("システムﾃﾞｰﾀ読み込みが出来ません！") + QStringLiteral(" :: GetComSys_Err");

// Reads M_KBN (ascending ID) into kbnValues. False when it failed; the values
// stored before the failure stay.
bool GetComSys(Database &db, MasterData &master);

// Reads OMAIRI (ascending ONO) into services. A failure stops the reading
// silently; the entries filled before it stay.
void LoadOmairiMaster(Database &db, MasterData &master);

} // namespace tera
