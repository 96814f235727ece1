// kako.rnd: the 780-byte record byte by byte, CP932 text fields (padding,
// cutting, extension characters, characters CP932 cannot hold), the file's
// record numbering, and a randomized run through the text codec.
#include "transcribe/kako_rnd.h"

#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}
QByteArray blanks(int n)
{
    return QByteArray(n, ' ');
}
QByteArray int16(int v)
{
    const quint16 u = quint16(v);
    QByteArray b;
    b.append(char(u & 0xFF));
    b.append(char(u >> 8));
    return b;
}

// A record in which every field differs from its neighbours.
KakoRec sample()
{
    KakoRec r;
    r.過去CD = 0x1234;
    r.戒名 = QStringLiteral("釋浄心");
    r.ﾖﾐ = QStringLiteral("ｼｬｸ");
    r.俗名 = QStringLiteral("髙橋　一郎");
    r.bnen = 2003;
    r.btuki = 5;
    r.bHi = 17;
    r.享年 = -2;
    r.続柄 = QStringLiteral("長男");
    r.施主名 = QStringLiteral("﨑山　花子");
    r.電話 = QStringLiteral("03-1234-5678");
    r.郵便 = QStringLiteral("123-4567");
    r.住所 = QStringLiteral("TOKYO");
    r.住所2 = QStringLiteral("2F");
    for (int i = 0; i < kOmairiFlagCount; ++i)
        r.omairiFlag[i] = qint16(i + 1);
    for (int i = 0; i < kKaikiCount; ++i) {
        r.kaikiFlag[i] = qint16(0x100 + i);
        r.kaikiDate[i] = i % 2 ? QString() : QStringLiteral("2003/05/%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    r.予備22 = 0x0A0B;
    r.予備23 = 0x0C0D;
    return r;
}

struct Slice {
    QString field;
    int offset;
    QByteArray bytes;
};

// Where each field of sample() lies in the record and what it holds.
QList<Slice> sampleLayout()
{
    QList<Slice> s{
        {"過去CD", 0, int16(0x1234)},
        {"戒名", 2, hex("e7d7 8ff2 9053") + blanks(34)},
        {"ﾖﾐ", 42, hex("bcac b8") + blanks(37)},
        {"俗名", 82, hex("fbfc 8bb4 8140 88ea 9859") + blanks(10)},
        {"予備5", 102, blanks(2)},
        {"bnen", 104, int16(2003)},
        {"btuki", 106, int16(5)},
        {"bHi", 108, int16(17)},
        {"享年", 110, int16(-2)},
        {"続柄", 112, hex("92b7 926a") + blanks(2)},
        {"施主名", 118, hex("fab1 8e52 8140 89d4 8e71") + blanks(10)},
        {"電話", 138, "03-1234-5678"},
        {"郵便", 150, "123-4567"},
        {"住所", 158, "TOKYO" + blanks(35)},
        {"住所2", 198, "2F" + blanks(38)},
        {"予備16", 238, blanks(20)},
        {"予備17", 258, blanks(12)},
    };
    for (int i = 0; i < 19; ++i)
        s.append({QStringLiteral("service flag %1").arg(i), 270 + 2 * i, int16(i + 1)});
    s.append({"予備19", 308, blanks(20)});
    for (int i = 0; i < 32; ++i)
        s.append({QStringLiteral("anniversary flag %1").arg(i), 328 + 2 * i, int16(0x100 + i)});
    for (int i = 0; i < 32; ++i)
        s.append({QStringLiteral("anniversary date %1").arg(i), 392 + 12 * i,
                  i % 2 ? blanks(12) : QStringLiteral("2003/05/%1  ").arg(i, 2, 10, QLatin1Char('0')).toLatin1()});
    s.append({"予備22", 776, int16(0x0A0B)});
    s.append({"予備23", 778, int16(0x0C0D)});
    return s;
}

void compareRecords(const KakoRec &a, const KakoRec &b)
{
    QCOMPARE(a.過去CD, b.過去CD);
    QCOMPARE(QStringList({a.戒名, a.ﾖﾐ, a.俗名, a.予備5, a.続柄, a.施主名, a.電話, a.郵便, a.住所, a.住所2, a.予備16, a.予備17, a.予備19}),
             QStringList({b.戒名, b.ﾖﾐ, b.俗名, b.予備5, b.続柄, b.施主名, b.電話, b.郵便, b.住所, b.住所2, b.予備16, b.予備17, b.予備19}));
    QCOMPARE(QList<qint16>({a.bnen, a.btuki, a.bHi, a.享年, a.予備22, a.予備23}),
             QList<qint16>({b.bnen, b.btuki, b.bHi, b.享年, b.予備22, b.予備23}));
    QVERIFY(a.omairiFlag == b.omairiFlag);
    QVERIFY(a.kaikiFlag == b.kaikiFlag);
    QVERIFY(a.kaikiDate == b.kaikiDate);
}

// What CP932 (as Windows writes it) does with one code point, worked out on
// its own: the bytes, or nothing when the character cannot be held.
class Cp932Model {
public:
    QByteArray bytesOf(char32_t cp)
    {
        if (cp < 0x80)
            return QByteArray(1, char(cp));
        auto it = m_cache.constFind(cp);
        if (it != m_cache.constEnd())
            return *it;
        QByteArray b;
        if (cp < 0x10000 && !(cp >= 0xD800 && cp < 0xE000)) {
            const QChar c{char16_t(cp)};
            QStringEncoder enc("windows-31j");
            const QByteArray e = enc.encode(QStringView(&c, 1));
            QStringDecoder dec("windows-31j");
            const QString back = dec.decode(e);
            if (!enc.hasError() && !dec.hasError() && back == QString(c))
                b = e;
        }
        m_cache.insert(cp, b);
        return b;
    }

private:
    QHash<char32_t, QByteArray> m_cache;
};

// Random text from every corner of Unicode, with surrogates that pair and
// that do not.
class TextMaker {
public:
    explicit TextMaker(quint32 seed) : m_rng(seed) {}

    QString make()
    {
        const int kind = int(m_rng.bounded(100));
        const int length = kind < 70 ? int(m_rng.bounded(60)) : kind < 96 ? 60 + int(m_rng.bounded(300)) : 1000 + int(m_rng.bounded(20000));
        QString s;
        s.reserve(length * 2);
        for (int i = 0; i < length; ++i)
            appendOne(s);
        return s;
    }
    int width()
    {
        static const int widths[] = {0, 1, 2, 3, 6, 8, 12, 20, 40, 41, 256};
        return widths[m_rng.bounded(int(std::size(widths)))];
    }
    QRandomGenerator &rng() { return m_rng; }

private:
    void appendOne(QString &s)
    {
        struct Range {
            char32_t from, to;
        };
        static const Range ranges[] = {
            {0x20, 0x7E},       {0x00, 0x1F},       {0x7F, 0x9F},       {0xA0, 0xFF},       {0x100, 0x24F},
            {0x370, 0x3FF},     {0x400, 0x4FF},     {0x590, 0x6FF},     {0x900, 0x97F},     {0xE00, 0xE7F},
            {0x2000, 0x2BFF},   {0x2460, 0x24FF},   {0x3000, 0x30FF},   {0x3200, 0x33FF},   {0x4E00, 0x9FFF},
            {0xAC00, 0xD7A3},   {0xE000, 0xF8FF},   {0xF900, 0xFAFF},   {0xFF00, 0xFFEF},   {0xFFF0, 0xFFFF},
            {0x10000, 0x10FFFF}, {0x1F300, 0x1FAFF}, {0xD800, 0xDFFF},
        };
        static const char32_t tricky[] = {0x9AD9, 0xFA11, 0x2460, 0xFF5E, 0x301C, 0xA5, 0x203E, 0x2212, 0x5C,
                                          0x7E,   0x1A,   0x1C,   0x7F,   0xFFFD, 0xF86F, 0x7E8A, 0x2252, 0x20};
        if (m_rng.bounded(8) == 0) {
            s.append(QString::fromUcs4(&tricky[m_rng.bounded(int(std::size(tricky)))], 1));
            return;
        }
        const Range &r = ranges[m_rng.bounded(int(std::size(ranges)))];
        const char32_t cp = r.from + char32_t(m_rng.bounded(quint32(r.to - r.from + 1)));
        if (cp >= 0xD800 && cp < 0xE000)
            s.append(QChar(char16_t(cp))); // a lone surrogate, as broken input may hold
        else
            s.append(QString::fromUcs4(&cp, 1));
    }
    QRandomGenerator m_rng;
};

} // namespace

class TestKakoRnd : public QObject {
    Q_OBJECT

private slots:
    void converterIsPresent() { QVERIFY(Cp932Available()); }

    void everyFieldAtItsOffset_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        for (const Slice &s : sampleLayout())
            QTest::newRow(qPrintable(s.field)) << s.offset << s.bytes;
    }
    void everyFieldAtItsOffset()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        const QByteArray rec = EncodeKakoRec(sample());
        QCOMPARE(rec.size(), 780);
        QCOMPARE(rec.mid(offset, bytes.size()).toHex(' '), bytes.toHex(' '));
    }

    void recordReadsBack()
    {
        KakoRec r = sample();
        compareRecords(DecodeKakoRec(EncodeKakoRec(r)), r);
        QVERIFY_THROWS_EXCEPTION(KakoRndError, DecodeKakoRec(QByteArray(779, ' ')));
        QVERIFY_THROWS_EXCEPTION(KakoRndError, DecodeKakoRec(QByteArray(781, ' ')));
    }

    void textField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("replaced");
        QTest::newRow("padded") << QStringLiteral("ABC") << 5 << QByteArray("ABC  ") << 0;
        QTest::newRow("empty") << QString() << 4 << blanks(4) << 0;
        QTest::newRow("cut") << QStringLiteral("ABCDEFG") << 4 << QByteArray("ABCD") << 0;
        QTest::newRow("zero width") << QStringLiteral("ABC") << 0 << QByteArray() << 0;
        QTest::newRow("髙橋 fits") << QStringLiteral("髙橋") << 4 << hex("fbfc8bb4") << 0;
        QTest::newRow("髙橋 cut inside 橋") << QStringLiteral("髙橋") << 3 << hex("fbfc20") << 0;
        QTest::newRow("cut inside after ascii") << QStringLiteral("A髙橋") << 4 << hex("41fbfc20") << 0;
        QTest::newRow("﨑山 padded") << QStringLiteral("﨑山") << 6 << hex("fab18e522020") << 0;
        QTest::newRow("NEC and IBM extensions") << QStringLiteral("①髙﨑") << 6 << hex("8740fbfcfab1") << 0;
        QTest::newRow("half-width kana") << QStringLiteral("ｱｲｳ") << 2 << hex("b1b2") << 0;
        QTest::newRow("full-width tilde and minus") << QStringLiteral("～－") << 4 << hex("8160817c") << 0;
        QTest::newRow("accent not in CP932") << QStringLiteral("José") << 6 << QByteArray("Jos?  ") << 1;
        QTest::newRow("emoji is one character") << QStringLiteral("\U0001F600山") << 4 << hex("3f8e5220") << 1;
        QTest::newRow("lone surrogate") << (QString(QChar(0xD800)) + QStringLiteral("A")) << 3 << QByteArray("?A ") << 1;
        QTest::newRow("hangul") << QStringLiteral("김") << 2 << QByteArray("? ") << 1;
        QTest::newRow("replacement beyond width not counted") << QStringLiteral("山é") << 2 << hex("8e52") << 0;
        QTest::newRow("ascii controls as they are") << QStringLiteral("\x1a\x1c\x7f\t") << 4 << hex("1a1c7f09") << 0;
        QTest::newRow("NUL kept") << (QString(QChar(0)) + QStringLiteral("A")) << 3 << hex("004120") << 0;
        QTest::newRow("backslash and tilde") << QStringLiteral("\\~") << 2 << QByteArray("\\~") << 0;
    }
    void textField()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QByteArray, bytes);
        QFETCH(int, replaced);
        int count = 0;
        QCOMPARE(EncodeKakoText(text, width, &count).toHex(' '), bytes.toHex(' '));
        QCOMPARE(count, replaced);
    }

    void readingText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("padding removed") << (hex("fbfc8bb4") + blanks(6)) << QStringLiteral("髙橋");
        QTest::newRow("inner blanks kept") << QByteArray(" A B  ") << QStringLiteral(" A B");
        QTest::newRow("half a character at the end") << hex("fab18e") << QStringLiteral("﨑\uFFFD");
        QTest::newRow("lead byte without trail") << hex("812041") << QStringLiteral("\uFFFD A");
        QTest::newRow("NEC-selected IBM extension") << hex("ed40") << QStringLiteral("纊");
        QTest::newRow("controls") << hex("1a1c7f") << QStringLiteral("\x1a\x1c\x7f");
        QTest::newRow("no character") << hex("fdff") << QStringLiteral("\uFFFD\uFFFD");
    }
    void readingText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(DecodeKakoText(bytes), text);
    }

    void recordNumbersAndEntryCount()
    {
        QTemporaryDir dir;
        KakoRndFile file(dir.filePath(QStringLiteral("kako.rnd")));
        QCOMPARE(file.entryCount(), 0);
        for (int n = 1; n <= 10; ++n) {
            KakoRec r = sample();
            r.過去CD = qint16(n);
            r.戒名 = QStringLiteral("釋%1").arg(n);
            file.put(r);
        }
        QCOMPARE(QFileInfo(file.path()).size(), 7800);
        QCOMPARE(file.entryCount(), 10); // the next entry is 11

        QFile f(file.path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        f.close();
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(all.mid((n - 1) * 780, 2), int16(n));
        QCOMPARE(file.get(7).戒名, QStringLiteral("釋7"));

        // Writing a number already present rewrites that record alone.
        KakoRec again = sample();
        again.過去CD = 3;
        again.戒名 = QStringLiteral("上書き");
        file.put(again);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        f.close();
        QCOMPARE(after.size(), 7800);
        QCOMPARE(after.left(2 * 780), all.left(2 * 780));
        QCOMPARE(after.mid(3 * 780), all.mid(3 * 780));
        compareRecords(file.get(3), again);

        QVERIFY_THROWS_EXCEPTION(KakoRndError, file.get(11));
        QVERIFY_THROWS_EXCEPTION(KakoRndError, file.get(0));

        // A partial record at the end is no entry.
        QVERIFY(f.open(QIODevice::Append));
        f.write("x");
        f.close();
        QCOMPARE(file.entryCount(), 10);
    }

    void badNumbersAndPathsFailClearly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kako.rnd"));
        KakoRndFile file(path);
        for (qint16 n : {qint16(0), qint16(-1), qint16(-32768)}) {
            KakoRec r = sample();
            r.過去CD = n;
            QVERIFY_THROWS_EXCEPTION(KakoRndError, file.put(r));
        }
        QVERIFY(!QFile::exists(path));
        QVERIFY_THROWS_EXCEPTION(KakoRndError, file.get(1));
        // A first record beyond the end: the gap counts as entries.
        KakoRec fifth = sample();
        fifth.過去CD = 5;
        file.put(fifth);
        QCOMPARE(file.entryCount(), 5);
        compareRecords(file.get(5), fifth);

        const QString missingFolder = dir.filePath(QStringLiteral("無い/kako.rnd"));
        KakoRndFile nowhere(missingFolder);
        try {
            nowhere.put(sample());
            QFAIL("writing into a missing folder succeeded");
        } catch (const KakoRndError &e) {
            QVERIFY2(e.message().contains(missingFolder), qPrintable(e.message()));
        }
        QCOMPARE(nowhere.replacedChars(), 0);
    }

    void replacementsAreCountedPerRun()
    {
        QTemporaryDir dir;
        KakoRndFile file(dir.filePath(QStringLiteral("kako.rnd")));
        KakoRec r = sample();
        r.過去CD = 1;
        r.俗名 = QStringLiteral("José Müller");
        r.施主名 = QStringLiteral("\U0001F64F");
        file.put(r);
        QCOMPARE(file.replacedChars(), 3);
        const KakoRec back = file.get(1);
        QCOMPARE(back.俗名, QStringLiteral("Jos? M?ller"));
        QCOMPARE(back.施主名, QStringLiteral("?"));
        r.過去CD = 2;
        file.put(r);
        QCOMPARE(file.replacedChars(), 6);
    }

    // Arbitrary text through the field codec: always the field's width, and
    // everything CP932 holds comes back, up to the last whole character that
    // fits; whatever it cannot hold is one "?" each, counted.
    void randomTextThroughTheCodec()
    {
        const quint32 seed = 20030517;
        TextMaker maker(seed);
        Cp932Model model;
        QTemporaryDir dir;
        KakoRndFile file(dir.filePath(QStringLiteral("kako.rnd")));
        qint64 expectedInFile = 0;
        for (int round = 0; round < 12000; ++round) {
            const QString text = maker.make();
            const int width = maker.width();

            QByteArray expected;
            QString expectedText;
            int expectedReplaced = 0;
            for (qsizetype i = 0; i < text.size();) {
                char32_t cp = text[i].unicode();
                qsizetype units = 1;
                if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                    cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
                    units = 2;
                }
                QByteArray b = model.bytesOf(cp);
                const bool held = !b.isEmpty();
                if (!held)
                    b = "?";
                if (expected.size() + b.size() > width)
                    break;
                expected += b;
                expectedText += held ? text.mid(i, units) : QStringLiteral("?");
                expectedReplaced += held ? 0 : 1;
                i += units;
            }
            expected += blanks(width - int(expected.size()));
            while (expectedText.endsWith(QLatin1Char(' ')))
                expectedText.chop(1);

            int replaced = 0;
            const QByteArray bytes = EncodeKakoText(text, width, &replaced);
            const QByteArray where = QByteArray("seed ") + QByteArray::number(seed) + " round " + QByteArray::number(round);
            QVERIFY2(bytes.size() == width, where.constData());
            QVERIFY2(bytes == expected, where.constData());
            QVERIFY2(replaced == expectedReplaced, where.constData());
            QVERIFY2(DecodeKakoText(bytes) == expectedText, where.constData());

            if (round % 10 == 0) {
                // The same text in every text field of a record, written and read back.
                KakoRec r;
                r.過去CD = qint16(round / 10 + 1);
                for (QString *s : {&r.戒名, &r.ﾖﾐ, &r.俗名, &r.続柄, &r.施主名, &r.電話, &r.郵便, &r.住所, &r.住所2})
                    *s = text;
                r.kaikiDate.fill(text);
                r.bnen = qint16(maker.rng().bounded(-32768, 32768));
                r.享年 = qint16(maker.rng().bounded(-32768, 32768));
                int before = 0;
                QCOMPARE(EncodeKakoRec(r, &before).size(), 780);
                file.put(r);
                expectedInFile += before;
                const KakoRec back = file.get(r.過去CD);
                QVERIFY2(back.bnen == r.bnen && back.享年 == r.享年 && back.過去CD == r.過去CD, where.constData());
                QVERIFY2(back.住所 == DecodeKakoText(EncodeKakoText(text, KakoWidth::住所)), where.constData());
            }
        }
        QCOMPARE(file.entryCount(), 1200);
        QCOMPARE(file.replacedChars(), expectedInFile);
    }
};

QTEST_GUILESS_MAIN(TestKakoRnd)
#include "tst_kako_rnd.moc"
