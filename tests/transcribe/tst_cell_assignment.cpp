// The cell assignment: which fields each item of each output kind fills,
// written dates and era dates, ages, postal codes, the working era and digit
// texts that outlive a row, and the failures it reports.
#include "model/master_data.h"
#include "model/run_settings.h"
#include "transcribe/cell_assignment.h"
#include "platform/clock.h"
#include "platform/db_error.h"
#include "fixture.h"

#include <QtTest>

#include <map>
#include <memory>
#include <vector>

using namespace tera;

namespace {

// One transcription context over a test database, as the driver builds it.
struct Run {
    explicit Run(TestDb &t) : clock(QDate(2024, 5, 10))
    {
        state.files.database = t.path();
        state.files.kako = t.dir() + QStringLiteral("/kako.rnd");
        ctx = std::make_unique<TranscribeContext>(t.db(), state, master, prompt, clock);
    }
    // One import-table row holding only the given items: the working
    // records reset, then every cell in column order, the empty ones too
    // (27 columns cover every item of the death register; column 0, the row
    // number, is not handed over).
    void row(qint16 kind, const ImportRow &filled, int columns = 27)
    {
        ResetRowRecords(records);
        for (int c = 1; c < columns; ++c) {
            QString text = filled.value(c);
            AssignCell(*ctx, records, kind, qint16(c), text);
        }
    }
    const KakoRec &k() const { return records.entry; }

    RunSettings state;
    MasterData master;
    ScriptedPrompt prompt;
    FixedClock clock;
    std::unique_ptr<TranscribeContext> ctx;
    RowRecords records;
};

// Every field AssignCell may touch, by name, for comparing before and after.
std::vector<std::pair<QString, QString *>> textFields(Run &run)
{
    MemberRec &r = run.records.member;
    KakoRec &k = run.records.entry;
    CellWorkingTexts &w = run.ctx->work;
    return {{"KOJIN_NO", &r.KOJIN_NO}, {"T_YMD", &r.T_YMD}, {"取消日", &r.取消日}, {"SETAI_NO", &r.SETAI_NO},
            {"世帯主名", &r.世帯主名}, {"ZOK_CD", &r.ZOK_CD}, {"ZOK_NM", &r.ZOK_NM}, {"MEI", &r.MEI},
            {"MEI_KA", &r.MEI_KA}, {"SEX", &r.SEX}, {"NenGo", &r.NenGo}, {"KEITAI", &r.KEITAI}, {"LIF", &r.LIF},
            {"Memo", &r.Memo}, {"SYOKU", &r.SYOKU}, {"KINMU_MEI", &r.KINMU_MEI}, {"BUKA", &r.BUKA},
            {"KINMU_JYU", &r.KINMU_JYU}, {"KINMU_TEL", &r.KINMU_TEL}, {"NAI_TEL", &r.NAI_TEL},
            {"KINMU_MEMO", &r.KINMU_MEMO}, {"Kankei", &r.Kankei}, {"tel", &r.tel}, {"FAX", &r.FAX},
            {"YUBIN1", &r.YUBIN1}, {"YUBIN2", &r.YUBIN2}, {"JYU", &r.JYU}, {"JYU_KA", &r.JYU_KA}, {"KETO", &r.KETO},
            {"KBUTU", &r.KBUTU}, {"KHOSI", &r.KHOSI}, {"連絡先氏名", &r.連絡先氏名}, {"連絡先〒", &r.連絡先郵便},
            {"連絡先住所", &r.連絡先住所}, {"連絡先住所２", &r.連絡先住所２}, {"連絡先電話", &r.連絡先電話},
            {"連絡先ＦＡＸ", &r.連絡先ＦＡＸ}, {"訪問先氏名", &r.訪問先氏名}, {"訪問先〒", &r.訪問先郵便},
            {"訪問先住所", &r.訪問先住所}, {"訪問先住所２", &r.訪問先住所２}, {"訪問先電話", &r.訪問先電話},
            {"訪問先ＦＡＸ", &r.訪問先ＦＡＸ}, {"地区", &r.地区}, {"検索", &r.検索}, {"k.戒名", &k.戒名},
            {"k.ﾖﾐ", &k.ﾖﾐ}, {"k.俗名", &k.俗名}, {"k.続柄", &k.続柄}, {"k.施主名", &k.施主名}, {"k.電話", &k.電話},
            {"k.郵便", &k.郵便}, {"k.住所", &k.住所}, {"k.住所2", &k.住所2}, {"w.eraName", &w.eraName},
            {"w.eraYearDigits", &w.eraYearDigits}, {"w.monthDigits", &w.monthDigits}, {"w.dayDigits", &w.dayDigits}};
}

std::vector<std::pair<QString, qint16 *>> numberFields(Run &run)
{
    MemberRec &r = run.records.member;
    KakoRec &k = run.records.entry;
    return {{"ZOK_ID", &r.ZOK_ID}, {"sei", &r.sei}, {"NENGO_NEN", &r.NENGO_NEN}, {"tuki", &r.tuki}, {"Hi", &r.Hi},
            {"曜日指定", &r.曜日指定}, {"k.bnen", &k.bnen}, {"k.btuki", &k.btuki}, {"k.bHi", &k.bHi}, {"k.享年", &k.享年}};
}

std::map<QString, QString> snapshot(Run &run)
{
    std::map<QString, QString> s;
    for (const auto &[name, f] : textFields(run))
        s[name] = *f;
    for (const auto &[name, f] : numberFields(run))
        s[name] = QString::number(*f);
    s["寺番号"] = QString::number(run.records.member.寺番号);
    return s;
}

// "a=1|b=" as field -> value.
std::map<QString, QString> parseExpected(const QString &expected)
{
    std::map<QString, QString> m;
    for (const QString &part : expected.split(u'|', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        m[part.left(eq)] = part.mid(eq + 1);
    }
    return m;
}

} // namespace

class TestCellAssignment : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db[Route::Direct] = std::make_unique<TestDb>(Route::Direct);
        m_db[Route::Odbc] = std::make_unique<TestDb>(Route::Odbc);
    }
    void cleanupTestCase() { m_db.clear(); }

    void eachItemFillsItsFields_data();
    void eachItemFillsItsFields();
    void writtenDates_data();
    void writtenDates();
    void oneCellStopsOrIsNoted_data();
    void oneCellStopsOrIsNoted();
    void eraAndDigitsOutliveTheRow_data() { addRoutes(); }
    void eraAndDigitsOutliveTheRow();
    void datesOverSeveralCells_data();
    void datesOverSeveralCells();

