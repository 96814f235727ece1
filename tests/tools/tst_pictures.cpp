// The guide's and the README's pictures draw headless, each a real picture
// of its window: readable, of a window's size, and with text and lines in it
// rather than an empty frame.
#include "tools/guide_pictures.h"
#include "tools/screenshots.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <functional>

using namespace tera;

class TestPictures : public QObject {
    Q_OBJECT

    using Renderer = std::function<int(const QString &, QTextStream &, QTextStream &)>;

    // Renders into a fresh folder and checks each named picture; returns
    // what the renderer wrote to its output stream.
    static QString check(const Renderer &render, const QStringList &names, QSize least, int colours)
    {
        QTemporaryDir dir;
        const QString images = dir.filePath(QStringLiteral("images"));
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        [&] {
            QCOMPARE(render(images, out, err), 0);
            QVERIFY2(errText.isEmpty(), qPrintable(errText));
            QVERIFY(!names.isEmpty());
            for (const QString &name : names) {
                const QImage image(QDir(images).filePath(name));
                QVERIFY2(!image.isNull(), qPrintable(name));
                QVERIFY2(image.width() >= least.width() && image.height() >= least.height(), qPrintable(name));
                QSet<QRgb> seen;
                for (int y = 0; y < image.height(); y += 5)
                    for (int x = 0; x < image.width(); x += 5)
                        seen.insert(image.pixel(x, y));
                QVERIFY2(seen.size() > colours, qPrintable(name));
            }
        }();
        return outText;
    }

private slots:
    void guidePictures()
    {
        check(RenderGuidePictures, GuidePictureNames(), QSize(200, 100), 8);
        // The work folder is gone again.
        QVERIFY(!QDir(QDir::temp().filePath(QStringLiteral("tera-import-guide"))).exists());
    }

    // The main window is drawn with the file read and the links made.
    void windowPictures()
    {
        const QStringList names = WindowPictureNames();
        const QString said = check(RenderWindowPictures, names, QSize(150, 80), 20);
        for (const QString &name : names)
            QVERIFY2(said.contains(name), qPrintable(name));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
