#include "app/Startup.h"

#include "app/MainWidget.h"

#include <QApplication>
#include <QFontDatabase>

void SkipOpenGlIntegration()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

QStringList RawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool InstallApplicationFont(const QString &fontFile)
{
    const int id = QFontDatabase::addApplicationFont(fontFile);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty())
        return false;
    QFont font = QApplication::font();
    font.setFamily(families.first());
    font.setPixelSize(16);
    QApplication::setFont(font);
    return true;
}

void ApplyCommandLine(MainWidget &window, const CommandLine &commandLine)
{
    if (commandLine.debug)
        window.SetDebugButtonVisible(true);
    if (commandLine.remote)
        window.SwitchRemote(true);
}
