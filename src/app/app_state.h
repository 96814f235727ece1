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

// Output kinds (index of the Option1 buttons) and execution modes (Option2).
enum OutKind : qint16 { kOutMembers = 0, kOutHouseholds = 1, kOutDeathRegister = 2 };
enum ExecMode : qint16 { kModeReplace = 0, kModeAppend = 1 };

// The process-wide state that start-up owns and the other layers share. It is
// passed explicitly to whoever needs it; the names are those the rules use.
struct AppState {
    QString gAppPath;
    QString gDbPath;
    QString gKakoPath;
    QString gKako2Path;
    QString gTera2Path;
    QString gSrcPath;
    qint16 gOutKind = kOutMembers;
    qint16 gExecMode = kModeReplace;
    std::array<qint16, 20> gKbnValue{};
    std::array<OmairiRec, 21> gOmairiMaster{};
};

} // namespace tera
