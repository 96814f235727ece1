// Values that reach the death register as the source meant them: eras at an
// era change, no era where none applies, cells to correct that stop the run
// before it writes, texts cut to the record's widths (and said so), a new
// donor's visit data on his first entry, and the CP932 form of characters
// that files of other systems use.
#include "fixture.h"
#include "transcribe/check_run.h"
#include "transcribe/kako_rnd.h"

using namespace tera;

class TestRegisterValues : public QObject {
    Q_OBJECT

private slots:
    // The era of a death date whose month and day are known follows the day
    // an era began; a year alone keeps the era it names, or the older era of
    // a shared year. The date as registers write it (formal numerals, 廿 and
    // 卅 days), through the cell assignment into W_KAKO, and the same era of
    // the death on every anniversary and service row.
    void eraOfDeathDate_data()
    {
        QTest::addColumn<ImportRow>("cells");
        QTest::addColumn<QString>("expected"); // W_KAKO 年号/年号年/歿年月/歿年日/bnen-btuki-bHi
        QTest::addColumn<int>("anniversaries");
        auto add = [](const char *name, ImportRow cells, const char *expected, int anniversaries) {
            QTest::newRow(name) << cells << QString::fromUtf8(expected) << anniversaries;
        };
        auto day = [](const char *text) { return ImportRow{{kDate, QString::fromUtf8(text)}}; };
        auto era = [](const char *text) { return ImportRow{{kEraDate, QString::fromUtf8(text)}}; };
        add("1912-07-29", day("1912年7月29日"), "明治/四十五/七/二十九/1912-7-29", 25);
        add("1912-07-30", day("1912年7月30日"), "大正/一/七/三十/1912-7-30", 25);
        add("1926-12-24", day("1926年12月24日"), "大正/十五/十二/二十四/1926-12-24", 25);
        add("1926-12-25", day("1926年12月25日"), "昭和/一/十二/二十五/1926-12-25", 25);
        add("1989-01-07", day("1989年1月7日"), "昭和/六十四/一/七/1989-1-7", 25);
        add("1989-01-08", day("1989年1月8日"), "平成/一/一/八/1989-1-8", 25);
        add("2019-04-30", day("2019年4月30日"), "平成/三十一/四/三十/2019-4-30", 25);
        add("2019-05-01", day("2019年5月1日"), "令和/一/五/一/2019-5-1", 25);
        add("2019-12-31", day("2019年12月31日"), "令和/一/十二/三十一/2019-12-31", 25);
        add("year and month", day("2019年6月"), "平成/三十一/六/０/2019-6-0", 0);
        add("era written, older era", era("昭和六十四年一月七日"), "昭和/六十四/一/七/1989-1-7", 25);
        add("era written, newer year", era("平成元年12月3日"), "平成/一/十二/三/1989-12-3", 25);
        add("平成十年三月廿一日", era("平成十年三月廿一日"), "平成/十/三/二十一/1998-3-21", 25);
        add("昭和五十年拾弐月参日", era("昭和五十年拾弐月参日"), "昭和/五十/十二/三/1975-12-3", 25);
        add("昭和卅年五月廿日", era("昭和卅年五月廿日"), "昭和/三十/五/二十/1955-5-20", 25);
        add("弐千弐拾四年壱月念日", day("弐千弐拾四年壱月念日"), "令和/六/一/二十/2024-1-20", 25);
        // A year alone keeps the era it names, at every change year.
        add("明治四十五年", era("明治四十五年"), "明治/四十五/０/０/1912-0-0", 0);
        add("大正元年", era("大正元年"), "大正/一/０/０/1912-0-0", 0);
        add("大正十五年", era("大正十五年"), "大正/十五/０/０/1926-0-0", 0);
        add("昭和元年", era("昭和元年"), "昭和/一/０/０/1926-0-0", 0);
        add("昭和64年", era("昭和64年"), "昭和/六十四/０/０/1989-0-0", 0);
        add("平成元年", era("平成元年"), "平成/一/０/０/1989-0-0", 0);
        add("平成三十一年", ImportRow({{3, QStringLiteral("平成")}, {4, QStringLiteral("三十一")}}), "平成/三十一/０/０/2019-0-0", 0);
        add("令和元年", ImportRow({{3, QStringLiteral("令和")}, {4, QStringLiteral("元")}}), "令和/一/０/０/2019-0-0", 0);
        // A western year alone keeps the whole-year rule: the older era.
        add("1989", ImportRow{{kBnen, QStringLiteral("1989")}}, "昭和/六十四/０/０/1989-0-0", 0);
        // A day the stated era does not hold takes the era of its day.
        add("平成元年1月5日", era("平成元年1月5日"), "昭和/六十四/一/五/1989-1-5", 25);
        add("昭和64年1月8日", era("昭和64年1月8日"), "平成/一/一/八/1989-1-8", 25);
        add("令和元年四月", ImportRow({{3, QStringLiteral("令和")}, {4, QStringLiteral("元")}, {5, QStringLiteral("四")}}),
            "平成/三十一/四/０/2019-4-0", 0);
        // No era before the first one, and none for a row without a date.
        add("before every era", day("1867年3月1日"), " / /三/一/1867-3-1", 25);
        add("no date", ImportRow{}, " / /０/０/0-0-0", 0);
    }
    void eraOfDeathDate()
    {
        QFETCH(ImportRow, cells);
        QFETCH(QString, expected);
        QFETCH(int, anniversaries);
        Fixture f(kOutDeathRegister);
        cells.insert(kKaimyo, QStringLiteral("釋浄念"));
        QCOMPARE(f.run({cells}).rowsWritten, 1);
        QCOMPARE(f.column(QStringLiteral("SELECT [年号] || '/' || [年号年] || '/' || [歿年月] || '/' || [歿年日] || '/' || "
                                         "[bnen] || '-' || [btuki] || '-' || [bHi] AS v FROM [W_KAKO]")),
                 QStringList{expected});
        const QString entryEra = expected.section(u'/', 0, 1);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")), anniversaries);
        if (anniversaries > 0)
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [年号] || '/' || [年号年] AS v FROM [W_KAIKI]")), QStringList{entryEra});
        // A year of death suffices for the services.
        const bool services = !expected.endsWith(QStringLiteral("/0-0-0"));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), services ? 18 : 0);
        if (services)
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [年号] || '/' || [年号年] AS v FROM [D_OMAIRI]")), QStringList{entryEra});
    }

    // A date that does not exist, or whose numeral is no number, or a value
    // out of range is a cell to correct: found before anything is written,
    // the run writes nothing at all (not even the rows before it, nor the
    // backup), and the report names the row, the column and the value.
    void cellToCorrectStopsTheRun_data()
    {
        QTest::addColumn<ImportRow>("cells");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("why");
        QTest::newRow("age overflow") << ImportRow{{kAge, QStringLiteral("99999")}} << kAge
                                      << QStringLiteral("「99999」の値 99999 は範囲外です（-32768～32767）。");
        QTest::newRow("month before year") << ImportRow{{kDate, QStringLiteral("5月2003年17日")}} << kDate
                                           << QStringLiteral("「5月2003年17日」は日付として読めません：「月」が「年」より前にあります。");
        QTest::newRow("平成元年13月40日") << ImportRow{{kEraDate, QStringLiteral("平成元年13月40日")}} << kEraDate
                                          << QStringLiteral("没年月日「平成元年13月40日」は存在しない日付です: 月 13 はありません（1～12）。");
        QTest::newRow("2023/02/30") << ImportRow{{kBnen, QStringLiteral("2023")}, {kBtuki, QStringLiteral("02")}, {kBhi, QStringLiteral("30")}}
                                    << kBhi << QStringLiteral("没年月日「30」は存在しない日付です: 2023年2月30日 はありません（2023年2月は 28 日まで）。");
        QTest::newRow("十十") << ImportRow{{kDate, QStringLiteral("十十年5月1日")}} << kDate
                              << QStringLiteral("没年月日「十十年5月1日」を直してください: 「十十」は数の書き方として正しくありません（「十」の位が重なっています）。");
    }
    void cellToCorrectStopsTheRun()
    {
        QFETCH(ImportRow, cells);
        QFETCH(int, column);
        QFETCH(QString, why);
        Fixture f(kOutDeathRegister);
        const ImportRow good{{kKaimyo, QStringLiteral("釋浄念")}, {kDate, QStringLiteral("2003年5月17日")}};
        cells.insert(kKaimyo, QStringLiteral("釋浄光"));
        const QByteArray kakoBefore = fileBytes(f.state.files.kako);
        const TranscribeReport r = f.run({good, cells, good});
        QCOMPARE(r.outcome, TranscribeReport::Outcome::Failed);
        QCOMPARE(r.failureRow, 2);
        QCOMPARE(r.failureColumn, column);
        QCOMPARE(r.rowsToCorrect.size(), 1);
        QCOMPARE(r.rowsToCorrect.first().row, 2);
        QCOMPARE(r.rowsToCorrect.first().column, column);
        QCOMPARE(r.rowsToCorrect.first().reason, why);
        QVERIFY2(r.failure.contains(why), qPrintable(r.failure));
        QCOMPARE(r.rowsWritten, 0);
        QCOMPARE(r.incompleteRows(), 3);
        const QString shown = f.prompt.texts().last();
        for (const QString &said : {QStringLiteral("2 行目"), CatalogueOf(kOutDeathRegister).at(column).name, QStringLiteral("何も書き込んでいません")})
            QVERIFY2(shown.contains(said), qPrintable(shown));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 0);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")), 0);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), 0);
        QCOMPARE(fileBytes(f.state.files.kako), kakoBefore);
        QVERIFY(!QFile::exists(f.state.files.databaseBackup));
    }

    // An anniversary's own era follows its own day: the first anniversary of
    // deaths a year before a change falls on either side of it.
    void eraOfAnniversary_data()
    {
        QTest::addColumn<QString>("death");
        QTest::addColumn<QString>("expected"); // 回年号/回年 of the first anniversary (KAINO 8)
        QTest::newRow("1911-07-29") << QStringLiteral("1911年7月29日") << QStringLiteral("明治/45");
        QTest::newRow("1911-07-30") << QStringLiteral("1911年7月30日") << QStringLiteral("大正/1");
        QTest::newRow("1925-12-24") << QStringLiteral("1925年12月24日") << QStringLiteral("大正/15");
        QTest::newRow("1925-12-25") << QStringLiteral("1925年12月25日") << QStringLiteral("昭和/1");
        QTest::newRow("1988-01-07") << QStringLiteral("1988年1月7日") << QStringLiteral("昭和/64");
        QTest::newRow("1988-01-08") << QStringLiteral("1988年1月8日") << QStringLiteral("平成/1");
        QTest::newRow("2018-04-30") << QStringLiteral("2018年4月30日") << QStringLiteral("平成/31");
        QTest::newRow("2018-05-01") << QStringLiteral("2018年5月1日") << QStringLiteral("令和/1");
        // Deaths before the first era: anniversaries from 明治 on get theirs.
        QTest::newRow("1867-03-01") << QStringLiteral("1867年3月1日") << QStringLiteral("明治/1");
        QTest::newRow("1866-03-01") << QStringLiteral("1866年3月1日") << QStringLiteral(" /0");
    }
    void eraOfAnniversary()
    {
        QFETCH(QString, death);
        QFETCH(QString, expected);
        Fixture f(kOutDeathRegister);
        QCOMPARE(f.run({{{kKaimyo, QStringLiteral("釋浄念")}, {kDate, death}}}).rowsWritten, 1);
        QCOMPARE(f.column(QStringLiteral("SELECT [回年号] || '/' || [回年] AS v FROM [W_KAIKI] WHERE [KAINO] = 8")),
                 QStringList{expected});
        // The day-counted anniversaries of a death in 1866 fall before 明治 too.
        if (death.startsWith(QStringLiteral("1866")))
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [回年号] AS v FROM [W_KAIKI] WHERE [KAINO] <= 8")),
                     QStringList{QStringLiteral(" ")});
    }

    // A service's era follows its own year, month and day; in 2019 the
    // services before 1 May are 平成 31, those from it on 令和 1.
    void eraOfService()
    {
        Fixture f(kOutDeathRegister);
        f.clock.set(QDate(2019, 1, 10));
        QCOMPARE(f.run({{{kKaimyo, QStringLiteral("釋浄念")}, {kDate, QStringLiteral("1990年6月15日")}}}).rowsWritten, 1);
        Query q = f.db->exec(QStringLiteral("SELECT * FROM [D_OMAIRI] ORDER BY [OMAIRINO]"));
        QSet<QString> seen;
        int rows = 0;
        while (q.next()) {
            ++rows;
            const int y = int(q.integer(QStringLiteral("法要年")));
            const QDate day(y, q.text(QStringLiteral("法月")).toInt(), q.text(QStringLiteral("法日")).toInt());
            const QString service = q.text(QStringLiteral("法要"));
            const QString got = q.text(QStringLiteral("法年号")) + u'/' + q.text(QStringLiteral("法年"));
            const QString expected = y != 2019 ? got // other years are not at a change
                                     : day.isValid() && day >= QDate(2019, 5, 1) ? QStringLiteral("令和/1")
                                                                               : QStringLiteral("平成/31");
            QVERIFY2(got == expected, qPrintable(service + QStringLiteral(": ") + got));
            if (y == 2019)
                seen << got;
        }
        q.finish();
        QCOMPARE(rows, 18);
        QCOMPARE(seen, (QSet<QString>{QStringLiteral("令和/1"), QStringLiteral("平成/31")}));
        // 3/18 春彼岸 is before the change, the 6/15 anniversary month after it.
        QCOMPARE(f.column(QStringLiteral("SELECT [法年号] AS v FROM [D_OMAIRI] WHERE [OMAIRINO] = 2")),
                 QStringList{QStringLiteral("平成")});
        QCOMPARE(f.column(QStringLiteral("SELECT [法年号] AS v FROM [D_OMAIRI] WHERE [OMAIRINO] = 0")),
                 QStringList{QStringLiteral("令和")});
    }

    // The register's columns hold at most the record's width in characters;
    // kako.rnd keeps as many bytes. Every cut is listed with the column, the
    // kept text and the length lost, by the run report and by the check.
    void textsCutToRecordWidth()
    {
        const QString reading = QStringLiteral("ｱｲｳｴｵｶｷｸｹｺ").repeated(4) + QStringLiteral("ｻｼｽｾｿﾀﾁ"); // 47
        const QString kaimyo40 = QString(40, QChar(u'釋'));
        const QString zokumei = QString(19, QChar(u'山')) + QStringLiteral("😀です"); // a pair across the 20th place
        const QString relation = QStringLiteral("祖父の兄の妻");              // exactly 6
        const QList<ImportRow> rows = {{{kKaimyo, kaimyo40},
                                        {kReading, reading},
                                        {kZokumei, zokumei},
                                        {kZokugara, relation},
                                        {kDate, QStringLiteral("2003年5月17日")}}};

        Fixture f(kOutDeathRegister);
        f.t.db().close();
        const CheckReport check = CheckTranscription(*importTable(kOutDeathRegister, rows), f.state.runSettings(), f.state.master, f.clock);
        QStringList checkTexts;
        for (const CheckFinding &finding : check.findings)
            checkTexts << finding.text;
        const TranscribeReport r = f.run(rows);
        QCOMPARE(r.rowsWritten, 1);
        Query q = f.db->exec(QStringLiteral("SELECT * FROM [W_KAKO]"));
        QVERIFY(q.next());
        QCOMPARE(q.text(QStringLiteral("ﾖﾐ")), reading.left(40));
        QCOMPARE(q.text(QStringLiteral("戒名")), kaimyo40);
        QCOMPARE(q.text(QStringLiteral("俗名")), QString(19, QChar(u'山')));
        QCOMPARE(q.text(QStringLiteral("続柄")), relation);
        q.finish();
        for (const char *table : {"W_KAIKI", "D_OMAIRI"})
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [俗名] AS v FROM [%1]").arg(QLatin1String(table))),
                     QStringList{QString(19, QChar(u'山'))});
        // kako.rnd as before: the bytes of the field.
        const KakoRec rec = KakoRndFile(f.state.files.kako).get(1);
        QCOMPARE(rec.ﾖﾐ, reading.left(40));
        QCOMPARE(rec.俗名, QString(10, QChar(u'山')));

        // Two cuts: ﾖﾐ and 俗名; 戒名 and 続柄 fit exactly.
        const QString readingCut = QStringLiteral("ﾖﾐ「%1」は 40 文字までのため、「%2」として書き込みます（7 文字を切り捨て）。")
                                       .arg(reading, reading.left(40));
        const QString nameCut = QStringLiteral("俗名「%1」は 20 文字までのため、「%2」として書き込みます（4 文字を切り捨て）。")
                                    .arg(zokumei, QString(19, QChar(u'山')));
        QStringList reported;
        for (const RowNote &n : r.valueNotices)
            reported << n.reason;
        QCOMPARE(reported.size(), 2);
        QVERIFY2(reported.at(0).endsWith(readingCut), qPrintable(reported.join(u'\n')));
        QVERIFY2(reported.at(1).endsWith(nameCut), qPrintable(reported.join(u'\n')));
        QVERIFY2(checkTexts.contains(readingCut), qPrintable(checkTexts.join(u'\n')));
        QVERIFY2(checkTexts.contains(nameCut), qPrintable(checkTexts.join(u'\n')));
    }

    // A donor made from the row carries his visit data on his first entry,
    // the same as on the entries that find him afterwards. 〜 and − of a
    // UTF-8 file reach kako.rnd in their CP932 form; the database keeps them
    // as they came, and an emoji is still a counted "?".
    void newDonorsVisitDataAndOtherSystemsCharacters()
    {
        Fixture f(kOutDeathRegister);
        const QString address = QStringLiteral("東京都港区芝1−2−3〜5");
        const QString tel = QStringLiteral("03−1234−5678");
        const ImportRow donor = {{kSeshu, QStringLiteral("小林　隆")},
                                 {kPostal, QStringLiteral("248-0012")},
                                 {kJyu, address},
                                 {kTel, tel},
                                 {kDate, QStringLiteral("1998年8月15日")}};
        ImportRow first = donor, second = donor;
        first.insert(kKaimyo, QStringLiteral("釋浄蓮😀"));
        second.insert(kKaimyo, QStringLiteral("釋尼浄蓮"));
        second.insert(kJyu, QStringLiteral("")); // a later row without the address still finds it
        const TranscribeReport r = f.run({first, second});
        QCOMPARE(r.rowsWritten, 2);
        const QString visit = QStringLiteral("248-0012|") + address + u'|' + tel;
        QCOMPARE(f.column(QStringLiteral("SELECT [yubin] || '|' || [JYU] || '|' || [tel] AS v FROM [W_KAKO] ORDER BY [過去CD]")),
                 (QStringList{visit, visit}));
        for (int kakoCd : {1, 2}) {
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [yubin] || '|' || [JYU] || '|' || [tel] AS v FROM [W_KAIKI] WHERE [過去CD] = ?"),
                              {kakoCd}),
                     QStringList{visit});
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT trim([訪問郵便]) || '|' || trim([訪問住所]) || '|' || trim([訪問電話]) AS v "
                                             "FROM [D_OMAIRI] WHERE [過去CD] = ?"),
                              {kakoCd}),
                     QStringList{visit});
        }
        QCOMPARE(f.column(QStringLiteral("SELECT [JYU] || '|' || [tel] AS v FROM [D_KOJIN] WHERE [MEI] = ?"), {QStringLiteral("小林　隆")}),
                 QStringList{address + u'|' + tel});
        const KakoRec rec = KakoRndFile(f.state.files.kako).get(1);
        QCOMPARE(rec.住所, QStringLiteral("東京都港区芝1－2－3～5"));
        QCOMPARE(rec.電話, QStringLiteral("03－1234－56")); // 12 bytes: the two-byte dashes take more room
        QCOMPARE(rec.戒名, QStringLiteral("釋浄蓮?"));
        QCOMPARE(r.kakoReplacedChars, 1);
    }
};

QTEST_GUILESS_MAIN(TestRegisterValues)
#include "tst_register_values.moc"
