#pragma once
#include "app/app_state.h"

namespace tera {
class Database;
class Prompt;

// Reads M_KBN (ascending ID) into gKbnValue. A failure is reported once with
// the system-data message; the values stored before it stay.
void GetComSys(Database &db, AppState &state, Prompt &prompt);

// Reads OMAIRI (ascending ONO) into gOmairiMaster. A failure stops the
// reading silently; the entries filled before it stay.
void LoadOmairiMaster(Database &db, AppState &state);

} // namespace tera
