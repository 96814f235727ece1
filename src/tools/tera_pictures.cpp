// tera-pictures DIR: draws the pictures of the windows and of the user guide
// (docs/images by default). A tool for the documentation, not part of the
// program: it builds the windows over demo data and saves them as PNG.
#include "tools/guide_pictures.h"
#include "tools/screenshots.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTranslator>

namespace {

const char *const kUsage = "使い方: tera-pictures [DIR]\n"
                           "  画面の絵を DIR（既定 docs/images）に PNG で描きます。\n"
                           "  画面が要ります（QT_QPA_PLATFORM=offscreen でも可）。\n"
                           "  終了コード: 0 描いた、1 描けなかった（画面がないときも）、2 引数の誤り\n";

// As the program itself decides it: on X11/Wayland systems a display must be
// named or a platform chosen, else QApplication aborts inside Qt.
bool hasDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);

    // Parsed before any QApplication exists: creating one without a display
    // aborts inside Qt.
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    if (!parser.parse(args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty())
            err << parser.errorText() << Qt::endl << kUsage;
        else
            err << "知らないオプションです: " << (unknown.first().size() == 1 ? "-" : "--") << unknown.first() << Qt::endl
                << kUsage;
        return 2;
    }
    if (parser.isSet(help)) {
        out << kUsage;
        return 0;
    }
    const QStringList dirs = parser.positionalArguments();
    if (dirs.size() > 1) {
        err << "フォルダは一つだけ指定してください。\n" << kUsage;
        return 2;
    }
    const QString dir = dirs.value(0, QStringLiteral("docs/images"));
    if (!hasDisplay()) {
        err << "画面（ディスプレイ）がないため、ウィンドウを開けません。DISPLAY か WAYLAND_DISPLAY を設定するか、"
               "QT_QPA_PLATFORM=offscreen を指定してください。\n"
               "画面を使わない処理は tera-import help を参照してください。"
            << Qt::endl;
        return 1;
    }

    // Pictures drawn headless show the windows on a laptop's screen.
    QTemporaryDir screenDir;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && screenDir.isValid())
        qputenv("QT_QPA_PLATFORM", tera::PictureScreenPlatform(screenDir.path()).toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tera-import"));
    QApplication::setApplicationDisplayName(QStringLiteral("データ移行"));
    // Qt's own buttons in Japanese, as the program shows them.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    const int windows = tera::RenderWindowPictures(dir, out, err);
    const int guide = tera::RenderGuidePictures(dir, out, err);
    return windows != 0 ? windows : guide;
}