private:
    std::map<Route, std::unique_ptr<TestDb>> m_db;
};

// Each item is assigned alone into records where every field holds 旧 (and
// every number 7): the fields that change, and their values, are exactly
// those listed. A field left out of the list must not change; "cell" is the
// cell's own text afterwards, where rewriting it matters.
void TestCellAssignment::eachItemFillsItsFields_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("changes");
    const QString kaimyo22 = QStringLiteral("釋浄光院殿大誉慈海清風居士釋浄光院殿大誉慈海");
    const struct {
        int kind, item;
        QString cell, changes;
    } cases[] = {
        // members: text items are taken even when empty, trimmed
        {0, 1, " 0123 ", "KOJIN_NO=0123"}, {0, 1, "", "KOJIN_NO="},
        {0, 4, " １２ ", "SETAI_NO=000012"}, {0, 4, "", "SETAI_NO="}, {0, 4, "A-12", "SETAI_NO=A-12"},
        {0, 6, "5", "ZOK_ID=0"}, {0, 7, "長男", "ZOK_NM=本人"}, {0, 7, "", "ZOK_NM=本人"}, {0, 20, "1", "LIF=0"},
        {0, 8, " 山田　太郎 ", "MEI=山田　太郎|連絡先氏名=山田　太郎|訪問先氏名=山田　太郎"},
        {0, 11, "1950", "sei=1950"}, {0, 11, "", ""},
        {0, 13, "昭和２５年", "NENGO_NEN=25"}, {0, 13, "元年", "NENGO_NEN=1"}, {0, 13, "", ""},
        {0, 33, " 123 ", "YUBIN1=123|連絡先〒=123-旧|訪問先〒=123-旧"},
        {0, 34, "", "YUBIN2=|連絡先〒=旧-|訪問先〒=旧-"},
        {0, 35, "東京都", "JYU=東京都|訪問先住所=東京都|連絡先住所=東京都"}, {0, 35, " ", ""},
        {0, 37, "123-4567", "連絡先〒=123-4567|訪問先〒=123-4567|YUBIN1=123|YUBIN2=4567|cell=1234567"},
        {0, 37, "12-34", "連絡先〒=12-34|訪問先〒=12-34|YUBIN1=123|YUBIN2=4|cell=1234"}, {0, 37, "", ""},
        {0, 38, "x", "連絡先氏名=x"}, {0, 38, "", ""}, {0, 29, "x", ""}, {0, 0, "x", ""}, {0, 52, "x", ""},
        // households
        {1, 1, "0000007", "SETAI_NO=000007"}, {1, 1, "1234567", "SETAI_NO=1234567"},
        {1, 7, "4567", "YUBIN2=4567|連絡先〒=旧-4567|訪問先〒=旧-4567"},
        {1, 10, " 123-4567 ", "連絡先〒=123-4567|訪問先〒=123-4567|YUBIN1=123|YUBIN2=4567|cell= 1234567 "},
        {1, 10, "123", "連絡先〒=123|訪問先〒=123|YUBIN1=123"}, // the second half left as it was
        {1, 30, "", ""}, {1, 30, "x", "訪問先ＦＡＸ=x"}, {1, 33, "x", ""},
        // death register (the working era name is 平成 before each case)
        {2, 3, "昭和", "w.eraName=昭和"}, {2, 3, "", ""},
        {2, 4, "十五", "w.eraYearDigits=15|k.bnen=2003"}, {2, 4, "", ""}, {2, 6, "１７", "w.dayDigits=17|k.bHi=17"},
        {2, 7, "85歳", "k.享年=85|cell=85"}, {2, 7, "８５才", "k.享年=85|cell=８５"}, {2, 7, "8歳5", "k.享年=85|cell=85"},
        {2, 7, "不明", "k.享年=0"}, {2, 7, "", "k.享年=0"},
        // numerals in the forms of old registers (each form: tst_kanji_numerals)
        {2, 7, "八十五歳", "k.享年=85|cell=八十五"}, {2, 7, "行年八拾五才", "k.享年=85|cell=行年八拾五"},
        {2, 4, "弐拾", "w.eraYearDigits=20|k.bnen=2008"}, {2, 4, "元", "w.eraYearDigits=1|k.bnen=1989"},
        {2, 5, "拾弐", "w.monthDigits=12|k.btuki=12"}, {2, 6, "卅", "w.dayDigits=30|k.bHi=30"}, {2, 15, "0", "k.btuki=0"},
        {2, 10, kaimyo22, "k.戒名=" + kaimyo22},
        {2, 12, "山田一郎", "k.施主名=山田一郎|MEI=山田一郎|世帯主名=山田一郎"}, {2, 12, "", "k.施主名=|MEI=|世帯主名="},
        {2, 14, "2003", "k.bnen=2003"}, {2, 14, "", ""}, {2, 16, "", ""},
        {2, 17, "70000", "寺番号=70000"}, {2, 17, "", ""}, {2, 20, "12", "SETAI_NO=000012"}, {2, 20, "", ""},
        {2, 22, "1234567", "k.郵便=1234567|連絡先〒=1234567|訪問先〒=1234567|YUBIN1=123|YUBIN2=4567"}, {2, 22, "", ""},
        {2, 26, "", ""}, {2, 27, "x", ""}, {3, 8, "x", ""},
    };
    for (const auto &c : cases)
        QTest::addRow("kind %d item %d '%s'", c.kind, c.item, qPrintable(c.cell))
            << c.kind << c.item << c.cell << c.changes;
}

