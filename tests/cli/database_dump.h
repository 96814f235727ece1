#pragma once
// Every row of every table of a SQLite file, in stored order, as text: two
// databases that dump alike hold the same data.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace tera {

inline QStringList dumpDatabase(const QString &path)
{
    QStringList out;
    const QString name = QStringLiteral("dump-") + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            return {QStringLiteral("cannot open ") + path};
        QStringList tables;
        QSqlQuery list(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"), db);
        while (list.next())
            tables << list.value(0).toString();
        for (const QString &table : tables) {
            QSqlQuery q(QStringLiteral("SELECT * FROM [%1] ORDER BY rowid").arg(table), db);
            while (q.next()) {
                QStringList cells;
                const QSqlRecord record = q.record();
                for (int c = 0; c < record.count(); ++c)
                    cells << record.fieldName(c) + QLatin1Char('=') + q.value(c).toString();
                out << table + QStringLiteral(": ") + cells.join(QLatin1Char('|'));
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

} // namespace tera
