#include "test_db.h"

#include "session/demo_database.h"

namespace tera {

QString routeName(Route r) { return r == Route::Direct ? QStringLiteral("sqlite") : QStringLiteral("odbc"); }

void addRoutes()
{
    QTest::addColumn<Route>("route");
    for (Route r : {Route::Direct, Route::Odbc})
        QTest::newRow(qPrintable(routeName(r))) << r;
}

std::unique_ptr<Database> openRoute(const QString &path, Route route)
{
    Database::Options o;
    o.sqliteThroughOdbc = route == Route::Odbc;
    return Database::open(path, o);
}

TestDb::TestDb(Route route) : m_route(route)
{
    m_path = CreateDemoDatabase(m_dir.path());
    m_db = openRoute(m_path, route);
}

std::unique_ptr<Database> TestDb::openAgain() const { return openRoute(m_path, m_route); }

} // namespace tera
