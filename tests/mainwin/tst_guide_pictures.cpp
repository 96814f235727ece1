// The guide's pictures draw headless, each a real picture of its window.
#include "mainwin/guide_pictures.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace tera;

class TestGuidePictures : public QObject {
    Q_OBJECT

private slots:
    void drawsEveryPicture()
    {
        QTemporaryDir dir;
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(RenderGuidePictures(dir.filePath(QStringLiteral("images")), out, err), 0);
        QVERIFY2(errText.isEmpty(), qPrintable(errText));
        for (const QString &name : GuidePictureNames()) {
            const QImage image(QDir(dir.filePath(QStringLiteral("images"))).filePath(name));
            QVERIFY2(!image.isNull(), qPrintable(name));
            QVERIFY2(image.width() >= 200 && image.height() >= 100, qPrintable(name));
            // Text and lines, not an empty frame.
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 5)
                for (int x = 0; x < image.width(); x += 5)
                    colours.insert(image.pixel(x, y));
            QVERIFY2(colours.size() > 8, qPrintable(name));
        }
        // The work folder is gone again.
        QVERIFY(!QDir(QDir::temp().filePath(QStringLiteral("tera-import-guide"))).exists());
    }
};

QTEST_MAIN(TestGuidePictures)
#include "tst_guide_pictures.moc"
