#include "convert/era_calendar.h"
#include "convert/kanji_numerals.h"
#include "platform/database.h"
#include "test_db.h"

#include <QtTest>

#include <map>

using namespace tera;

Q_DECLARE_METATYPE(tera::EraArray)

namespace {

const Route kRoutes[] = {Route::Direct, Route::Odbc};

void addEra(Database &db, const QString &name, int start, int end, int offset)
{
    db.insert(QStringLiteral("M_年号"), {{QStringLiteral("年号"), name},
                                         {QStringLiteral("開始"), start},
                                         {QStringLiteral("終了"), end},
                                         {QStringLiteral("計算"), offset}});
}

EraArray era(const char *name, const char *year) { return {QString::fromUtf8(name), QString::fromUtf8(year)}; }

} // namespace

class TestEraCalendar : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (Route r : kRoutes)
            m_db[r] = std::make_unique<TestDb>(r);
    }

    // The era of a year ("1912") or of a day ("1912/07/30"): at an era
    // change the newer era begins on its first day, a month and day that form
    // no date keep the era of the year, and a year shared by two eras gives
    // the older one. No era before the first: the array stays as it was.
    void eraOf_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("date");
        QTest::addColumn<EraArray>("expected");
        const struct {
            const char *date, *name, *eraYear;
        } cases[] = {
            {"1868", "明治", "1"},        {"1900", "明治", "33"},       {"1912", "明治", "45"},
            {"1913", "大正", "2"},        {"1989", "昭和", "64"},       {"1990", "平成", "2"},
            {"2019", "平成", "31"},       {"2020", "令和", "2"},        {"0", "x", "y"},
            {"1", "x", "y"},              {"1867", "x", "y"},           {"-5", "x", "y"},
            {"1867/12/31", "x", "y"},     {"1868/01/01", "明治", "1"},  {"1912/07/29", "明治", "45"},
            {"1912/07/30", "大正", "1"},  {"1926/12/24", "大正", "15"}, {"1926/12/25", "昭和", "1"},
            {"1989/01/07", "昭和", "64"}, {"1989/01/08", "平成", "1"},  {"1989/12/31", "平成", "1"},
            {"2019/04/30", "平成", "31"}, {"2019/05/01", "令和", "1"},  {"2020/01/01", "令和", "2"},
            {"2019/02/30", "平成", "31"}, {"2019/13/01", "平成", "31"}, {"2019/00/00", "平成", "31"},
            {"1989/01/00", "昭和", "64"},
        };
        // Every case through Qt's driver; a few show that ODBC reads the same.
        const QByteArrayList alsoOdbc{"1867", "1912/07/30", "2019/04/30", "2019/02/30"};
        for (Route r : kRoutes)
            for (const auto &c : cases)
                if (r == Route::Direct || alsoOdbc.contains(c.date))
                    QTest::addRow("%s %s", qPrintable(routeName(r)), c.date)
                        << r << QString::fromLatin1(c.date) << era(c.name, c.eraYear);
    }
    void eraOf()
    {
        QFETCH(Route, route);
        QFETCH(QString, date);
        QFETCH(EraArray, expected);
        const QStringList p = date.split(u'/');
        Database &db = m_db.at(route)->db();
        EraArray got = era("x", "y");
        const bool found = p.size() == 1
                               ? GetEraOfYear(db, qint16(p[0].toInt()), got)
                               : GetEraOfDate(db, qint16(p[0].toInt()), qint16(p[1].toInt()), qint16(p[2].toInt()), got);
        QCOMPARE(found, expected != era("x", "y"));
        QCOMPARE(got, expected);
    }

    void westernYear_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("eraYearText");
        QTest::addColumn<int>("year");
        const struct {
            const char *name, *eraYear;
            int year;
            const char *what;
        } cases[] = {
            {"平成", "15", 2003, "plain"},         {"平成", "十五", 2003, "kanji"},
            {"平成", "元", 1989, "gan"},           {"令和", "元年", 2019, "gan nen"},
            {" 平成 ", "15", 2003, "blanks"},      {"　平成　", "15", 2003, "full-width blanks"},
            {"\xEF\xBB\xBF平成", "15", 2003, "byte-order mark"}, {"平成\xEF\xBB\xBF", "15", 2003, "trailing mark"},
            {"平成x", "15", 0, "one more"},        {"平", "15", 0, "abbreviation"},
            {"", "15", 0, "empty name"},           {"平成' OR '1'='1", "15", 0, "quote"},
            {"平成", "", 1988, "no era year"},
        };
        const QByteArrayList alsoOdbc{"gan nen", "full-width blanks", "byte-order mark", "quote"};
        for (Route r : kRoutes) {
            for (const auto &c : cases)
                if (r == Route::Direct || alsoOdbc.contains(c.what))
                    QTest::addRow("%s %s", qPrintable(routeName(r)), c.what)
                        << r << QString::fromUtf8(c.name) << QString::fromUtf8(c.eraYear) << c.year;
            QTest::addRow("%s NUL inside", qPrintable(routeName(r)))
                << r << QStringLiteral("平成") + QChar(0) + QStringLiteral("x") << QStringLiteral("15") << 0;
        }
    }
    void westernYear()
    {
        QFETCH(Route, route);
        QFETCH(QString, name);
        QFETCH(QString, eraYearText);
        QFETCH(int, year);
        // As the date reader does it: the era year through the 元-aware reader.
        const qint16 eraYear = toInt16(NumericValue(FromEraYearNum(eraYearText)));
        QCOMPARE(int(GetWesternYear(m_db.at(route)->db(), name, eraYear)), year);
    }

    // The table's stored order decides, never an index: 平成 stored before
    // 昭和, 2000 rows that never qualify and indexes on the bounds (the
    // engine would otherwise answer from the indexes, in 開始 order). The
    // newer era of a day is the next row stored; with no current era (終了 0)
    // the years after the last one have none.
    void storedOrderDecides_data() { addRoutes(); }
    void storedOrderDecides()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("DELETE FROM [M_年号]"));
        addEra(db, QStringLiteral("平成"), 1989, 2019, 1988);
        addEra(db, QStringLiteral("昭和"), 1926, 1989, 1925);
        addEra(db, QStringLiteral("令和"), 2019, 2030, 2018);
        db.execute(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 2000) "
                                  "INSERT INTO [M_年号] SELECT 'x' || x, 30000, -x, 0 FROM c"));
        db.execute(QStringLiteral("CREATE INDEX [IX_end] ON [M_年号] ([終了])"));
        db.execute(QStringLiteral("CREATE INDEX [IX_start] ON [M_年号] ([開始])"));
        db.execute(QStringLiteral("ANALYZE"));
        EraArray got;
        QVERIFY(GetEraOfYear(db, 1989, got));
        QCOMPARE(got, era("平成", "1"));
        QVERIFY(GetEraOfYear(db, 1950, got));
        QCOMPARE(got, era("昭和", "25"));
        QVERIFY(GetEraOfDate(db, 1989, 1, 7, got)); // 昭和 does not follow 平成 here
        QCOMPARE(got, era("平成", "1"));
        QVERIFY(GetEraOfDate(db, 2019, 5, 1, got)); // nor does 令和
        QCOMPARE(got, era("平成", "31"));
        QVERIFY(GetEraOfDate(db, 1926, 12, 25, got)); // 令和 follows 昭和
        QCOMPARE(got, era("昭和", "1"));
        QVERIFY(!GetEraOfDate(db, 1925, 12, 25, got));
        QVERIFY(!GetEraOfYear(db, 2031, got));
        QCOMPARE(got, era("昭和", "1"));
    }

    // The eras are the table's rows: a new row is a new era without a new
    // build, and a row whose 計算 puts the era year outside 16 bits is
    // reported, never cut.
    void rowsAreTheEras_data() { addRoutes(); }
    void rowsAreTheEras()
    {
        QFETCH(Route, route);
        TestDb t(route);
        Database &db = t.db();
        db.execute(QStringLiteral("UPDATE [M_年号] SET [終了] = 2040 WHERE [年号] = ?"), {QStringLiteral("令和")});
        addEra(db, QStringLiteral("新元"), 2040, 0, 2039);
        addEra(db, QStringLiteral("遠"), -32768, -30000, 10000);
        EraArray got;
        QVERIFY(GetEraOfYear(db, 2041, got));
        QCOMPARE(got, era("新元", "2"));
        QCOMPARE(int(GetWesternYear(db, QStringLiteral("新元"), 3)), 2042);
        // A day of the shared year: no first day is known for a temple's own
        // era, so the year alone decides.
        QVERIFY(GetEraOfDate(db, 2040, 12, 31, got));
        QCOMPARE(got, era("令和", "22"));
        got = era("a", "b");
        QVERIFY_THROWS_EXCEPTION(DbError, GetEraOfYear(db, -32768, got)); // −32768 − 10000
        QCOMPARE(got, era("a", "b"));
        QVERIFY_THROWS_EXCEPTION(DbError, GetEraOfDate(db, -32768, 1, 1, got));
        QCOMPARE(got, era("a", "b"));
        QVERIFY_THROWS_EXCEPTION(DbError, GetWesternYear(db, QStringLiteral("新元"), 32767));
        QCOMPARE(int(GetWesternYear(db, QStringLiteral("新元"), 32767 - 2039)), 32767);
        QVERIFY(GetEraOfYear(db, 2003, got)); // the statement is reusable after the failure
        QCOMPARE(got, era("平成", "15"));
    }

    void checkYmd_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("result");
        const struct {
            const char *date;
            int result;
        } cases[] = {
            {"2003/5/17", YmdValid},     {"1989/01/08", YmdValid},     {"2000/2/29", YmdValid},
            {"2004/2/29", YmdValid},     {"1900/2/29", YmdBadDay},     {"2100/2/29", YmdBadDay},
            {"2001/2/29", YmdBadDay},    {"2001/4/31", YmdBadDay},     {"2001/12/31", YmdValid},
            {"2001/4/0", YmdBadDay},     {"2001/13/1", YmdBadMonth},   {"2001/0/1", YmdBadMonth},
            {"", YmdBadMonth},           {"no date", YmdBadMonth},     {"2001/2", YmdBadDay},
            {" 2001 / 02 / 03 ", YmdValid}, {"2001/2/3/4", YmdNotADate}, {"2001/2/3/", YmdNotADate},
            {"40000/1/1", YmdNotADate},  {"2001/99999/1", YmdNotADate}, {"2001/1/99999999999999999999", YmdNotADate},
        };
        for (const auto &c : cases)
            QTest::newRow(c.date[0] ? c.date : "empty") << QString::fromUtf8(c.date) << c.result;
    }
    void checkYmd()
    {
        QFETCH(QString, date);
        QFETCH(int, result);
        QCOMPARE(int(CheckYmd(date)), result);
    }

private:
    std::map<Route, std::unique_ptr<TestDb>> m_db;
};

QTEST_GUILESS_MAIN(TestEraCalendar)
#include "tst_era_calendar.moc"
