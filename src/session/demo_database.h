#pragma once
#include <QString>

namespace tera {
class Database;

// Creates every table the import reads or writes, with the columns the rules
// name, sensible types and indexes on the columns the lookups use.
void CreateSchema(Database &db);
// The demo master data: 20 M_KBN rows, 21 OMAIRI services and the eras
// 明治 to 令和, stored oldest first.
void InsertDemoMasters(Database &db);
// Creates dir/tera.mdb as a new SQLite database with the schema and the demo
// masters. Refuses to overwrite an existing file. Throws DbError.
QString CreateDemoDatabase(const QString &dir);

} // namespace tera
