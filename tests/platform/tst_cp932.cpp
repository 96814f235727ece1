// CP932 as kako.rnd and the text files see it. kako.rnd is read by the
// temple product, so its bytes may never drift: every BMP character's record
// bytes and every byte pair's reading are pinned by a digest taken from the
// release that wrote the files in use. The text files are pinned the same way.
#include "platform/text_file.h"
#include "transcribe/kako_rnd.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tera;

namespace {

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(24);
}

QByteArray utf16Bytes(const QString &s)
{
    return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2) + QByteArray(2, '\0');
}

QByteArray pairAt(int code)
{
    const char bytes[2] = {char(code >> 8), char(code & 0xFF)};
    return QByteArray(bytes, 2);
}

} // namespace

class TstCp932 : public QObject {
    Q_OBJECT
private slots:
    void kakoWritesEveryCharacterAsBefore();
    void kakoReadsEveryBytePairAsBefore();
    void textFilesReadEveryBytePairAsBefore();
    void textFilesWriteEveryCharacterAsBefore();
    void controlsAndCutCharacters_data();
    void controlsAndCutCharacters();
    void knownCharacters_data();
    void knownCharacters();
};

void TstCp932::kakoWritesEveryCharacterAsBefore()
{
    QByteArray all;
    int replaced = 0;
    for (int cp = 0; cp < 0x10000; ++cp)
        all += EncodeKakoText(QString(QChar(char16_t(cp))), 2, &replaced);
    QCOMPARE(replaced, 56130);
    QCOMPARE(digest(all), QByteArray("9a7896efec2e6daad53c229a"));
}

void TstCp932::kakoReadsEveryBytePairAsBefore()
{
    QByteArray all;
    for (int code = 0; code < 0x10000; ++code)
        all += utf16Bytes(DecodeKakoText(pairAt(code)));
    QCOMPARE(digest(all), QByteArray("b4721ab59ec9ed0a477491d8"));
}

void TstCp932::textFilesReadEveryBytePairAsBefore()
{
    // Each pair ends its line, so that a lead byte always has a byte after
    // it; the control bytes are left to controlsAndCutCharacters.
    QByteArray all;
    for (int code = 0; code < 0x10000; ++code) {
        const QByteArray pair = pairAt(code);
        if (pair.contains('\x1A') || pair.contains('\x1C') || pair.contains('\x7F'))
            continue;
        QString text;
        const GridResult r = DecodeText(pair + "\r\n", QStringLiteral("x"), TextEncoding::Cp932, text);
        all += char(r.ok) + char(r.badLine) + utf16Bytes(text);
    }
    QCOMPARE(digest(all), QByteArray("921107a92074f8cca1279921"));
}

void TstCp932::textFilesWriteEveryCharacterAsBefore()
{
    // One file per character: a character CP932 cannot hold fails the whole
    // write, and that refusal is part of what is pinned.
    const QString shm = QStringLiteral("/dev/shm"); // many small writes: memory is faster than a disk
    QTemporaryDir dir((QFileInfo(shm).isWritable() ? shm : QDir::tempPath()) + QStringLiteral("/tst_cp932-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("c.csv"));
    QByteArray all;
    int refused = 0;
    for (int cp = 0x20; cp < 0x10000; ++cp) {
        if (cp == ',' || cp == '"' || cp == 0x7F || cp == 0xF86F || (cp >= 0xD800 && cp < 0xE000))
            continue;
        const QList<GridRow> rows{GridRow::fromCells({QString(QChar(char16_t(cp)))})};
        if (!WriteDelimitedText(path, QChar(u','), rows, 1, TextEncoding::Cp932).ok) {
            ++refused;
            continue;
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        all += f.readAll();
    }
    QCOMPARE(refused, 54090);
    QCOMPARE(digest(all), QByteArray("c3c50940851f274d92118af1"));
}

// Where the text files used to differ from kako.rnd through a fault: the
// converter swapped the controls 0x1A, 0x1C and 0x7F the IBM way, dropped a
// lead byte cut off by the end of the file, and wrote U+F86F as the
// different character 0x8782 (№).
void TstCp932::controlsAndCutCharacters_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("clean");
    QTest::newRow("SUB") << QByteArray("a\x1A") << QStringLiteral("a\x1A") << true;
    QTest::newRow("FS") << QByteArray("a\x1C") << QStringLiteral("a\x1C") << true;
    QTest::newRow("DEL") << QByteArray("a\x7F") << QStringLiteral("a\x7F") << true;
    QTest::newRow("bad byte beside a real SUB") << QByteArray("\x1A\x80") << QStringLiteral("\x1A\uFFFD") << false;
    QTest::newRow("lead byte at the end") << QByteArray("a\x81") << QStringLiteral("a\uFFFD") << false;
}

void TstCp932::controlsAndCutCharacters()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, clean);
    QString read;
    const GridResult r = DecodeText(bytes, QStringLiteral("x"), TextEncoding::Cp932, read);
    QCOMPARE(read, text);
    QCOMPARE(r.message.isEmpty(), clean);
    QCOMPARE(DecodeKakoText(bytes), text);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.csv"));
    if (clean) {
        QVERIFY(WriteDelimitedText(path, QChar(u','), {GridRow::fromCells({text})}, 1, TextEncoding::Cp932).ok);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes + "\r\n");
    }
    QVERIFY(!WriteDelimitedText(path, QChar(u','), {GridRow::fromCells({QStringLiteral("\uF86F")})}, 1,
                                TextEncoding::Cp932)
                 .ok);
}

void TstCp932::knownCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("NEC/IBM extensions") << QStringLiteral("髙﨑①") << QByteArray("\xFB\xFC\xFA\xB1\x87\x40");
    QTest::newRow("yen, backslash, tilde") << QStringLiteral("¥\\~") << QByteArray("\x5C\x5C\x7E");
    QTest::newRow("wave dash, minus") << QStringLiteral("\u301C\u2212") << QByteArray("\x81\x60\x81\x7C");
    QTest::newRow("controls as they are") << QStringLiteral("\x1A\x1C\x7F") << QByteArray("\x1A\x1C\x7F");
    QTest::newRow("half-width kana") << QStringLiteral("ｱｲ") << QByteArray("\xB1\xB2");
}

void TstCp932::knownCharacters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeKakoText(text, int(bytes.size())), bytes);
}

QTEST_GUILESS_MAIN(TstCp932)
#include "tst_cp932.moc"
