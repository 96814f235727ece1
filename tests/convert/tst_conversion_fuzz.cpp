#include "convert/era_calendar.h"
#include "convert/kanji_numerals.h"
#include "platform/database.h"
#include "test_db.h"

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

const QString kDigitChars = QStringLiteral("0123456789０１２３４５６７８９〇零一二三四五六七八九");
const QString kPlaceChars = QStringLiteral("十百千万");
const QString kKanjiOut = QStringLiteral("一二三四五六七八九０の十百千万");

struct Era {
    const char16_t *name;
    int start, end, offset;
};
// The demo table, oldest first.
const Era kEras[] = {
    {u"明治", 1868, 1912, 1867}, {u"大正", 1912, 1926, 1911}, {u"昭和", 1926, 1989, 1925},
    {u"平成", 1989, 2019, 1988}, {u"令和", 2019, 0, 2018},
};

QStringList charsOf(const QString &s)
{
    QStringList out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (i + 1 < s.size() && s.at(i).isHighSurrogate() && s.at(i + 1).isLowSurrogate()) {
            out << s.mid(i, 2);
            ++i;
        } else {
            out << s.mid(i, 1);
        }
    }
    return out;
}

QString hexOf(const QString &s)
{
    QString out;
    for (QChar c : s.left(60))
        out += QString::asprintf("%04X ", c.unicode());
    return out + QStringLiteral("(%1 units)").arg(s.size());
}

class Gen {
public:
    explicit Gen(quint32 seed) : m_r(seed) {}
    int below(int n) { return int(m_r.bounded(quint32(n))); }

    QString text()
    {
        const int kind = below(100);
        if (kind < 10)
            return dateLike();
        int len = below(25);
        if (kind >= 99 && below(2) == 0)
            len = 1000 + below(40000); // very long
        QString s;
        for (int i = 0; i < len; ++i)
            s += character();
        return s;
    }

    QString character()
    {
        static const QString pools[] = {
            QStringLiteral("0123456789"),
            QStringLiteral("０１２３４５６７８９"),
            QStringLiteral("〇零一二三四五六七八九十百千万元億"),
            QStringLiteral("年月日歳才/-ー－の平成昭和令和 　\t"),
            QStringLiteral("abcXYZ.,+'\"%_;()[]\\"),
            QStringLiteral("あいうアイウｱｲｳ髙﨑①"),
        };
        const int kind = below(12);
        if (kind < 6) {
            const QString &p = pools[kind];
            return p.mid(below(int(p.size())), 1);
        }
        switch (kind) {
        case 6: // control characters, NUL included
            return QString(QChar(char16_t(below(2) ? below(32) : 0x7F)));
        case 7: { // a character outside the BMP
            const char32_t c = 0x10000 + m_r.bounded(0x100000u);
            return QString::fromUcs4(&c, 1);
        }
        case 8: // a stray surrogate
            return QString(QChar(char16_t(0xD800 + below(0x800))));
        case 9:
            return QString(QChar(char16_t(below(2) ? 0xFEFF : 0xFFFF)));
        default: // anything in the BMP
            return QString(QChar(char16_t(below(0x10000))));
        }
    }

