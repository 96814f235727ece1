#include "model/app_state.h"
#include "session/startup.h"
#include "cli/cli.h"
#include "mainwin/location_dialog.h"
#include "mainwin/main_window.h"
#include "mainwin/message_box_prompt.h"
#include "platform/clock.h"
#include "platform/prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTextStream>


namespace {

// The windows are Japanese; so are Qt's own dialogs and buttons where the
// platform has Qt's translations (Debian: qt6-translations-l10n).
void installQtTranslations(QTranslator &qtTexts)
{
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
}

int runDesktop(int &argc, char *argv[], const tera::Launch &launch)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tera-import"));
    QApplication::setApplicationDisplayName(QStringLiteral("データ移行"));
    QTranslator qtTexts;
    installQtTranslations(qtTexts);

    tera::AppState state;
    tera::MessageBoxPrompt prompt;
    tera::WidgetLocationDialog dialog(prompt);
    tera::StartupOptions options;
    options.appPath = QCoreApplication::applicationDirPath();
    options.givenDbPath = launch.dbPath;
    try {
        tera::RunStartup(state, prompt, dialog, options);
    } catch (const tera::EndProgram &end) {
        return end.code();
    }

    tera::SystemClock clock;
    tera::MainWindow window(state, prompt, clock);
    prompt.setParent(&window);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    // Decided before any QApplication exists: creating one without a display
    // aborts inside Qt.
    const tera::Launch launch = tera::ChooseLaunch(args);
    switch (launch.kind) {
    case tera::Launch::Kind::Batch: {
        // The batch command line needs no display.
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return tera::runCli(args, out, err);
    }
    case tera::Launch::Kind::Refused: {
        QTextStream err(stderr);
        err << launch.message << Qt::endl;
        return launch.code;
    }
    case tera::Launch::Kind::Desktop:
        break;
    }
    if (!tera::HasDisplay()) {
        QTextStream err(stderr);
        err << tera::NoDisplayMessage() << Qt::endl;
        return tera::kNoDisplayExitCode;
    }
    return runDesktop(argc, argv, launch);
}
