// kako.rnd: the 780-byte record's layout, CP932 text fields (padding,
// cutting, extension characters, characters CP932 cannot hold) and the
// file's record numbering. Every single character's bytes are pinned in
// tst_cp932.
#include "transcribe/kako_rnd.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tera;

namespace {

QByteArray hex(const char *h) { return QByteArray::fromHex(h); }
QByteArray blanks(int n) { return QByteArray(n, ' '); }
QByteArray int16(int v)
{
    const quint16 u = quint16(v);
    QByteArray b;
    b.append(char(u & 0xFF));
    b.append(char(u >> 8));
    return b;
}

// Every field of a record, in its order in the file: a text or a number.
struct Field {
    QString *text;
    qint16 *number;
};
QList<Field> fieldsInOrder(KakoRec &r)
{
    QList<Field> f{{nullptr, &r.過去CD}, {&r.戒名, nullptr},   {&r.ﾖﾐ, nullptr},     {&r.俗名, nullptr},
                   {&r.予備5, nullptr}, {nullptr, &r.bnen},   {nullptr, &r.btuki}, {nullptr, &r.bHi},
                   {nullptr, &r.享年},  {&r.続柄, nullptr},   {&r.施主名, nullptr}, {&r.電話, nullptr},
                   {&r.郵便, nullptr},  {&r.住所, nullptr},   {&r.住所2, nullptr},  {&r.予備16, nullptr},
                   {&r.予備17, nullptr}};
    for (qint16 &x : r.omairiFlag)
        f.append({nullptr, &x});
    f.append({&r.予備19, nullptr});
    for (qint16 &x : r.kaikiFlag)
        f.append({nullptr, &x});
    for (QString &x : r.kaikiDate)
        f.append({&x, nullptr});
    f.append({nullptr, &r.予備22});
    f.append({nullptr, &r.予備23});
    return f;
}

// A record with its own marker in every field: the texts "Aa", "Ab", ... in
// order, the numbers 0x7001, 0x7002, ... (bytes n 'p', n below 'A', so no
// marker can be mistaken for another).
KakoRec marked()
{
    KakoRec r;
    int texts = 0, numbers = 0;
    for (const Field &f : fieldsInOrder(r)) {
        if (f.text) {
            *f.text = QString(QChar(u'A' + texts / 26)) + QChar(u'a' + texts % 26);
            ++texts;
        } else {
            *f.number = qint16(0x7000 + ++numbers);
        }
    }
    return r;
}

} // namespace

class TestKakoRnd : public QObject {
    Q_OBJECT

private slots:

    // Read in order, the markers follow one another with nothing but the
    // padding of text fields between them, and the last ends the record.
    void fieldsLaidOutInOrder()
    {
        KakoRec r = marked();
        const QByteArray rec = EncodeKakoRec(r);
        QCOMPARE(rec.size(), 780);
        qsizetype at = 0;
        for (const Field &f : fieldsInOrder(r)) {
            const QByteArray m = f.text ? f.text->toLatin1() : int16(*f.number);
            const qsizetype found = rec.indexOf(m, at);
            QVERIFY2(found >= at, m.toHex(' ').constData());
            QCOMPARE(rec.mid(at, found - at), blanks(int(found - at)));
            at = found + m.size();
        }
        QCOMPARE(at, 780);
        // Every field holds its own marker: a field read into the wrong place
        // or misread would not write back the same bytes.
        QCOMPARE(EncodeKakoRec(DecodeKakoRec(rec)).toHex(' '), rec.toHex(' '));
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
        QTest::newRow("cut") << QStringLiteral("ABCDEFG") << 4 << QByteArray("ABCD") << 0;
        QTest::newRow("髙橋 fits") << QStringLiteral("髙橋") << 4 << hex("fbfc8bb4") << 0;
        QTest::newRow("髙橋 cut inside 橋") << QStringLiteral("髙橋") << 3 << hex("fbfc20") << 0;
        QTest::newRow("cut inside after ascii") << QStringLiteral("A髙橋") << 4 << hex("41fbfc20") << 0;
        QTest::newRow("﨑山 padded") << QStringLiteral("﨑山") << 6 << hex("fab18e522020") << 0;
        QTest::newRow("NEC and IBM extensions") << QStringLiteral("①髙﨑") << 6 << hex("8740fbfcfab1") << 0;
        QTest::newRow("half-width kana") << QStringLiteral("ｱｲｳ") << 2 << hex("b1b2") << 0;
        QTest::newRow("full-width tilde and minus") << QStringLiteral("～－") << 4 << hex("8160817c") << 0;
        // What a Mac, Linux or the web writes for them, as iconv and Windows write it.
        QTest::newRow("wave dash and minus sign") << QStringLiteral("芝1−2−3〜") << 10 << hex("8e c5 31 81 7c 32 81 7c 33 20") << 0;
        QTest::newRow("other systems' forms") << QStringLiteral("〜−‖¢£¬—¥‾") << 16
                                            << hex("8160 817c 8161 8191 8192 81ca 815c 5c 7e") << 0;
        QTest::newRow("wave dash cut at the width") << QStringLiteral("A〜") << 2 << QByteArray("A ") << 0;
        QTest::newRow("accent not in CP932") << QStringLiteral("José") << 6 << QByteArray("Jos?  ") << 1;
        QTest::newRow("emoji is one character") << QStringLiteral("\U0001F600山") << 4 << hex("3f8e5220") << 1;
        QTest::newRow("lone surrogate") << (QString(QChar(0xD800)) + QStringLiteral("A")) << 3 << QByteArray("?A ") << 1;
        QTest::newRow("hangul") << QStringLiteral("김") << 2 << QByteArray("? ") << 1;
        QTest::newRow("replacement beyond width not counted") << QStringLiteral("山é") << 2 << hex("8e52") << 0;
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
        // What is read back writes the same bytes again.
        QCOMPARE(EncodeKakoText(DecodeKakoText(bytes), width).toHex(' '), bytes.toHex(' '));
    }

