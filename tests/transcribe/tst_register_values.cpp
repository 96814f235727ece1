// Values that reach the death register as the source meant them: eras at an
// era change, no era where none applies, texts cut to the record's widths
// (and said so), a new donor's visit data on his first entry, and the CP932
// form of characters that files of other systems use.
#include "fixture.h"
#include "transcribe/check_run.h"
#include "transcribe/kako_rnd.h"


using namespace tera;

namespace {

constexpr int kDate = 1, kEraDate = 2, kAge = 7, kReading = 9, kKaimyo = 10, kZokumei = 11, kSeshu = 12,
              kZokugara = 13, kBnen = 14, kBtuki = 15, kBhi = 16, kPostal = 22, kJyu = 23, kTel = 24;


QString era(Fixture &f, const char *table, int kakoCd, const char *where = "1 = 1")
{
    const QStringList v = f.column(QStringLiteral("SELECT [年号] || '/' || [年号年] AS v FROM [%1] WHERE [過去CD] = ? AND %2")
                                       .arg(QLatin1String(table), QLatin1String(where)),
                                   {kakoCd});
    return v.isEmpty() ? QStringLiteral("<none>") : v.first();
}

} // namespace

class TestRegisterValues : public QObject {
    Q_OBJECT

private slots:
    // The era of a death date whose month and day are known follows the day
    // an era began; a year alone keeps the older era of a shared year.
    void eraOfDeathDate_data()
    {
        QTest::addColumn<ImportRow>("cells");
        QTest::addColumn<QString>("expected"); // W_KAKO 年号/年号年
        auto add = [](const char *name, ImportRow cells, const char *expected) {
            QTest::newRow(name) << cells << QString::fromUtf8(expected);
        };
        auto day = [](const char *text) { return ImportRow{{kDate, QString::fromUtf8(text)}}; };
        add("1912-07-29", day("1912年7月29日"), "明治/四十五");
        add("1912-07-30", day("1912年7月30日"), "大正/一");
        add("1926-12-24", day("1926年12月24日"), "大正/十五");
        add("1926-12-25", day("1926年12月25日"), "昭和/一");
        add("1989-01-07", day("1989年1月7日"), "昭和/六十四");
        add("1989-01-08", day("1989年1月8日"), "平成/一");
        add("2019-04-30", day("2019年4月30日"), "平成/三十一");
        add("2019-05-01", day("2019年5月1日"), "令和/一");
        add("2019-12-31", day("2019年12月31日"), "令和/一");
        add("a year alone", ImportRow{{kBnen, QStringLiteral("1989")}}, "昭和/六十四");
        add("year and month", day("2019年6月"), "平成/三十一");
        add("era written, older era", ImportRow{{kEraDate, QStringLiteral("昭和六十四年一月七日")}}, "昭和/六十四");
        add("era written, newer year", ImportRow{{kEraDate, QStringLiteral("平成元年12月3日")}}, "平成/一");
        // No era before the first one, and none for a row without a date.
        add("before every era", day("1867年3月1日"), " / ");
        add("no date", ImportRow{}, " / ");
    }
    void eraOfDeathDate()
    {
        QFETCH(ImportRow, cells);
        QFETCH(QString, expected);
        Fixture f(kOutDeathRegister);
        cells.insert(kKaimyo, QStringLiteral("釋浄念"));
        QCOMPARE(f.run({cells}).rowsWritten, 1);
        QCOMPARE(era(f, "W_KAKO", 1), expected);
        // The anniversaries and services carry the same era of the death.
        if (f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")) > 0)
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [年号] || '/' || [年号年] AS v FROM [W_KAIKI]")),
                     QStringList{expected});
        if (f.count(QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")) > 0)
            QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [年号] || '/' || [年号年] AS v FROM [D_OMAIRI]")),
                     QStringList{expected});
    }

    // The date as registers write it (formal numerals, 廿 and 卅 days) and
    // the era it states, through the cell assignment into W_KAKO, and the
    // same era of the death on every anniversary and service row.
    void statedEraAndOldForms_data()
    {
        QTest::addColumn<ImportRow>("cells");
        QTest::addColumn<QString>("expected"); // W_KAKO 年号/年号年/歿年月/歿年日/bnen-btuki-bHi
        QTest::addColumn<int>("anniversaries");
        auto add = [](const char *name, ImportRow cells, const char *expected, int anniversaries) {
            QTest::newRow(name) << cells << QString::fromUtf8(expected) << anniversaries;
        };
        auto era = [](const char *text) { return ImportRow{{kEraDate, QString::fromUtf8(text)}}; };
        add("平成十年三月廿一日", era("平成十年三月廿一日"), "平成/十/三/二十一/1998-3-21", 25);
        add("昭和五十年拾弐月参日", era("昭和五十年拾弐月参日"), "昭和/五十/十二/三/1975-12-3", 25);
        add("昭和卅年五月廿日", era("昭和卅年五月廿日"), "昭和/三十/五/二十/1955-5-20", 25);
        add("弐千弐拾四年壱月念日", ImportRow{{kDate, QStringLiteral("弐千弐拾四年壱月念日")}}, "令和/六/一/二十/2024-1-20", 25);
        // A year alone keeps the era it names, at every change year.
        add("明治四十五年", era("明治四十五年"), "明治/四十五/０/０/1912-0-0", 0);
        add("大正元年", era("大正元年"), "大正/一/０/０/1912-0-0", 0);
        add("大正十五年", era("大正十五年"), "大正/十五/０/０/1926-0-0", 0);
        add("昭和元年", era("昭和元年"), "昭和/一/０/０/1926-0-0", 0);
        add("昭和64年", era("昭和64年"), "昭和/六十四/０/０/1989-0-0", 0);
        add("平成元年", era("平成元年"), "平成/一/０/０/1989-0-0", 0);
        add("平成三十一年", ImportRow({{3, QStringLiteral("平成")}, {4, QStringLiteral("三十一")}}), "平成/三十一/０/０/2019-0-0", 0);
        add("令和元年", ImportRow({{3, QStringLiteral("令和")}, {4, QStringLiteral("元")}}), "令和/一/０/０/2019-0-0", 0);
        // A western year alone keeps the whole-year rule.
        add("1989", ImportRow{{kBnen, QStringLiteral("1989")}}, "昭和/六十四/０/０/1989-0-0", 0);
        // A day the stated era does not hold takes the era of its day.
        add("平成元年1月5日", era("平成元年1月5日"), "昭和/六十四/一/五/1989-1-5", 25);
        add("昭和64年1月8日", era("昭和64年1月8日"), "平成/一/一/八/1989-1-8", 25);
        add("令和元年四月", ImportRow({{3, QStringLiteral("令和")}, {4, QStringLiteral("元")}, {5, QStringLiteral("四")}}),
            "平成/三十一/四/０/2019-4-0", 0);
    }
    void statedEraAndOldForms()
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
        QCOMPARE(f.column(QStringLiteral("SELECT DISTINCT [年号] || '/' || [年号年] AS v FROM [D_OMAIRI]")), QStringList{entryEra});
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), 18);
    }

    // Every formal digit and place word, and the tens written as one
    // character, in the cell where registers use them, all in one run: the
    // stored era year, month, day and age of each entry.
    void eachOldFormReachesTheRegister()
    {
        const struct {
            int item;
            const char *cell;
            const char *age;
            const char *expected; // W_KAKO 年号年/歿年月/歿年日/享年和
        } cases[] = {
            {kEraDate, "平成十年一月壱日", "", "十/一/一/０"},  {kEraDate, "平成十年一月弌日", "", "十/一/一/０"},
            {kEraDate, "平成十年一月弐日", "", "十/一/二/０"},  {kEraDate, "平成十年一月弍日", "", "十/一/二/０"},
            {kEraDate, "平成十年一月参日", "", "十/一/三/０"},  {kEraDate, "平成十年一月弎日", "", "十/一/三/０"},
            {kEraDate, "平成十年一月肆日", "", "十/一/四/０"},  {kEraDate, "平成十年一月伍日", "", "十/一/五/０"},
            {kEraDate, "平成十年一月陸日", "", "十/一/六/０"},  {kEraDate, "平成十年一月漆日", "", "十/一/七/０"},
            {kEraDate, "平成十年一月柒日", "", "十/一/七/０"},  {kEraDate, "平成十年一月捌日", "", "十/一/八/０"},
            {kEraDate, "平成十年一月玖日", "", "十/一/九/０"},  {kEraDate, "平成拾年拾月拾日", "", "十/十/十/０"},
            {kEraDate, "令和佰年一月一日", "", "百/一/一/０"},  {kEraDate, "令和陌年一月一日", "", "百/一/一/０"},
            {kDate, "仟九百九十九年一月一日", "", "十一/一/一/０"},   {kDate, "阡九百九十九年一月一日", "", "十一/一/一/０"},
            {kEraDate, "平成十年一月廿日", "", "十/一/二十/０"},   {kEraDate, "平成十年一月念日", "", "十/一/二十/０"},
            {kEraDate, "平成十年一月卅日", "", "十/一/三十/０"},   {kEraDate, "平成十年一月丗日", "", "十/一/三十/０"},
            {kEraDate, "平成十年一月廿九日", "卌", "十/一/二十九/四十"},
            {kEraDate, "平成十年一月卅一日", "壱萬", "十/一/三十一/一万"},
            {kEraDate, "平成十年一月一日", "玖拾伍才", "十/一/一/九十五"},
        };
        QList<ImportRow> rows;
        QStringList expected;
        for (const auto &c : cases) {
            rows << ImportRow{{kKaimyo, QStringLiteral("釋浄念")}, {c.item, QString::fromUtf8(c.cell)}, {kAge, QString::fromUtf8(c.age)}};
            expected << QString::fromUtf8(c.expected);
        }
        Fixture f(kOutDeathRegister);
        const TranscribeReport r = f.run(rows);
        QCOMPARE(r.rowsWritten, int(rows.size()));
        QVERIFY(r.valueNotices.isEmpty());
        QCOMPARE(f.column(QStringLiteral("SELECT [年号年] || '/' || [歿年月] || '/' || [歿年日] || '/' || [享年和] AS v "
                                         "FROM [W_KAKO] ORDER BY [過去CD]")),
                 expected);
        // Each full date has its 25 anniversaries and 18 services.
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")), 25 * rows.size());
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), 18 * rows.size());
    }

    // A date that does not exist, or whose numeral is no number, is a cell
    // to correct: the run writes nothing at all (not even the rows before
    // it), and the report names the row, the column and the value.
    void impossibleDateStopsItsRow_data()
    {
        QTest::addColumn<ImportRow>("cells");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("why");
        QTest::newRow("平成元年13月40日") << ImportRow{{kEraDate, QStringLiteral("平成元年13月40日")}} << kEraDate
                                          << QStringLiteral("没年月日「平成元年13月40日」は存在しない日付です: 月 13 はありません（1～12）。");
        QTest::newRow("2023/02/30") << ImportRow{{kBnen, QStringLiteral("2023")}, {kBtuki, QStringLiteral("02")}, {kBhi, QStringLiteral("30")}}
                                    << kBhi << QStringLiteral("没年月日「30」は存在しない日付です: 2023年2月30日 はありません（2023年2月は 28 日まで）。");
        QTest::newRow("十十") << ImportRow{{kDate, QStringLiteral("十十年5月1日")}} << kDate
                              << QStringLiteral("没年月日「十十年5月1日」を直してください: 「十十」は数の書き方として正しくありません（「十」の位が重なっています）。");
    }
    void impossibleDateStopsItsRow()
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
        QCOMPARE(r.rowsToCorrect.size(), 1);
        QCOMPARE(r.rowsToCorrect.first().row, 2);
        QCOMPARE(r.rowsToCorrect.first().column, column);
        QCOMPARE(r.rowsToCorrect.first().reason, why);
        QVERIFY2(r.failure.contains(why), qPrintable(r.failure));
        QCOMPARE(r.rowsWritten, 0);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO]")), 0);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [W_KAIKI]")), 0);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_OMAIRI]")), 0);
        QCOMPARE(fileBytes(f.state.files.kako), kakoBefore);
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

    // The shipped example, as a new user imports it: every date form gives
    // the era of its own day.
    void shippedExampleEras()
    {
        GridModel csv;
        QVERIFY(csv.LoadGrid(QStringLiteral(TERA_SOURCE_DIR "/examples/death-register.utf8.csv"), GridFileKind::Csv).ok);
        QCOMPARE(csv.Rows(), 13);
        // Example column → death-register item.
        const int items[] = {kKaimyo, kReading, kZokumei, kDate, kEraDate, kAge, kSeshu, kZokugara, kPostal, kJyu, kTel, 25};
        QList<ImportRow> rows;
        for (int r = 1; r < csv.Rows(); ++r) {
            ImportRow row;
            for (int c = 0; c < 12; ++c)
                row.insert(items[c], csv.TextMatrix(r, c));
            rows << row;
        }
        Fixture f(kOutDeathRegister);
        QCOMPARE(f.run(rows).rowsWritten, 12);
        const QStringList expected = {
            QStringLiteral("平成/十五"),   // 2003年5月17日
            QStringLiteral("平成/一"),     // 平成元年12月3日
            QStringLiteral("平成/十五"),   // 二〇〇三年五月十七日
            QStringLiteral("昭和/六十四"), // 昭和六十四年一月七日
            QStringLiteral("平成/一"),     // 千九百八十九年一月八日
            QStringLiteral("令和/一"),     // ２０１９年１２月２４日
            QStringLiteral("令和/一"),     // 令和元年6月1日
            QStringLiteral("平成/十五"),   // 平成15年5月17日
            QStringLiteral("平成/十"),     // 1998年8月15日
            QStringLiteral("平成/二十四"), // 2012年3月
            QStringLiteral("平成/二十三"), // 平成二十三年三月十一日
            QStringLiteral("平成/十二"),   // 2000年2月29日
        };
        QCOMPARE(f.column(QStringLiteral("SELECT [年号] || '/' || [年号年] AS v FROM [W_KAKO] ORDER BY [過去CD]")), expected);
        QCOMPARE(f.column(QStringLiteral("SELECT [歿年月] || '/' || [歿年日] AS v FROM [W_KAKO] WHERE [過去CD] IN (2, 5, 6, 7) ORDER BY [過去CD]")),
                 (QStringList{QStringLiteral("十二/三"), QStringLiteral("一/八"), QStringLiteral("十二/二十四"), QStringLiteral("六/一")}));
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

        Fixture c(kOutDeathRegister);
        c.t.db().close();
        const CheckReport check = CheckTranscription(*importTable(kOutDeathRegister, rows), c.state.runSettings(), c.state.master, c.clock);
        QStringList checkTexts;
        for (const CheckFinding &finding : check.findings)
            checkTexts << finding.text;

        Fixture f(kOutDeathRegister);
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
    // the same as on the entries that find him afterwards.
    void newDonorsFirstEntryCarriesVisitData()
    {
        Fixture f(kOutDeathRegister);
        const ImportRow donor = {{kSeshu, QStringLiteral("小林　隆")},
                                 {kPostal, QStringLiteral("248-0012")},
                                 {kJyu, QStringLiteral("神奈川県鎌倉市御成町5番30号")},
                                 {kTel, QStringLiteral("0467-22-3308")},
                                 {kDate, QStringLiteral("1998年8月15日")}};
        ImportRow first = donor, second = donor;
        first.insert(kKaimyo, QStringLiteral("釋浄蓮"));
        second.insert(kKaimyo, QStringLiteral("釋尼浄蓮"));
        second.insert(kJyu, QStringLiteral("")); // a later row without the address still finds it
        QCOMPARE(f.run({first, second}).rowsWritten, 2);
        const QString visit = QStringLiteral("248-0012|神奈川県鎌倉市御成町5番30号|0467-22-3308");
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
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) AS n FROM [D_KOJIN] WHERE [MEI] = ?"), {QStringLiteral("小林　隆")}), 1);
    }

    // 〜 and − of a UTF-8 file reach kako.rnd in their CP932 form; the
    // database keeps them as they came, and an emoji is still a counted "?".
    void otherSystemsCharactersInKakoRnd()
    {
        Fixture f(kOutDeathRegister);
        const QString address = QStringLiteral("東京都港区芝1−2−3〜5");
        const QString tel = QStringLiteral("03−1234−5678");
        const TranscribeReport r = f.run({{{kKaimyo, QStringLiteral("釋浄念😀")},
                                           {kSeshu, QStringLiteral("芝　一郎")},
                                           {kJyu, address},
                                           {kTel, tel},
                                           {kDate, QStringLiteral("2003年5月17日")}}});
        QCOMPARE(r.rowsWritten, 1);
        KakoRndFile kako(f.state.files.kako);
        const KakoRec rec = kako.get(1);
        QCOMPARE(rec.住所, QStringLiteral("東京都港区芝1－2－3～5"));
        QCOMPARE(rec.電話, QStringLiteral("03－1234－56")); // 12 bytes: the two-byte dashes take more room
        QCOMPARE(rec.戒名, QStringLiteral("釋浄念?"));
        QCOMPARE(r.kakoReplacedChars, 1);
        QCOMPARE(f.column(QStringLiteral("SELECT [JYU] || '|' || [tel] AS v FROM [W_KAKO]")),
                 QStringList{address + u'|' + tel});
        QCOMPARE(f.column(QStringLiteral("SELECT [JYU] || '|' || [tel] AS v FROM [D_KOJIN]")),
                 QStringList{address + u'|' + tel});
    }
};

QTEST_GUILESS_MAIN(TestRegisterValues)
#include "tst_register_values.moc"
