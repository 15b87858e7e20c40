#ifndef STARTUP_H
#define STARTUP_H

#include "app/CommandLine.h"

#include <QString>
#include <QStringList>

class MainWidget;

// Before the application object: the program paints with the raster engine
// only, so on X11 the platform's OpenGL integration (Mesa's driver with LLVM,
// some 50 MB resident) is not loaded, unless the environment asks for one.
void SkipOpenGlIntegration();

// Makes the font file the application font at 16 px. A missing, unreadable or
// non-font file changes nothing and returns false.
bool InstallApplicationFont(const QString &fontFile);

// The program's argument vector as it was given, before QApplication took
// out its own options.
QStringList RawArguments(int argc, char *argv[]);

// Applies the command line to the main window: "-debug" reveals its debug
// button, "-remote" switches the script interface on for this run.
void ApplyCommandLine(MainWidget &window, const CommandLine &commandLine);

#endif
