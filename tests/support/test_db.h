#pragma once
#include "platform/database.h"

#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tera {

// How a test reaches its SQLite file: Qt's own driver or the SQLite ODBC
// driver. Database tests run their cases through both.
enum class Route { Direct, Odbc };
QString routeName(Route r);
// A "route" column with one row per route.
void addRoutes();

// A fresh demo database (schema and demo masters) in a temporary folder.
class TestDb {
public:
    explicit TestDb(Route route = Route::Direct);
    QString dir() const { return m_dir.path(); }
    QString path() const { return m_path; }
    Database &db() { return *m_db; }
    // Reopens through the same route (to see what a later run would see).
    std::unique_ptr<Database> openAgain() const;
    Route route() const { return m_route; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    Route m_route;
    std::unique_ptr<Database> m_db;
};

std::unique_ptr<Database> openRoute(const QString &path, Route route);

} // namespace tera

Q_DECLARE_METATYPE(tera::Route)
