#ifndef STARTUP_H
#define STARTUP_H

#include <QString>
#include <QStringList>

class MainWidget;

// Before the application object: the program paints with the raster engine
// only, so on X11 the platform's OpenGL integration (Mesa's driver with LLVM,
// some 50 MB resident) is not loaded, unless the environment asks for one.
void SkipOpenGlIntegration();

// True when the first argument after the program name is exactly "-debug".
// arguments: the command line as left by QApplication (its own options taken out).
bool IsDebugSwitchGiven(const QStringList &arguments);

// True when "-remote" is the first argument, or the second after "-debug".
bool IsRemoteSwitchGiven(const QStringList &arguments);

// Makes the font file the application font at 16 px. A missing, unreadable or
// non-font file changes nothing and returns false.
bool InstallApplicationFont(const QString &fontFile);

// Applies the command line to the main window: "-debug" reveals its debug
// button, "-remote" switches the script interface on for this run.
void ApplyCommandLine(MainWidget &window, const QStringList &arguments);

#endif