void TestCellAssignment::eachItemFillsItsFields()
{
    QFETCH(int, kind);
    QFETCH(int, item);
    QFETCH(QString, cell);
    QFETCH(QString, changes);
    Run run(*m_db.at(Route::Direct));
    for (const auto &[name, f] : textFields(run))
        *f = QStringLiteral("旧");
    for (const auto &[name, f] : numberFields(run))
        *f = 7;
    run.records.member.寺番号 = 7;
    run.ctx->work.eraName = QStringLiteral("平成");
    const auto before = snapshot(run);

    AssignCell(*run.ctx, run.records, qint16(kind), qint16(item), cell);

    std::map<QString, QString> changed;
    for (const auto &[name, value] : snapshot(run))
        if (before.at(name) != value)
            changed[name] = value;
    if (changes.contains(QStringLiteral("cell="))) // the cell text as the later items see it
        changed["cell"] = cell;
    // A field set to the value it held already ("7", "旧") does not show.
    QCOMPARE(changed, parseExpected(changes));
}

// A death-register row of date cells: the date the entry takes, and its
// anniversaries (empty: none computed).
void TestCellAssignment::writtenDates_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<ImportRow>("cells");
    QTest::addColumn<int>("bnen");
    QTest::addColumn<int>("btuki");
    QTest::addColumn<int>("bHi");
    QTest::addColumn<QString>("firstAnniversary"); // anniversaryDates[8], １周忌
    const struct {
        int item;
        const char *cell;
        int bnen, btuki, bHi;
        const char *kaiki;
    } cases[] = {
        {2, "平成15年5月17日", 2003, 5, 17, "2004/05/17"},
        {1, "２００３年５月１７日", 2003, 5, 17, "2004/05/17"},
        {1, " 2003 年 05 月 17 日 ", 2003, 5, 17, "2004/05/17"},
        {1, "2003年5月", 2003, 5, 0, ""},
        {1, "2003年月17日", 2003, 0, 17, ""},
        {1, "2003/05/17", 0, 0, 0, ""},
        {1, "", 0, 0, 0, ""},
        // the forms of old registers and formal documents
        {2, "平成十年三月廿一日", 1998, 3, 21, "1999/03/21"},
        {2, "大正拾伍年壱月卅一日", 1926, 1, 31, "1927/01/31"},
        {1, "弐千弐拾四年壱月念五日", 2024, 1, 25, "2025/01/25"},
        {1, "二〇〇三年五月十七日", 2003, 5, 17, "2004/05/17"},
        {2, "平成元年1月8日", 1989, 1, 8, "1990/01/08"},
        {2, "昭和64年1月7日", 1989, 1, 7, "1990/01/07"},
        {2, "令和２年十二月三十一日", 2020, 12, 31, "2021/12/31"},
        {2, "大化5年5月17日", 0, 5, 17, ""},   // an era the table does not hold
        {2, "平成不明年5月17日", 0, 5, 17, ""}, // no era year: not the year before 平成
    };
    // The era table through ODBC for the era dates, through Qt's driver for all.
    for (Route r : {Route::Direct, Route::Odbc})
        for (const auto &c : cases)
            if (r == Route::Direct || c.item == 2)
                QTest::addRow("%s %d %s", qPrintable(routeName(r)), c.item, c.cell)
                    << r << ImportRow{{c.item, QString::fromUtf8(c.cell)}} << c.bnen << c.btuki << c.bHi
                    << QString::fromUtf8(c.kaiki);
    // Every column comes for every row: the empty numeric cells 14 to 16
    // keep the date of item 1; filled, they come later and win.
    QTest::newRow("empty numeric cells") << Route::Direct << ImportRow{{1, "2003年5月17日"}, {10, "釋浄光"}} << 2003
                                         << 5 << 17 << "2004/05/17";
    QTest::newRow("numeric cells win") << Route::Direct << ImportRow{{1, "2003年5月17日"}, {14, "2004"}, {16, "1"}}
                                       << 2004 << 5 << 1 << "2005/05/01";
    // The day (6) before the year (14): complete only at item 16, empty as it is.
    QTest::newRow("day before the year") << Route::Direct << ImportRow{{6, "十七"}, {14, "2003"}, {15, "5"}} << 2003
                                         << 5 << 17 << "2004/05/17";
}

