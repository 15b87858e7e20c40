#include "app/Startup.h"

#include "app/MainWidget.h"

#include <QApplication>
#include <QFontDatabase>

void SkipOpenGlIntegration()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

bool IsDebugSwitchGiven(const QStringList &arguments)
{
    return arguments.size() > 1 && arguments.at(1) == QLatin1String("-debug");
}

bool IsRemoteSwitchGiven(const QStringList &arguments)
{
    const int at = IsDebugSwitchGiven(arguments) ? 2 : 1;
    return arguments.size() > at && arguments.at(at) == QLatin1String("-remote");
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

void ApplyCommandLine(MainWidget &window, const QStringList &arguments)
{
    if (IsDebugSwitchGiven(arguments))
        window.SetDebugButtonVisible(true);
    if (IsRemoteSwitchGiven(arguments))
        window.SwitchRemote(true);
}
