#pragma once
#include <QString>
#include <array>

namespace tera {

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

// The master data read once at start-up (by the session, from the database
// it opens); a run reads it and never writes it.
struct MasterData {
    std::array<qint16, 20> kbnValues{};       // M_KBN 項目NO, ascending ID
    std::array<OmairiRec, 21> services{};     // OMAIRI, ascending ONO
};

} // namespace tera