void TestCellAssignment::writtenDates()
{
    QFETCH(Route, route);
    QFETCH(ImportRow, cells);
    QFETCH(int, bnen);
    QFETCH(int, btuki);
    QFETCH(int, bHi);
    QFETCH(QString, firstAnniversary);
    Run run(*m_db.at(route));
    run.row(2, cells);
    QCOMPARE((QList<int>{run.k().bnen, run.k().btuki, run.k().bHi}), (QList<int>{bnen, btuki, bHi}));
    QCOMPARE(run.records.anniversaryDates[8], firstAnniversary);
    if (!firstAnniversary.isEmpty()) // the dates run from the day of death
        QCOMPARE(run.records.anniversaryDates[0], QDate(bnen, btuki, bHi).addDays(6).toString(QStringLiteral("yyyy/MM/dd")));
}

// A cell that cannot be read stops the run with a reason (says) naming the
// value (named). A value stored other than it reads is noted for the row
// (says, named empty), with its column and the cell as it stands; values
// read as they stand are not.
void TestCellAssignment::oneCellStopsOrIsNoted_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("says"); // empty: neither
    QTest::addColumn<QString>("named");
    QTest::newRow("月 before 年") << 2 << 1 << "5月2003年17日" << "日付として読めません" << "5月2003年17日";
    QTest::newRow("era date 月 before 年") << 2 << 2 << "平成5月15年" << "日付として読めません" << "平成5月15年";
    QTest::newRow("年 inside the era name") << 2 << 2 << "元年5月17日" << "日付として読めません" << "元年5月17日";
    QTest::newRow("year past 16 bits") << 2 << 1 << "40000年5月17日" << "範囲外" << "40000";
    QTest::newRow("kanji month past 16 bits") << 2 << 5 << "九万" << "範囲外" << "九万";
    QTest::newRow("western year cell") << 2 << 14 << "70000" << "範囲外" << "70000";
    QTest::newRow("age") << 2 << 7 << "99999歳" << "範囲外" << "99999";
    QTest::newRow("temple number past 32 bits") << 2 << 17 << "9999999999" << "範囲外" << "9999999999";
    QTest::newRow("member birth year") << 0 << 11 << "32768" << "範囲外" << "32768";
    // 億 and 兆 make numbers no 16-bit field holds: refused, not cut to 百 or 二
    QTest::newRow("era year of 二兆") << 2 << 2 << "令和二兆年5月1日" << "範囲外" << "2000000000000";
    QTest::newRow("member era year of 一億") << 0 << 13 << "昭和一億年" << "範囲外" << "100000000";
    // a numeral that is no number, where it feeds a date: never a part of it
    const QString wrong = QStringLiteral("は数の書き方として正しくありません");
    QTest::newRow("year 十十") << 2 << 1 << "十十年5月17日" << wrong << "「十十」";
    QTest::newRow("era year 五十五十") << 2 << 2 << "昭和五十五十年5月17日" << wrong << "「五十五十」";
    QTest::newRow("month 十百") << 2 << 2 << "平成3年十百月1日" << wrong << "「十百」";
    QTest::newRow("day 二廿") << 2 << 1 << "2003年5月二廿日" << wrong << "「二廿」";
    QTest::newRow("era year cell 元十") << 2 << 4 << "元十" << wrong << "「元十」";
    QTest::newRow("month cell 3月5") << 2 << 5 << "3月5" << wrong << "「3月5」";
    QTest::newRow("day cell 十〇") << 2 << 6 << "十〇" << wrong << "「十〇」";
    QTest::newRow("member era year 十十") << 0 << 13 << "昭和十十年" << wrong << "「十十」";
    // a date that does not exist, as soon as its parts show it
    const QString none = QStringLiteral("は存在しない日付です");
    QTest::newRow("平成元年13月40日") << 2 << 2 << "平成元年13月40日" << none << "月 13";
    QTest::newRow("2023年2月30日") << 2 << 1 << "2023年2月30日" << none << "2023年2月は 28 日まで";
    QTest::newRow("1900年2月29日") << 2 << 1 << "1900年2月29日" << none << "1900年2月は 28 日まで";
    QTest::newRow("day 40, month unknown") << 2 << 6 << "四十" << none << "日 40";
    QTest::newRow("month cell 十三") << 2 << 5 << "十三" << none << "月 13";
    QTest::newRow("numeric month -1") << 2 << 15 << "-1" << none << "月 -1";
    QTest::newRow("numeric day 32") << 2 << 16 << "32" << none << "日 32";
    QTest::newRow("negative year") << 2 << 14 << "-5" << none << "年 -5";
    // stored as they do not read: noted
    const QString unread = QStringLiteral("を数として読めません。0 として書き込みます。");
    const QString noDay = QStringLiteral("は暦にない日付です。文字のまま書き込みます。");
    const QString noDate = QStringLiteral("は年/月/日の日付として読めません。文字のまま書き込みます。");
    const struct {
        int kind, item;
        QString cell, notice;
    } cases[] = {
        // the age: negative and unread ones are stored as 0
        {2, 7, "-5", "享年「-5」が負の数です。0 として書き込みます。"},
        {2, 7, " －１２歳 ", "享年「－１２歳」が負の数です。0 として書き込みます。"},
        {2, 7, "八十十歳", "享年「八十十歳」: 「八十十」は数の書き方として正しくありません（「十」の位が重なっています）。0 として書き込みます。"},
        {2, 7, "八十五歳", ""}, {2, 7, "85.5", ""},
        {2, 7, "85", ""}, {2, 7, "0歳", ""}, {2, 7, "-0", ""}, {2, 7, "", ""},
        // the registration date written as text
        {0, 2, "2023/02/30", "登録日「2023/02/30」" + noDay},
        {0, 2, "２０２３／０２／３０", "登録日「２０２３／０２／３０」" + noDay},
        {0, 2, "2023年2月30日", "登録日「2023年2月30日」" + noDay},
        {0, 2, "2023/02-03", "登録日「2023/02-03」" + noDate},
        {0, 2, "平成15年5月17日", "登録日「平成15年5月17日」" + noDate},
        {0, 2, " 2024/02/29 ", ""}, {0, 2, "2023-2-3", ""}, {0, 2, "2003.5.17", ""}, {0, 2, "", ""},
        // six and eight characters are the writer's: it refuses what is no date
        {0, 2, "20230230", ""}, {0, 2, "230230", ""},
        // the member's birth numbers
        {0, 14, "不明", "「不明」" + unread}, {0, 14, "0", ""}, {0, 11, "1950", ""},
        {0, 13, "昭和年", "「昭和年」" + unread}, {0, 13, "昭和０年", ""},
        // a date-of-death piece: the incomplete date is what is reported
        {2, 14, "不明", ""},
    };
    for (const auto &c : cases)
        QTest::addRow("kind %d item %d '%s'", c.kind, c.item, qPrintable(c.cell))
            << c.kind << c.item << c.cell << c.notice << QString();
}

