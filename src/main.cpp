#include "app/app_state.h"
#include "app/startup.h"
#include "cli/cli.h"
#include "mainwin/location_dialog.h"
#include "mainwin/main_window.h"
#include "mainwin/message_box_prompt.h"
#include "platform/prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
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

    tera::frmListKAKO2 window(state, prompt);
    window.show();
    return app.exec();
}
