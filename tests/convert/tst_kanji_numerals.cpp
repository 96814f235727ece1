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
                 {"32767", "三万二千七百六十七"},
                 // Not what callers pass, but what the product prints for it.
                 {"-5", "の十五"}, {"１２", "一十二"}, {"00", ""}, {"123456", "一二三四五六"}});
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

    void fromKanjiNum_data()
    {
        addRows({// one character
                 {"十", "10"}, {"万", "10000"}, {"７", "7"}, {"０", "0"}, {"〇", "0"}, {"零", "0"}, {"日", ""},
                 {"", ""},
                 // place value, empty places included
                 {"二十五", "25"}, {"三百", "300"}, {"百十", "110"}, {"百五", "105"}, {"二百五", "205"},
                 {"千十", "1010"}, {"二千五", "2005"}, {"千九百八十九", "1989"}, {"二万一十", "20010"},
                 {"千万", "10000000"}, {"2千3", "2003"},
                 // digit strings as they stand
                 {"１２", "12"}, {"二〇〇三", "2003"}, {"０１", "01"},
                 // what is no numeral adds nothing; 元 is no numeral here
                 {"十五日", "15"}, {"十日", "10"}, {"第五", "5"}, {"二 十", "20"}, {"abc", ""}, {"元", ""},
                 {"元年", ""}, {"元12", "12"},
                 {"九九九九九九九九九九九九九九九九九九九九十", "9223372036854775807"},
                 // 億 and 兆 group like 万; alone they count one
                 {"一億", "100000000"}, {"二兆", "2000000000000"}, {"三億五千万", "350000000"},
                 {"百億", "10000000000"}, {"億", "100000000"}, {"兆", "1000000000000"}, {"１億２", "100000002"},
                 {"二兆三万", "2000000030000"}, {"一兆二億", "1000200000000"}, {"十億十", "1000000010"},
                 {"九千九百九十九兆九千九百九十九億九千九百九十九万九千九百九十九", "9999999999999999"},
                 {"一万億", "1000000000000"}, // a smaller group before a larger word multiplies
                 {"九百万兆", "9000000000000000000"}, {"千万兆", "9223372036854775807"}});
    }
    void fromKanjiNum()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(FromKanjiNum(in), out);
        // An era year reads the same, except that 元 alone is the first year.
        const bool gan = out.isEmpty() && in.contains(u'元');
        QCOMPARE(FromEraYearNum(in), gan ? QStringLiteral("1") : out);
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