void TestCellAssignment::oneCellStopsOrIsNoted()
{
    QFETCH(int, kind);
    QFETCH(int, item);
    QFETCH(QString, cell);
    QFETCH(QString, says);
    QFETCH(QString, named);
    Run run(*m_db.at(Route::Direct));
    ResetRowRecords(run.records);
    const QString shown = cell.trimmed();
    try {
        AssignCell(*run.ctx, run.records, qint16(kind), qint16(item), cell);
        QVERIFY2(named.isEmpty(), "no failure reported");
    } catch (const RowFailure &e) {
        QVERIFY(!named.isEmpty() && e.stopsRun); // the user corrects the cell; the run stops there
        QVERIFY2(e.reason.contains(says) && e.reason.contains(named), qPrintable(e.reason));
        return;
    }
    const QList<ValueNotice> &got = run.ctx->valueNotices;
    QCOMPARE(got.size(), says.isEmpty() ? 0 : 1);
    if (says.isEmpty())
        return;
    QCOMPARE(got.first().column, item);
    QCOMPARE(got.first().value, shown);
    QCOMPARE(got.first().reason, says);
}

void TestCellAssignment::eraAndDigitsOutliveTheRow()
{
    QFETCH(Route, route);
    Run run(*m_db.at(route));
    run.row(2, {{3, "昭和"}, {4, "五十"}, {5, "三"}, {6, "一"}});
    QCOMPARE(run.k().bnen, qint16(1975));
    QCOMPARE(run.records.anniversaryDates[8], QStringLiteral("1976/03/01"));

    // The era cell left empty: the next row's era year is still 昭和.
    run.row(2, {{4, "六十"}});
    QCOMPARE(run.k().bnen, qint16(1985));
    const CellWorkingTexts &w = run.ctx->work;
    QCOMPARE((QStringList{w.eraName, w.eraYearDigits, w.monthDigits}), (QStringList{"昭和", "60", "3"}));

    // An era date sets the era in force for later rows too; 元 is year 1.
    run.row(2, {{2, "平成3年4月5日"}});
    run.row(2, {{4, "元"}});
    QCOMPARE(run.k().bnen, qint16(1989));
    run.row(2, {{3, "令和"}, {4, "元年"}});
    QCOMPARE(run.k().bnen, qint16(2019));
}

