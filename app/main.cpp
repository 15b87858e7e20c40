#include "app/MainWidget.h"
#include "app/Startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    SkipOpenGlIntegration();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(APP_VERSION));
    InstallApplicationFont(QCoreApplication::applicationDirPath() + QStringLiteral("/font.ttf"));

    MainWidget mainWidget;
    mainWidget.show();
    // arguments() reflects argv after QApplication removed its own options.
    ApplyCommandLine(mainWidget, QCoreApplication::arguments());

    return app.exec();
}
