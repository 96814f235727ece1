#pragma once
// Renders a set of pictures headless into a fresh folder and checks that each
// named one is a real picture of its window: readable, of a window's size,
// and with text and lines in it rather than an empty frame.
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>
#include <functional>

namespace tera {

using PictureRenderer = std::function<int(const QString &, QTextStream &, QTextStream &)>;

// Returns what the renderer wrote to its output stream.
inline QString checkPictures(const PictureRenderer &render, const QStringList &names, QSize least, int colours)
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

} // namespace tera
