// Whole-file writes and copies under real write faults: each fails with the
// cause in its message, and the folder is byte for byte what it was.
#include "file_faults.h"
#include "platform/file_io.h"

#include <QTest>

using namespace tera;

namespace {

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char('a' + i % 23);
    return bytes;
}

void writePlain(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TstFileIo : public QObject {
    Q_OBJECT
private slots:
    void faultsChangeNothing_data()
    {
        QTest::addColumn<WriteFault>("fault");
        QTest::addColumn<int>("size");
        // 2 KB stays in Qt's write buffer until the flush; 1.5 MB is written
        // in several direct writes, the failing one half-way.
        for (int size : {2048, 1536 * 1024}) {
            const QByteArray kb = QByteArray::number(size / 1024) + " KB";
            QTest::newRow("file size cap, " + kb) << WriteFault::SizeCap << size;
            QTest::newRow("full disk, " + kb) << WriteFault::FullDisk << size;
            QTest::newRow("read-only folder, " + kb) << WriteFault::ReadOnlyFolder << size;
        }
    }
    void faultsChangeNothing()
    {
        QFETCH(WriteFault, fault);
        QFETCH(int, size);
        FaultyFolder dir(fault);
        if (!dir.skipReason().isEmpty())
            QSKIP(qPrintable(dir.skipReason()));
        const QString keep = dir.filePath(QStringLiteral("keep.bin"));
        const QString source = dir.filePath(QStringLiteral("source.bin"));
        writePlain(keep, QByteArray(100, 'o'));
        writePlain(source, pattern(size));
        const auto before = folderBytes(dir.path());

        QList<std::pair<QString, Outcome>> results;
        dir.arm(size / 2);
        for (const QString &target : {keep, dir.filePath(QStringLiteral("new.bin"))}) {
            results.append({target, WriteWholeFile(target, pattern(size))});
            results.append({target, CopyWholeFile(source, target)});
        }
        dir.disarm();

        QCOMPARE(folderBytes(dir.path()), before);
        for (const auto &[target, r] : results) {
            QVERIFY2(!r.ok, qPrintable(target));
            QVERIFY2(r.message.contains(QDir::toNativeSeparators(target)), qPrintable(r.message));
            for (const QString &word : dir.expectedWords())
                QVERIFY2(r.message.contains(word), qPrintable(r.message + QStringLiteral(" / ") + word));
        }
        // The fault was all that stood in the way.
        QVERIFY(CopyWholeFile(source, keep).ok);
        QCOMPARE(folderBytes(dir.path()).value(QStringLiteral("keep.bin")), pattern(size));
    }
};

QTEST_GUILESS_MAIN(TstFileIo)
#include "tst_file_io.moc"
