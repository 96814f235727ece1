// The death register: anniversary dates and names, the first-service rule,
// the kako.rnd record, the W_KAKO / W_KAIKI / D_OMAIRI rows and the
// death-row procedure with its member and household links.
#include "transcribe/death_register.h"
#include "fixture.h"

#include <QtTest>

using namespace tera;

namespace {

// The cells of a death-register row as the cell assignment leaves them.
void fillEntry(Fixture &f, qint16 bnen, qint16 btuki, qint16 bHi, const QString &donor = QStringLiteral("山田花子"))
{
    KakoRec &k = f.records.entry;
    k.過去CD = 1;
    k.戒名 = QStringLiteral("釋浄心");
    k.ﾖﾐ = QStringLiteral("ｼｬｸｼﾞｮｳｼﾝ");
    k.俗名 = QStringLiteral("山田太郎");
    k.施主名 = donor;
    k.続柄 = QStringLiteral("長男");
    k.享年 = 85;
    k.bnen = bnen;
    k.btuki = btuki;
    k.bHi = bHi;
    MemberRec &r = f.row();
    r.MEI = r.世帯主名 = donor;
    r.JYU = r.訪問先住所 = r.連絡先住所 = QStringLiteral("東京都台東区1-2");
    r.tel = r.訪問先電話 = r.連絡先電話 = QStringLiteral("03-1111-2222");
    r.連絡先郵便 = r.訪問先郵便 = QStringLiteral("110-0001");
    r.YUBIN1 = QStringLiteral("110");
    r.YUBIN2 = QStringLiteral("0001");
    if (bnen > 0 && btuki > 0 && bHi > 0)
        BuildKaikiDates(*f.ctx, f.records, QStringLiteral("%1/%2/%3").arg(bnen).arg(btuki).arg(bHi));
}

int rowsOf(Fixture &f, const QString &table, int kakoCd)
{
    return int(f.values(table, QStringLiteral("過去CD"), QStringLiteral("[過去CD] = ?"), {kakoCd}).size());
}

// One column of an entry's W_KAIKI rows, in the order written (KAINO), and
// one column of one of its D_OMAIRI rows.
QStringList kaiki(Fixture &f, const QString &column, int kakoCd = 1)
{
    return f.values(QStringLiteral("W_KAIKI"), column, QStringLiteral("[過去CD] = ?"), {kakoCd});
}
QString omairi(Fixture &f, int service, const QString &column, int kakoCd = 1)
{
    const QStringList v = f.values(QStringLiteral("D_OMAIRI"), column,
                                   QStringLiteral("[過去CD] = ? AND [OMAIRINO] = ?"), {kakoCd, service});
    return v.size() == 1 ? v.first() : QStringLiteral("<%1 rows>").arg(v.size());
}

// Checks "column=value" against read(column), and "service:column=value"
// against the entry's D_OMAIRI row of that service.
template <typename Read>
void checkColumns(Read read, const QStringList &expected)
{
    for (const QString &e : expected) {
        const QString column = e.section(u'=', 0, 0);
        QCOMPARE(column + u'=' + read(column), e);
    }
}
void checkServices(Fixture &f, int kakoCd, const QStringList &expected)
{
    checkColumns([&](const QString &c) { return omairi(f, c.section(u':', 0, 0).toInt(), c.section(u':', 1), kakoCd); },
                 expected);
}

} // namespace

class TestDeathRegister : public QObject {
    Q_OBJECT

