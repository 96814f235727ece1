// CP932 as kako.rnd and the text files see it. kako.rnd is read by the
// temple product, so its bytes may never drift: every BMP character's record
// bytes and every byte pair's reading are pinned by digests taken from the
// converters that wrote the files in use, before both paths shared one codec.
// The text files are pinned the same way, apart from the faults mended then.
#include "platform/text_file.h"
#include "transcribe/kako_rnd.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    void kakoAsBefore();
    void textFilesReadEveryBytePairAsBefore();
    void textFilesWriteEveryCharacterAsBefore();
    void controlsAndCutCharacters_data();
    void controlsAndCutCharacters();
};

void TstCp932::kakoAsBefore()
{
    QByteArray written, read;
    int replaced = 0;
    for (int code = 0; code < 0x10000; ++code) {
        written += EncodeKakoText(QString(QChar(char16_t(code))), 2, &replaced);
        read += utf16Bytes(DecodeKakoText(pairAt(code)));
    }
    QCOMPARE(replaced, 56130);
    QCOMPARE(digest(written), QByteArray("9a7896efec2e6daad53c229a"));
    QCOMPARE(digest(read), QByteArray("b4721ab59ec9ed0a477491d8"));
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
        const Outcome r = DecodeText(pair + "\r\n", QStringLiteral("x"), TextEncoding::Cp932, text);
        // A pair that does not read is refused (the text still says what it
        // reads as): a forced encoding never puts U+FFFD into a table.
        if (r.badLine > 0 && r.ok)
            QFAIL(qPrintable(QStringLiteral("pair %1 read with a bad line").arg(code, 4, 16)));
        all += char(r.ok) + char(r.badLine) + utf16Bytes(text);
    }
    QCOMPARE(digest(all), QByteArray("f27e25fd3a2f34918d0c3208"));
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
    const Outcome r = DecodeText(bytes, QStringLiteral("x"), TextEncoding::Cp932, read);
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

QTEST_GUILESS_MAIN(TstCp932)
#include "tst_cp932.moc"
