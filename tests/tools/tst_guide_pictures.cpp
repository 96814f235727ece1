// The guide's pictures draw headless, each a real picture of its window.
#include "tools/guide_pictures.h"
#include "picture_checks.h"

using namespace tera;

class TestGuidePictures : public QObject {
    Q_OBJECT

private slots:
    void drawsEveryPicture()
    {
        checkPictures(RenderGuidePictures, GuidePictureNames(), QSize(200, 100), 8);
        // The work folder is gone again.
        QVERIFY(!QDir(QDir::temp().filePath(QStringLiteral("tera-import-guide"))).exists());
    }
};

QTEST_MAIN(TestGuidePictures)
#include "tst_guide_pictures.moc"
