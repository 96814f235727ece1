#pragma once
#include <QString>
#include <QtGlobal>

namespace tera {

// What a run writes (the order of the kind buttons on the main window).
enum OutputKind : qint16 { kOutMembers = 0, kOutHouseholds = 1, kOutDeathRegister = 2 };
// Whether a run first empties the tables it writes, or adds to them.
enum ExecutionMode : qint16 { kModeReplace = 0, kModeAppend = 1 };

// The temple database and the files kept beside it.
struct DatabaseFiles {
    QString appFolder;      // folder of the running program
    QString database;       // tera.mdb
    QString kako;           // kako.rnd
    QString kakoBackup;     // kako2.rnd
    QString databaseBackup; // tera2.mdb
};

// The settings of one run, fixed before it starts.
struct RunSettings {
    DatabaseFiles files;
    QString sourcePath;
    OutputKind outputKind = kOutMembers;
    ExecutionMode executionMode = kModeReplace;
    // The sheet read when the source is a workbook; empty for a text file.
    QString sourceSheet;
};

} // namespace tera
