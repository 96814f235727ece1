#include "convert/kanji_numerals.h"

#include <QtTest>

using namespace tera;

namespace {

struct Row {
    const char *in;
    const char *out;
};

void addRows(std::initializer_list<Row> rows)
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    for (const Row &r : rows)
        QTest::newRow(r.in[0] ? r.in : "empty") << QString::fromUtf8(r.in) << QString::fromUtf8(r.out);
}

} // namespace

class TestKanjiNumerals : public QObject {
    Q_OBJECT

private slots:
    void toKanjiChar_data()
    {
        addRows({{"1", "一"}, {"９", "九"}, {"5", "五"}, {"０", "０"}, {"0", "０"}, {"-", "の"}, {"ー", "の"},
                 {"－", "の"}, {"A", "A"}, {"五", "五"}, {"", ""}, {"12", "12"}});
    }
    void toKanjiChar()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(ToKanjiChar(in), out);
    }

    void toKanjiNum_data()
    {
        addRows({{"", ""}, {"0", "０"}, {"5", "五"}, {"10", "十"}, {"11", "十一"}, {"20", "二十"},
                 {"25", "二十五"}, {"64", "六十四"}, {"100", "百"}, {"105", "百五"}, {"110", "百十"},
                 {"264", "二百六十四"}, {"1000", "千"}, {"1989", "千九百八十九"}, {"2005", "二千五"},
                 {"10000", "一万"}, {"20010", "二万一十"}, {"11111", "一万一千一百一十一"},
                 {"32767", "三万二千七百六十七"}});
    }
    void toKanjiNum()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(ToKanjiNum(std::as_const(in)), out);
    }

    void kanjiRoundTripOverTheSixteenBitRange()
    {
        // Every number the writers print must read back as itself.
        for (int n = 0; n <= 32767; ++n) {
            const QString kanji = ToKanjiNum(QString::number(n));
            if (FromKanjiNum(kanji) != QString::number(n))
                QFAIL(qPrintable(QStringLiteral("%1 -> %2 -> %3").arg(n).arg(kanji, FromKanjiNum(kanji))));
        }
    }

    // out: the digits; "!" a malformed numeral (FromKanjiNum gives nothing
    // then, and ReadKanjiNumeral says why); "" no numeral at all.
    void fromKanjiNum_data()
    {
        addRows({// one character
                 {"十", "10"}, {"万", "10000"}, {"７", "7"}, {"０", "0"}, {"〇", "0"}, {"零", "0"}, {"日", ""},
                 {"", ""},
                 // place value, empty places included
                 {"二十五", "25"}, {"三百", "300"}, {"百十", "110"}, {"百五", "105"}, {"二百五", "205"},
                 {"千十", "1010"}, {"二千五", "2005"}, {"千九百八十九", "1989"}, {"二万一十", "20010"},
                 {"千万", "10000000"}, {"2千3", "2003"}, {"2千30", "2030"}, {"二千〇五", "2005"},
                 {"千〇〇五", "1005"}, {"十二万", "120000"}, {"1億2000万", "120000000"}, {"一万〇五", "10005"},
                 // digit strings as they stand
                 {"１２", "12"}, {"二〇〇三", "2003"}, {"０１", "01"}, {"弐〇弐参", "2023"},
                 // text around the numeral adds nothing, blanks inside are skipped; 元 is no numeral here
                 {"十五日", "15"}, {"十日", "10"}, {"第五", "5"}, {"行年八十五歳", "85"}, {"二 十", "20"},
                 {"二　十", "20"}, {"abc", ""}, {"元", ""}, {"元年", ""}, {"元12", "12"},
                 // the formal digits, each alone and before a place word
                 {"壱", "1"}, {"弌", "1"}, {"弐", "2"}, {"弍", "2"}, {"参", "3"}, {"弎", "3"}, {"肆", "4"},
                 {"伍", "5"}, {"陸", "6"}, {"漆", "7"}, {"柒", "7"}, {"捌", "8"}, {"玖", "9"},
                 {"肆拾", "40"}, {"伍佰", "500"}, {"陸仟", "6000"}, {"漆陌", "700"}, {"捌阡", "8000"}, {"玖萬", "90000"},
                 // the formal place words, and the tens written as one character
                 {"拾", "10"}, {"佰", "100"}, {"陌", "100"}, {"仟", "1000"}, {"阡", "1000"}, {"萬", "10000"},
                 {"拾弐", "12"}, {"弐拾四", "24"}, {"弐千弐拾四", "2024"}, {"参萬弐仟", "32000"},
                 {"廿", "20"}, {"念", "20"}, {"卅", "30"}, {"丗", "30"}, {"卌", "40"}, {"廿一", "21"},
                 {"念五", "25"}, {"卅一", "31"}, {"卌九", "49"}, {"百廿", "120"}, {"千九百廿", "1920"},
                 // 億 and 兆 group like 万, larger first; alone they count one
                 {"一億", "100000000"}, {"二兆", "2000000000000"}, {"三億五千万", "350000000"},
                 {"百億", "10000000000"}, {"億", "100000000"}, {"兆", "1000000000000"}, {"１億２", "100000002"},
                 {"二兆三万", "2000000030000"}, {"一兆二億", "1000200000000"}, {"十億十", "1000000010"},
                 {"九千九百九十九兆九千九百九十九億九千九百九十九万九千九百九十九", "9999999999999999"},
                 // no number, never a part of one
                 {"十十", "!"}, {"五十五十", "!"}, {"十百", "!"}, {"百百", "!"}, {"千十千", "!"}, {"二廿", "!"},
                 {"廿十", "!"}, {"十廿", "!"}, {"廿廿", "!"}, {"12百", "!"}, {"二二十", "!"}, {"〇十", "!"},
                 {"十〇", "!"}, {"二千〇", "!"}, {"二千〇十", "!"}, {"十12", "!"}, {"百100", "!"}, {"3月5", "!"},
                 {"十五・六", "!"}, {"一万億", "!"}, {"万万", "!"}, {"九百万兆", "!"}, {"一億万", "!"},
                 {"〇万", "!"}, {"一万〇", "!"}, {"12345万", "!"}, {"1万20000", "!"},
                 {"九九九九九九九九九九九九九九九九九九九九十", "!"}});
    }
    void fromKanjiNum()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        const bool malformed = out == QStringLiteral("!");
        const NumeralReading r = ReadKanjiNumeral(in);
        QCOMPARE((QList<bool>{r.isMalformed(), r.isNumber(), r.problem.isEmpty()}),
                 (QList<bool>{malformed, !malformed && !out.isEmpty(), !malformed}));
        QCOMPARE(FromKanjiNum(in), malformed ? QString() : out);
        // An era year reads the same, except that 元 alone is the first year
        // and 元 beside another numeral is none.
        const QString digits = malformed ? QString() : out;
        QCOMPARE(FromEraYearNum(in), !in.contains(u'元') ? digits : out.isEmpty() ? QStringLiteral("1") : QString());
    }

    // 元 beside another numeral is no era year; the message names the text
    // and what is wrong with it.
    void malformedSaysWhy_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<bool>("eraYear");
        QTest::addColumn<QString>("problem");
        QTest::newRow("十十") << "十十" << false << "「十十」は数の書き方として正しくありません（「十」の位が重なっています）。";
        QTest::newRow("十百") << "十百" << false << "「十百」は数の書き方として正しくありません（「百」が小さい位の後にあります）。";
        QTest::newRow("inside") << " 3月5 " << false << "「3月5」は数の書き方として正しくありません（数の途中に「月」があります）。";
        QTest::newRow("元12") << "元12" << true << "「元12」は数の書き方として正しくありません（「元」はほかの数と一緒には書けません）。";
        QTest::newRow("二廿") << "二廿" << false << "「二廿」は数の書き方として正しくありません（「廿」の前の「二」は 1 から 9 の一桁ではありません）。";
    }
    void malformedSaysWhy()
    {
        QFETCH(QString, in);
        QFETCH(bool, eraYear);
        QFETCH(QString, problem);
        QCOMPARE(ReadKanjiNumeral(in, eraYear).problem, problem);
    }

    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        const struct {
            const char *text;
            qint64 value;
        } rows[] = {{"85", 85},       {" 85", 85},      {"85歳", 85},    {"８５歳", 85},   {"1 2", 12},
                    {"-12", -12},     {"－１２", -12},  {"+7", 7},       {"0012", 12},     {"2.5", 2},
                    {"3.5", 4},       {"2.51", 3},      {"1.2.9", 1},    {"", 0},          {"abc", 0},
                    {"八十五", 0},    {"99999999999999999999999", std::numeric_limits<qint64>::max()}};
        for (const auto &r : rows)
            QTest::newRow(r.text[0] ? r.text : "empty") << QString::fromUtf8(r.text) << r.value;
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(NumericValue(text), value);
    }
};

QTEST_GUILESS_MAIN(TestKanjiNumerals)
#include "tst_kanji_numerals.moc"
