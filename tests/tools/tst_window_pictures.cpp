// tera-pictures draws every window headless, so the README's
// pictures can always be redrawn.
#include "tools/screenshots.h"
#include "picture_checks.h"

using namespace tera;

class TestWindowPictures : public QObject {
    Q_OBJECT

private slots:
    // The main window is drawn with the file read and the links made: the
    // pictures are not blank frames.
    void drawsEveryWindow()
    {
        const QStringList names = WindowPictureNames();
        const QString said = checkPictures(RenderWindowPictures, names, QSize(150, 80), 20);
        for (const QString &name : names)
            QVERIFY2(said.contains(name), qPrintable(name));
    }
};

QTEST_MAIN(TestWindowPictures)
#include "tst_window_pictures.moc"
