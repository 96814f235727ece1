#include "convert/era_calendar.h"
#include "convert/kanji_numerals.h"

#include <QDate>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

// Arbitrary texts through every conversion: nothing may crash or throw, and
// every result must have its documented form. The seed is printed; set
// TERA_FUZZ_SEED to replay a run.

using namespace tera;

namespace {

const QString kKanjiOut = QStringLiteral("一二三四五六七八九０の十百千万");

QStringList charsOf(const QString &s)
{
    QStringList out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const bool pair = i + 1 < s.size() && s.at(i).isHighSurrogate() && s.at(i + 1).isLowSurrogate();
        out << s.mid(i, pair ? 2 : 1);
        i += pair;
    }
    return out;
}

class Gen {
public:
    explicit Gen(quint32 seed) : m_r(seed) {}
    int below(int n) { return int(m_r.bounded(quint32(n))); }

    QString text()
    {
        if (below(10) == 0) // date-like, with a fifth of them one piece too many
            return QStringLiteral("%1/%2/%3").arg(below(10000)).arg(below(16) - 1).arg(below(35) - 1)
                   + (below(5) ? QString() : QStringLiteral("/%1").arg(below(40)));
        const int len = below(200) == 0 ? 1000 + below(40000) : below(25);
        QString s;
        for (int i = 0; i < len; ++i)
            s += character();
        return s;
    }

    QString character()
    {
        static const QString pools[] = {
            QStringLiteral("0123456789０１２３４５６７８９"),
            QStringLiteral("〇零一二三四五六七八九十百千万元億兆壱弐参拾廿念卅萬"),
            QStringLiteral("年月日歳才/-ー－の平成昭和令和 　\t.+\uFEFF"),
            QStringLiteral("abcXYZ,'\"%_;()\\あアｱ髙﨑①"),
        };
        const int kind = below(9);
        if (kind < 4)
            return pools[kind].mid(below(int(pools[kind].size())), 1);
        const char32_t astral = 0x10000 + m_r.bounded(0x100000u);
        switch (kind) {
        case 4: return QString(QChar(char16_t(below(2) ? below(32) : 0x7F))); // controls, NUL included
        case 5: return QString::fromUcs4(&astral, 1);
        case 6: return QString(QChar(char16_t(0xD800 + below(0x800)))); // a stray surrogate
        default: return QString(QChar(char16_t(below(0x10000))));
        }
    }

private:
    QRandomGenerator m_r;
};

} // namespace

class TestConversionFuzz : public QObject {
    Q_OBJECT

private slots:
    void arbitraryTexts();

private:
    void checkText(const QString &s, Gen &g);
};