// A row of date cells in column order: the item where a date that does not
// exist stops the row, or the era the entry takes from the era its date
// states (empty: it states none) and the one notice that goes with it.
void TestCellAssignment::datesOverSeveralCells_data()
{
    QTest::addColumn<ImportRow>("cells");
    QTest::addColumn<int>("stopsAt");
    QTest::addColumn<QString>("era");
    QTest::addColumn<QString>("notice");
    const auto add = [](const char *name, ImportRow cells, int stopsAt, const char *era, const char *notice = "") {
        QTest::newRow(name) << cells << stopsAt << QString::fromUtf8(era) << QString::fromUtf8(notice);
    };
    add("2023/2/30 in numeric cells", {{14, "2023"}, {15, "2"}, {16, "30"}}, 16, "");
    add("the day before the year", {{6, "廿九"}, {14, "2023"}, {15, "2"}}, 15, "");
    add("平成元年 alone", {{2, "平成元年"}}, 0, "平成/1");
    add("令和 元 in their cells", {{3, "令和"}, {4, "元"}}, 0, "令和/1");
    add("平成元年1月", {{2, "平成元年1月"}}, 0, "平成/1");
    add("平成元年1月5日", {{2, "平成元年1月5日"}}, 0, "昭和/64",
        "「平成1年1月5日」は平成の始まる前の日付です（平成は 1989年1月8日 から）。年号は昭和64年として書き込みます。");
    add("昭和64年1月8日", {{2, "昭和64年1月8日"}}, 0, "平成/1",
        "「昭和64年1月8日」は昭和の終わった後の日付です（昭和は 1989年1月7日 まで）。年号は平成1年として書き込みます。");
    add("令和元年4月", {{3, "令和"}, {4, "元"}, {5, "四"}}, 0, "平成/31",
        "「令和1年4月」は令和の始まる前の日付です（令和は 2019年5月1日 から）。年号は平成31年として書き込みます。");
    add("昭和七十年", {{2, "昭和七十年"}}, 0, "平成/7",
        "「昭和70年」は昭和の終わった後の日付です（昭和は 1989年1月7日 まで）。年号は平成7年として書き込みます。");
    add("平成〇年", {{2, "平成〇年"}}, 0, "昭和/63",
        "「平成0年」は平成の始まる前の日付です（平成は 1989年1月8日 から）。年号は昭和63年として書き込みます。");
    add("the day in a later cell", {{2, "平成元年"}, {15, "1"}, {16, "5"}}, 0, "昭和/64",
        "「平成1年1月5日」は平成の始まる前の日付です（平成は 1989年1月8日 から）。年号は昭和64年として書き込みます。");
    add("a later cell puts it right", {{2, "平成元年1月5日"}, {16, "10"}}, 0, "平成/1");
    add("a western year states no era", {{2, "平成元年"}, {14, "1989"}}, 0, "");
    add("平成元年13月40日", {{2, "平成元年13月40日"}}, 2, "");
}

