#include "app/MainWidget.h"
#include "app/Startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    SkipOpenGlIntegration();
    QCoreApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    // Help and version are answered before the window system is reached, so
    // that they work without a display too.
    const CommandLine early = ParseCommandLine(RawArguments(argc, argv));
    if (early.action == CommandLine::ShowHelp || early.action == CommandLine::ShowVersion)
        return AnswerCommandLine(early);

    QApplication app(argc, argv);
    // arguments() reflects argv after QApplication removed its own options.
    const CommandLine commandLine = ParseCommandLine(QCoreApplication::arguments());
    if (commandLine.action != CommandLine::Run)
        return AnswerCommandLine(commandLine);
    InstallApplicationFont(QCoreApplication::applicationDirPath() + QStringLiteral("/font.ttf"));

    int status = 0;
    {
        MainWidget mainWidget;
        mainWidget.show();
        ApplyCommandLine(mainWidget, commandLine);
        status = app.exec();
    }
    // Each worker thread that ended while the window went has queued the
    // deletion of its QThread object to this thread, whose event loop no
    // longer runs: the queued calls and then the deletions they ask for.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