void TestConversionFuzz::checkText(const QString &s, Gen &g)
{
    const QStringList chars = charsOf(s);

    const QString one = ToKanjiChar(s);
    QVERIFY(one == s || (one.size() == 1 && kKanjiOut.contains(one)));

    // Only kanji numerals, の, ０ and the text's own characters; the argument
    // changes only when it is one character long.
    QString arg = s;
    const QString kanji = ToKanjiNum(arg);
    static const QRegularExpression zeros(QStringLiteral("^0{2,4}$"));
    QCOMPARE(kanji.isEmpty(), s.isEmpty() || zeros.match(s).hasMatch());
    QCOMPARE(arg, chars.size() == 1 ? kanji : s);
    const QSet<QString> own(chars.cbegin(), chars.cend());
    for (const QString &c : charsOf(kanji))
        QVERIFY(kKanjiOut.contains(c) || own.contains(c));

    // Empty or ASCII digits: empty exactly when there is no well-formed
    // numeral, which is then said why; digit for digit without place words.
    const QString digits = FromKanjiNum(s);
    const NumeralReading reading = ReadKanjiNumeral(s);
    static const QRegularExpression ascii(QStringLiteral("^[0-9]*$"));
    QVERIFY(ascii.match(digits).hasMatch());
    QCOMPARE(digits.isEmpty(), !reading.isNumber());
    QCOMPARE(reading.problem.isEmpty(), !reading.isMalformed());
    QString plainDigits;
    bool place = false; // (no regular expression: the text may hold stray surrogates)
    for (QChar c : s) {
        const int d = DigitValue(c.unicode());
        if (d >= 0)
            plainDigits += QChar(char16_t(u'0' + d));
        place = place || PlaceValue(c.unicode()) > 0 || QStringLiteral("廿念卅丗卌").contains(c);
    }
    if (reading.isNumber() && !place)
        QCOMPARE(digits, plainDigits);
    // 元 is the first year alone, and makes any other numeral no era year.
    const QString eraYear = !s.contains(u'元')                                        ? digits
                            : s.count(u'元') == 1 && reading.kind == NumeralReading::Kind::None ? QStringLiteral("1")
                                                                                      : QString();
    QCOMPARE(FromEraYearNum(s), eraYear);

    QStringList split{QStringLiteral("before")};
    int count = -1;
    StrToChars(s, split, count);
    QCOMPARE(count, int(chars.size()));
    QCOMPARE(split, s.isEmpty() ? QStringList{QStringLiteral("before")} : chars);

    const QString ch = chars.isEmpty() || g.below(3) == 0 ? g.character() : chars.at(g.below(int(chars.size())));
    const QString removed = RemoveChar(s, ch);
    QVERIFY(!charsOf(removed).contains(ch));
    QCOMPARE(removed.size(), s.size() - chars.count(ch) * ch.size());
    QCOMPARE(RemoveChar(s, ch + ch), s); // not one character: nothing matches
    QCOMPARE(RemoveChar(s, QString()), s);

    static const QRegularExpression number(QStringLiteral("^[ \t]*[+-]?[0-9]{1,18}$"));
    const qint64 value = NumericValue(s);
    if (number.match(s).hasMatch())
        QCOMPARE(value, s.trimmed().toLongLong());

    // Into an array of any size, never past it.
    const int size = g.below(8);
    QStringList pieces(size, QStringLiteral("old"));
    qint16 n = -1;
    const QStringList all = s.split(u'/');
    QCOMPARE(SplitStr(s, u'/', pieces, n), all.size() <= size);
    QCOMPARE(int(n), int(std::min<qsizetype>(all.size(), size)));
    QCOMPARE(pieces.mid(0, n), all.mid(0, n));
    QCOMPARE(pieces.mid(n), QStringList(size - n, QStringLiteral("old")));

    // One of the four codes; for plain dates the calendar agrees.
    const int check = CheckYmd(s);
    QVERIFY(check >= YmdValid && check <= YmdNotADate);
    if (all.size() > 3)
        QCOMPARE(check, int(YmdNotADate));
    static const QRegularExpression ymd(QStringLiteral("^([0-9]{1,4})/(-?[0-9]{1,2})/(-?[0-9]{1,2})$"));
    const QRegularExpressionMatch m = ymd.match(s);
    if (m.hasMatch() && m.captured(1).toInt() > 0)
        QCOMPARE(check == YmdValid, QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).isValid());
}

void TestConversionFuzz::arbitraryTexts()
{
    bool ok = false;
    // A fixed seed by default, so that a failure repeats; set TERA_FUZZ_SEED
    // to explore others.
    quint32 seed = qEnvironmentVariable("TERA_FUZZ_SEED").toUInt(&ok);
    if (!ok)
        seed = 20261207u;
    qInfo("seed %u", seed);
    Gen g(seed);
    for (int i = 0; i < 12000 && !QTest::currentTestFailed(); ++i) {
        const QString s = g.text();
        try {
            checkText(s, g);
        } catch (const std::exception &e) {
            QTest::qFail(e.what(), __FILE__, __LINE__);
        } catch (...) {
            QTest::qFail("unknown exception", __FILE__, __LINE__);
        }
        if (QTest::currentTestFailed()) {
            QString hex;
            for (QChar c : s.left(60))
                hex += QString::asprintf("%04X ", c.unicode());
            qWarning("text %d (%lld units): %s", i, qint64(s.size()), qPrintable(hex));
        }
    }
}

QTEST_GUILESS_MAIN(TestConversionFuzz)
#include "tst_conversion_fuzz.moc"
