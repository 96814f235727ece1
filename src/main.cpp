#include "app/app_state.h"
#include "app/startup.h"
#include "cli/cli.h"
#include "mainwin/location_dialog.h"
#include "mainwin/main_window.h"
#include "mainwin/message_box_prompt.h"
#include "mainwin/guide_pictures.h"
#include "mainwin/screenshots.h"
#include "platform/clock.h"
#include "platform/prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (tera::isCliCommand(args)) {
        // The batch command line needs no display.
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return tera::runCli(args, out, err);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tera-import"));
    QApplication::setApplicationDisplayName(QStringLiteral("データ移行"));
    // The windows are Japanese; so are Qt's own dialogs and buttons where the
    // platform has Qt's translations (Debian: qt6-translations-l10n).
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    if (args.value(0) == QStringLiteral("screenshots")) {
        // Pictures of every window for the documentation; runs headless with
        // QT_QPA_PLATFORM=offscreen.
        QTextStream out(stdout);
        QTextStream err(stderr);
        const QString dir = args.value(1, QStringLiteral("docs/images"));
        const int windows = tera::RenderWindowPictures(dir, out, err);
        const int guide = tera::RenderGuidePictures(dir, out, err);
        return windows != 0 ? windows : guide;
    }

    tera::AppState state;
    tera::MessageBoxPrompt prompt;
    tera::WidgetLocationDialog dialog(prompt);
    tera::StartupOptions options;
    options.appPath = QCoreApplication::applicationDirPath();
    if (args.size() == 1)
        options.givenDbPath = QFileInfo(args.first()).absoluteFilePath();
    else if (args.size() > 1) {
        std::fprintf(stderr, "引数が多すぎます。tera-import help を参照してください。\n");
        return 2;
    }
    try {
        tera::RunStartup(state, prompt, dialog, options);
    } catch (const tera::EndProgram &end) {
        return end.code();
    }

    tera::SystemClock clock;
    tera::frmListKAKO2 window(state, prompt, clock);
    prompt.setParent(&window);
    window.show();
    return app.exec();
}