    // The date rules need a context but no tables: one fixture serves them.
    std::unique_ptr<Fixture> m_plain;
    Fixture &plain()
    {
        if (!m_plain)
            m_plain = std::make_unique<Fixture>(Route::Direct);
        m_plain->ctx->master.kbnValues.fill(0);
        return *m_plain;
    }

private slots:
    void anniversaryDates_data()
    {
        QTest::addColumn<QString>("death");
        QTest::addColumn<int>("shift");  // master.kbnValues(10)
        QTest::addColumn<int>("yearly"); // master.kbnValues(12)
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected");
        QTest::newRow("初七日") << "2003/05/17" << 0 << 0 << 0 << "2003/05/23";
        QTest::newRow("七七日") << "2003/05/17" << 0 << 0 << 6 << "2003/07/04";
        QTest::newRow("百ヶ日") << "2003/05/17" << 0 << 0 << 7 << "2003/08/24";
        QTest::newRow("１周忌") << "2003/05/17" << 0 << 0 << 8 << "2004/05/17";
        QTest::newRow("500回忌") << "2003/05/17" << 0 << 0 << 30 << "2502/05/17";
        QTest::newRow("earlier, yearly shifted: 初七日") << "2003/05/17" << 1 << 1 << 0 << "2003/05/22";
        QTest::newRow("earlier, yearly shifted: １周忌") << "2003/05/17" << 1 << 1 << 8 << "2004/05/16";
        QTest::newRow("earlier, yearly kept: １周忌") << "2003/05/17" << 1 << 0 << 8 << "2004/05/17";
        QTest::newRow("later: 百ヶ日") << "2003/05/17" << 2 << 1 << 7 << "2003/08/25";
        QTest::newRow("unknown shift value") << "2003/05/17" << 3 << 1 << 0 << "2003/05/23";
        QTest::newRow("29 Feb: １周忌") << "2000/02/29" << 0 << 0 << 8 << "2001/02/28";
        QTest::newRow("29 Feb: 13回忌 (leap)") << "2000/02/29" << 0 << 0 << 11 << "2012/02/29";
        QTest::newRow("over new year") << "2003/12/30" << 0 << 0 << 0 << "2004/01/05";
        QTest::newRow("short pieces") << "2003/5/7" << 0 << 0 << 0 << "2003/05/13";
    }
    void anniversaryDates()
    {
        QFETCH(QString, death);
        QFETCH(int, shift);
        QFETCH(int, yearly);
        QFETCH(int, index);
        QFETCH(QString, expected);
        Fixture &f = plain();
        f.ctx->master.kbnValues[10] = qint16(shift);
        f.ctx->master.kbnValues[12] = qint16(yearly);
        QVERIFY(BuildKaikiDates(*f.ctx, f.records, death));
        QCOMPARE(f.records.anniversaryDates[index], expected);
        QVERIFY(f.records.anniversaryDates[31].isEmpty());
    }

    void rejectedDates()
    {
        Fixture &f = plain();
        f.records.anniversaryDates.fill(QStringLiteral("earlier"));
        for (const QString &bad : {QStringLiteral("2003/02/30"), QStringLiteral("2003/13/01"), QStringLiteral("abc"),
                                  QStringLiteral("2003/05/17/1")}) {
            QVERIFY2(!BuildKaikiDates(*f.ctx, f.records, bad), qPrintable(bad));
            QCOMPARE(f.records.anniversaryDates[0], QStringLiteral("earlier")); // nothing changed
        }
        // Past the calendar's last year: the dates before it stay, the rest blank.
        QVERIFY(!BuildKaikiDates(*f.ctx, f.records, QStringLiteral("9600/01/01")));
        QCOMPARE(QStringList(f.records.anniversaryDates.begin() + 28, f.records.anniversaryDates.end()),
                 (QStringList{"9999/01/01", "", "", ""}));
    }