    // Numbers that are no entry fail clearly; a first record beyond the end
    // makes the gap entries; a number already present rewrites that record
    // alone; a partial record at the end is no entry.
    void recordNumbersAndEntryCount()
    {
        QTemporaryDir dir;
        KakoRndFile file(dir.filePath(QStringLiteral("kako.rnd")));
        for (qint16 n : {qint16(0), qint16(-1), qint16(-32768)}) {
            KakoRec r = marked();
            r.過去CD = n;
            QVERIFY_THROWS_EXCEPTION(KakoRndError, file.put(r));
        }
        QVERIFY(!QFile::exists(file.path()));
        QCOMPARE(file.entryCount(), 0);
        QVERIFY_THROWS_EXCEPTION(KakoRndError, file.get(1));
        KakoRec fifth = marked();
        fifth.過去CD = 5;
        file.put(fifth);
        QCOMPARE(file.entryCount(), 5);
        QCOMPARE(EncodeKakoRec(file.get(5)), EncodeKakoRec(fifth));

        for (int n = 1; n <= 10; ++n) {
            KakoRec r = marked();
            r.過去CD = qint16(n);
            r.戒名 = QStringLiteral("釋%1").arg(n);
            file.put(r);
        }
        QCOMPARE(file.entryCount(), 10); // the next entry is 11
        const auto contents = [&] {
            QFile f(file.path());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray all = contents();
        QCOMPARE(all.size(), 7800);
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(all.mid((n - 1) * 780, 2), int16(n));
        QCOMPARE(file.get(7).戒名, QStringLiteral("釋7"));

        KakoRec again = marked();
        again.過去CD = 3;
        again.戒名 = QStringLiteral("上書き");
        file.put(again);
        const QByteArray after = contents();
        QCOMPARE(after.size(), 7800);
        QCOMPARE(after.left(2 * 780), all.left(2 * 780));
        QCOMPARE(after.mid(3 * 780), all.mid(3 * 780));
        QCOMPARE(EncodeKakoRec(file.get(3)), EncodeKakoRec(again));
        QVERIFY_THROWS_EXCEPTION(KakoRndError, file.get(11));
        QVERIFY_THROWS_EXCEPTION(KakoRndError, file.get(0));

        QFile f(file.path());
        QVERIFY(f.open(QIODevice::Append));
        f.write("x");
        f.close();
        QCOMPARE(file.entryCount(), 10);

        const QString missingFolder = dir.filePath(QStringLiteral("無い/kako.rnd"));
        try {
            KakoRndFile(missingFolder).put(marked());
            QFAIL("writing into a missing folder succeeded");
        } catch (const KakoRndError &e) {
            QVERIFY2(e.message().contains(missingFolder), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestKakoRnd)
#include "tst_kako_rnd.moc"
