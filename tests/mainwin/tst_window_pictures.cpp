// The pictures command draws every window headless, so the README's
// pictures can always be redrawn.
#include "mainwin/screenshots.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace tera;

class TestWindowPictures : public QObject {
    Q_OBJECT

private slots:
    void drawsEveryWindow()
    {
        QTemporaryDir dir;
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(RenderWindowPictures(dir.filePath(QStringLiteral("images")), out, err), 0);
        QVERIFY2(errText.isEmpty(), qPrintable(errText));
        const QStringList names = WindowPictureNames();
        QCOMPARE(names.size(), 6);
        for (const QString &name : names) {
            const QImage image(QDir(dir.filePath(QStringLiteral("images"))).filePath(name));
            QVERIFY2(!image.isNull(), qPrintable(name));
            QVERIFY2(image.width() >= 150 && image.height() >= 80, qPrintable(name));
            QVERIFY(outText.contains(name));
        }
        // The main window is drawn with the file read and the links made:
        // not a blank picture.
        const QImage main(QDir(dir.filePath(QStringLiteral("images"))).filePath(QStringLiteral("main-window.png")));
        QSet<QRgb> colours;
        for (int y = 0; y < main.height(); y += 7)
            for (int x = 0; x < main.width(); x += 7)
                colours.insert(main.pixel(x, y));
        QVERIFY(colours.size() > 20);
    }
};

QTEST_MAIN(TestWindowPictures)
#include "tst_window_pictures.moc"