    void firstService_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<QDate>("death");
        QTest::addColumn<int>("daysBefore");
        QTest::addColumn<int>("expected");
        // Today 2024/05/10; the first bon (7) is 8/13, the first higan (6) 3/18.
        QTest::newRow("bon, death before it") << 7 << QDate(2024, 1, 10) << 0 << 0;
        QTest::newRow("bon, death on its day") << 7 << QDate(2024, 8, 13) << 0 << 0;
        QTest::newRow("bon, death the day after") << 7 << QDate(2024, 8, 14) << 0 << 1;
        QTest::newRow("bon, 10 days before: on the limit") << 7 << QDate(2024, 8, 3) << 10 << 0;
        QTest::newRow("bon, 10 days before: past it") << 7 << QDate(2024, 8, 4) << 10 << 1;
        QTest::newRow("higan on its day") << 6 << QDate(2024, 3, 18) << 0 << 0;
        QTest::newRow("higan the day after") << 6 << QDate(2024, 3, 19) << 0 << 1;
        QTest::newRow("tanagyo: always next year") << 8 << QDate(2000, 1, 1) << 0 << 1;
    }
    void firstService()
    {
        QFETCH(int, k);
        QFETCH(QDate, death);
        QFETCH(int, daysBefore);
        QFETCH(int, expected);
        Fixture &f = plain();
        f.clock.set(QDate(2024, 5, 10));
        f.ctx->master.kbnValues[4] = qint16(daysBefore); // first bon
        f.ctx->master.kbnValues[5] = qint16(daysBefore); // first higan
        QCOMPARE(int(FirstServiceOffset(*f.ctx, qint16(death.year()), qint16(death.month()), qint16(death.day()),
                                        qint16(k))),
                 expected);
    }

    // One entry's W_KAKO, W_KAIKI and D_OMAIRI rows, today in May. Rows of
    // an earlier run of the same number give way; writing again replaces.
    void entryRows_data()
    {
        QTest::addColumn<Route>("route");
        QTest::addColumn<QString>("kankei");
        QTest::addColumn<int>("rows");
        QTest::newRow("sqlite: Kankei 2") << Route::Direct << QStringLiteral("2") << 31;
        QTest::newRow("sqlite: Kankei 0") << Route::Direct << QStringLiteral("0") << 25;
        QTest::newRow("odbc: Kankei 2") << Route::Odbc << QStringLiteral("2") << 31;
    }
    void entryRows()
    {
        QFETCH(Route, route);
        QFETCH(QString, kankei);
        QFETCH(int, rows);
        Fixture f(route);
        Transaction tx(f.t.db()); // as the driver writes a row; rolled back at the end
        f.clock.set(QDate(2024, 5, 10));
        fillEntry(f, 2017, 5, 17);
        KakoRec &k = f.records.entry;
        k.戒名 = QStringLiteral("釋") + QString(21, QChar(u'浄')); // 22 kanji, 44 bytes
        k.続柄 = QStringLiteral("  ");
        k.俗名.clear();
        f.row().SETAI_NO = QStringLiteral("000012");
        f.row().検索 = QStringLiteral("ﾔﾏﾀﾞ");
        f.row().Kankei = kankei;
        PutKakoRnd(*f.ctx, f.records);
        f.t.db().insert(QStringLiteral("W_KAIKI"), {{QStringLiteral("過去CD"), 1}, {QStringLiteral("KAINO"), 99}});
        f.t.db().insert(QStringLiteral("D_OMAIRI"), {{QStringLiteral("過去CD"), 1}, {QStringLiteral("OMAIRINO"), 42}});

        QVERIFY(WriteKako(*f.ctx, f.records, 1));
        QVERIFY(WriteKako(*f.ctx, f.records, 1));
        QCOMPARE(rowsOf(f, QStringLiteral("W_KAKO"), 1), 1);
        checkColumns([&](const QString &c) { return f.values(QStringLiteral("W_KAKO"), c).value(0); },
                     {"過去CD=1", "世帯CD=12", "個人CD=0", "年号=平成", "年号年=二十九", "歿年月=五", "歿年日=十七",
                      "享年=85", "享年和=八十五", "戒名=" + k.戒名, "ﾖﾐ=ｼｬｸｼﾞｮｳｼﾝ ", "俗名= ", "施主名=山田花子", "続柄= ",
                      "bnen=2017", "btuki=5", "bHi=17", "yubin=110-0001", "JYU=東京都台東区1-2", "tel=03-1111-2222",
                      "地区=<null>", "検索=ﾔﾏﾀﾞ"});

        // The eras follow each anniversary's own day, across era
        // boundaries: ３回忌 on 2019/05/17 is after 令和 began.
        QVERIFY(WriteKaiki(*f.ctx, f.records, 1));
        QStringList kaino;
        for (int i = 0; i < rows; ++i)
            kaino << QString::number(i);
        QCOMPARE(kaiki(f, QStringLiteral("KAINO")), kaino);
        QCOMPARE(kaiki(f, QStringLiteral("回忌")).last(), KaikiName(qint16(rows - 1)));
        QCOMPARE(kaiki(f, QStringLiteral("KSEI")).last(), rows == 31 ? QStringLiteral("2516") : QStringLiteral("2216"));
        QCOMPARE(kaiki(f, QStringLiteral("回忌年")).at(8), QStringLiteral("2018/05/17"));
        checkColumns([&](const QString &c) { return kaiki(f, c).first(); },
                     {"回忌年=2017/05/23", "回日=23", "世帯CD=000012", "個人CD= ", "年号=平成", "年号年=二十九"});
        const QStringList era = kaiki(f, QStringLiteral("回年号"));
        const QStringList year = kaiki(f, QStringLiteral("回年"));
        QCOMPARE((QStringList{era[0] + year[0], era[8] + year[8], era[9] + year[9], era[10] + year[10]}),
                 (QStringList{"平成29", "平成30", "令和1", "令和5"})); // 初七日, １周忌, ３回忌, ７回忌
        QCOMPARE(kaiki(f, QStringLiteral("回月")).at(10), QStringLiteral("5"));
        QCOMPARE(kaiki(f, QStringLiteral("年号")).at(10), QStringLiteral("平成")); // the year of death

        // 祥月命日 has no month of its own: the month of death, 5, this year.
        // 春彼岸 (2) in March is past: next year; お盆 (3) and 新盆 (7) are to
        // come; 棚経 (8) is always the next year.
        f.row().地区 = QStringLiteral("東");
        QVERIFY(WriteOmairi(*f.ctx, f.records, 1, 12));
        QCOMPARE(rowsOf(f, QStringLiteral("D_OMAIRI"), 1), 18);
        QCOMPARE(omairi(f, 42, QStringLiteral("OMAIRINO")), QStringLiteral("<0 rows>"));
        checkServices(f, 1, {"0:法月=5", "0:法日=17", "0:法要年=2024", "2:法要年=2025", "3:法要年=2024", "7:法要年=2024",
                             "8:法要年=2025", "2:法年号=令和", "2:法年=7", "2:法要=春彼岸 ", "2:場所=2", "2:世帯CD=000012",
                             "2:個人CD=12", "2:年号=平成", "2:年号年=二十九", "2:KSEI=2", "2:場所名=<null>", "2:地区=東 ",
                             "2:訪問郵便=110-0001 "});
        QVERIFY(f.prompt.texts().isEmpty());
    }

    // A service without its master row, or with a blank name, is written all
    // the same. No year of death: no service rows. A year and month without a
    // day: service rows, the first bon and tanagyo without a year.
    void serviceRowsEdgeCases_data() { addRoutes(); }
    void serviceRowsEdgeCases()
    {
        QFETCH(Route, route);
        Fixture f(route);
        Transaction tx(f.t.db()); // as the driver writes a row; rolled back at the end
        f.clock.set(QDate(2024, 5, 10));
        fillEntry(f, 2003, 9, 17);
        f.t.db().execute(QStringLiteral("DELETE FROM [OMAIRI] WHERE [ONO] = 11"));
        f.t.db().execute(QStringLiteral("UPDATE [OMAIRI] SET [NM] = ' ' WHERE [ONO] = 12"));
        f.ctx->master.services[11] = OmairiRec();
        QVERIFY(WriteOmairi(*f.ctx, f.records, 1, 0));
        // A lone blank NM counts as none; the master in memory still has month 12.
        checkServices(f, 1, {"11:法要= ", "11:法月=9", "11:法日=17", "11:法要年=2024", "12:法要= ", "12:法月=12",
                             "12:世帯CD= "});

        f.clock.set(QDate(2025, 6, 1));
        fillEntry(f, 0, 5, 17);
        QVERIFY(WriteOmairi(*f.ctx, f.records, 2, 0));
        QCOMPARE(rowsOf(f, QStringLiteral("D_OMAIRI"), 2), 0);
        fillEntry(f, 2003, 5, 0);
        QVERIFY(WriteOmairi(*f.ctx, f.records, 3, 0));
        QCOMPARE(rowsOf(f, QStringLiteral("D_OMAIRI"), 3), 18);
        checkServices(f, 3, {"7:法要年=0", "8:法要年=0", "9:法要年=2026"}); // お初穂, January, today June 2025
    }

    // Numbers past the 16-bit range stop the row before kako.rnd is touched;
    // a table that cannot be written is reported and the row marked failed.
    void failuresAreReported_data() { addRoutes(); }
    void failuresAreReported()
    {
        QFETCH(Route, route);
        Fixture f(route);
        Transaction tx(f.t.db()); // as the driver writes a row; rolled back at the end
        qint32 counter = 32767;
        fillEntry(f, 2003, 5, 17);
        QVERIFY_THROWS_EXCEPTION(DbError, WriteDeathRegisterImportRow(*f.ctx, f.records, counter));
        QCOMPARE(counter, 32767);
        QCOMPARE(f.ctx->kakoFile.entryCount(), 0);

        f.t.db().insert(QStringLiteral("D_KOJIN"), {{QStringLiteral("KOJIN_NO"), QStringLiteral("1")},
                                                  {QStringLiteral("SETAI_NO"), QStringLiteral("040000")},
                                                  {QStringLiteral("MEI"), QStringLiteral("山田花子")}});
        counter = 0;
        QVERIFY_THROWS_EXCEPTION(DbError, WriteDeathRegisterImportRow(*f.ctx, f.records, counter));
        QCOMPARE(f.ctx->kakoFile.entryCount(), 0);
        QCOMPARE(rowsOf(f, "W_KAKO", 1), 0);

        fillEntry(f, 2003, 5, 17);
        PutKakoRnd(*f.ctx, f.records);
        f.t.db().execute(QStringLiteral("DROP TABLE [W_KAIKI]"));
        QVERIFY(!WriteKaiki(*f.ctx, f.records, 1));
        QVERIFY(!f.ctx->rowFailures.isEmpty());
        QVERIFY(f.prompt.texts().value(0).startsWith(QStringLiteral("ErrCode = ")));
    }

};

QTEST_GUILESS_MAIN(TestDeathRegister)
#include "tst_death_register.moc"