void TestCellAssignment::datesOverSeveralCells()
{
    QFETCH(ImportRow, cells);
    QFETCH(int, stopsAt);
    QFETCH(QString, era);
    QFETCH(QString, notice);
    Run run(*m_db.at(Route::Direct));
    ResetRowRecords(run.records);
    run.ctx->valueNotices.clear();
    int stopped = 0;
    for (int item = 1; item <= 26 && stopped == 0; ++item) {
        QString text = cells.value(item);
        try {
            AssignCell(*run.ctx, run.records, 2, qint16(item), text);
        } catch (const RowFailure &e) {
            QVERIFY(e.stopsRun);
            QVERIFY2(e.reason.contains(QStringLiteral("は存在しない日付です")), qPrintable(e.reason));
            stopped = item;
        }
    }
    QCOMPARE(stopped, stopsAt);
    if (stopped)
        return;
    EraArray stated;
    QCOMPARE(StatedEraOfEntry(run.records, stated), !era.isEmpty());
    if (!era.isEmpty())
        QCOMPARE(stated[0] + u'/' + stated[1], era);
    QStringList notices;
    for (const ValueNotice &n : std::as_const(run.ctx->valueNotices))
        notices << n.reason;
    QCOMPARE(notices, notice.isEmpty() ? QStringList() : QStringList{notice});
}

QTEST_GUILESS_MAIN(TestCellAssignment)
#include "tst_cell_assignment.moc"
