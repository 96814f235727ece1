#pragma once
#include "model/master_data.h"
#include "model/run_settings.h"

namespace tera {

// What the front ends hold between runs: the files found at start-up, the
// user's current choices and the master data read then. A run never works on
// this: it is given a RunSettings copy and the master data read-only.
struct AppState {
    DatabaseFiles files;
    QString sourcePath;
    QString sourceSheet; // the sheet read, when the source is a workbook
    OutputKind outputKind = kOutMembers;
    ExecutionMode executionMode = kModeReplace;
    MasterData master;

    RunSettings runSettings() const { return RunSettings{files, sourcePath, outputKind, executionMode, sourceSheet}; }
};

} // namespace tera