    QString dateLike()
    {
        QString s = QStringLiteral("%1/%2/%3").arg(below(10000)).arg(below(16) - 1).arg(below(35) - 1);
        if (below(5) == 0)
            s += QStringLiteral("/") + QString::number(below(40));
        return s;
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
    void checkEras(Database &db, const QString &s, Gen &g);
};

void TestConversionFuzz::checkText(const QString &s, Gen &g)
{
    const QStringList chars = charsOf(s);

    // ToKanjiChar: a character of the table or the input itself.
    const QString one = ToKanjiChar(s);
    QVERIFY(one == s || (kKanjiOut.contains(one) && one.size() == 1));

    // ToKanjiNum: only kanji numerals, の, ０ and the input's own characters;
    // the argument changes only when it is one character long.
    QString arg = s;
    const QString kanji = ToKanjiNum(arg);
    static const QRegularExpression zeros(QStringLiteral("^0{2,4}$"));
    QCOMPARE(kanji.isEmpty(), s.isEmpty() || zeros.match(s).hasMatch());
    QCOMPARE(arg, chars.size() == 1 ? kanji : s);
    const QSet<QString> own(chars.cbegin(), chars.cend());
    for (const QString &c : charsOf(kanji))
        QVERIFY(kKanjiOut.contains(c) || own.contains(c));

    // FromKanjiNum: empty or ASCII digits; empty exactly when there is no
    // numeral; digit for digit when there is no place word.
    const QString digits = FromKanjiNum(s);
    static const QRegularExpression asciiDigits(QStringLiteral("^[0-9]*$"));
    QVERIFY(asciiDigits.match(digits).hasMatch());
    QString expected;
    bool place = false;
    for (QChar c : s) {
        const qsizetype d = kDigitChars.indexOf(c);
        if (d >= 0)
            expected += QChar(char16_t(u'0' + (d < 10 ? d : d < 20 ? d - 10 : d < 22 ? 0 : d - 21)));
        place = place || kPlaceChars.contains(c);
    }
    QCOMPARE(digits.isEmpty(), expected.isEmpty() && !place);
    if (!place)
        QCOMPARE(digits, expected);

    const QString eraYear = FromEraYearNum(s);
    QCOMPARE(eraYear, digits.isEmpty() && s.contains(u'元') ? QStringLiteral("1") : digits);

    // StrToChars: the characters, in order, nothing lost.
    QStringList split{QStringLiteral("before")};
    int count = -1;
    StrToChars(s, split, count);
    QCOMPARE(count, int(chars.size()));
    QCOMPARE(split, s.isEmpty() ? QStringList{QStringLiteral("before")} : chars);

    // RemoveChar: a character of the text, or any character, vanishes whole.
    const QString ch = chars.isEmpty() || g.below(3) == 0 ? g.character() : chars.at(g.below(int(chars.size())));
    const QString removed = RemoveChar(s, ch);
    QVERIFY(!charsOf(removed).contains(ch));
    QCOMPARE(removed.size(), s.size() - chars.count(ch) * ch.size());

    // NumericValue: plain decimal numbers read exactly.
    const qint64 value = NumericValue(s);
    static const QRegularExpression plain(QStringLiteral("^[ \t]*[+-]?[0-9]{1,18}$"));
    if (plain.match(s).hasMatch())
        QCOMPARE(value, s.trimmed().toLongLong());

    // SplitStr: into an array of any size, never past it.
    const int size = g.below(8);
    QStringList pieces(size, QStringLiteral("old"));
    qint16 n = -1;
    const bool fits = SplitStr(s, u'/', pieces, n);
    const QStringList all = s.split(u'/');
    QCOMPARE(pieces.size(), size);
    QCOMPARE(fits, all.size() <= size);
    QCOMPARE(int(n), int(std::min<qsizetype>(all.size(), size)));
    QCOMPARE(pieces.mid(0, n), all.mid(0, n));
    for (int i = n; i < size; ++i)
        QCOMPARE(pieces.at(i), QStringLiteral("old"));

    // CheckYmd: one of its four codes; for plain dates the calendar agrees.
    const int check = CheckYmd(s);
    QVERIFY(check >= YmdValid && check <= YmdNotADate);
    static const QRegularExpression ymd(QStringLiteral("^([0-9]{1,4})/(-?[0-9]{1,2})/(-?[0-9]{1,2})$"));
    const QRegularExpressionMatch m = ymd.match(s);
    if (m.hasMatch() && m.captured(1).toInt() > 0) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        QVERIFY2((check == YmdValid) == d.isValid(), qPrintable(s));
    }
    if (all.size() > 3)
        QCOMPARE(check, int(YmdNotADate));
}

void TestConversionFuzz::checkEras(Database &db, const QString &s, Gen &g)
{
    // GetWesternYear: the row's year for a stored name, 0 for anything else;
    // the overflow failure exactly when the sum leaves 16 bits.
    const qint16 eraYear = qint16(g.below(2) ? g.below(0x10000) - 0x8000 : g.below(100));
    QString name = s;
    if (g.below(4) == 0)
        name = QStringLiteral(" ") + QString::fromUtf16(kEras[g.below(5)].name) + (g.below(2) ? s : QString());
    int offset = -1;
    for (const Era &e : kEras)
        if (name.trimmed() == QString::fromUtf16(e.name))
            offset = e.offset;
    if (offset < 0) {
        QCOMPARE(int(GetWesternYear(db, name, eraYear)), 0);
    } else if (eraYear + offset > 32767) {
        QVERIFY_THROWS_EXCEPTION(DbError, GetWesternYear(db, name, eraYear));
    } else {
        QCOMPARE(int(GetWesternYear(db, name, eraYear)), eraYear + offset);
    }

    // GetEraOfYear: the first qualifying row of the oldest-first table, for a
    // random year or the year the text spells.
    qint64 y = NumericValue(FromKanjiNum(s));
    if (y > 32767 || g.below(2))
        y = g.below(0x10000) - 0x8000;
    const qint16 year = qint16(y);
    const Era *want = nullptr;
    for (const Era &e : kEras) {
        if ((e.start <= year && e.end >= year) || e.end == 0) {
            want = &e;
            break;
        }
    }
    EraArray era{s, s};
    if (year - want->offset < -32768) {
        QVERIFY_THROWS_EXCEPTION(DbError, GetEraOfYear(db, year, era));
        QCOMPARE(era, (EraArray{s, s}));
    } else {
        QVERIFY(GetEraOfYear(db, year, era));
        QCOMPARE(era[0], QString::fromUtf16(want->name));
        QCOMPARE(era[1], QString::number(year - want->offset));
    }
}

void TestConversionFuzz::arbitraryTexts()
{
    bool ok = false;
    quint32 seed = qEnvironmentVariable("TERA_FUZZ_SEED").toUInt(&ok);
    if (!ok)
        seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    Gen g(seed);
    TestDb t(Route::Direct);

    const int kTexts = 12000;
    for (int i = 0; i < kTexts; ++i) {
        const QString s = g.text();
        try {
            checkText(s, g);
            if (!QTest::currentTestFailed())
                checkEras(t.db(), s, g);
        } catch (const std::exception &e) {
            QFAIL(qPrintable(QStringLiteral("%1: %2").arg(QString::fromUtf8(e.what()), hexOf(s))));
        } catch (...) {
            QFAIL(qPrintable(QStringLiteral("unknown exception: %1").arg(hexOf(s))));
        }
        if (QTest::currentTestFailed()) {
            qWarning("text %d: %s", i, qPrintable(hexOf(s)));
            break;
        }
    }
}

QTEST_GUILESS_MAIN(TestConversionFuzz)
#include "tst_conversion_fuzz.moc"
