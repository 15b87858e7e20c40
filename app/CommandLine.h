#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QString>
#include <QStringList>

// What the command line asks of the program:
//   ActuatorControl [-debug] [-remote]      run (Qt's own options allowed too)
//   ActuatorControl --help | --version      print and exit 0
// Anything else is refused with the usage (exit code 2).
struct CommandLine
{
    enum Action { Run, ShowHelp, ShowVersion, Refuse };

    Action action = Run;
    // "-debug", exactly, as the first argument: the engineering console's
    // button. Elsewhere, or as "--debug", it is accepted and does nothing.
    bool debug = false;
    // "-remote" (alone or after -debug): the remote interface for this run.
    bool remote = false;
    // What to print for Refuse.
    QString error;
    // The name the program was started by, for the usage.
    QString program;
};

// True when the first argument after the program name is exactly "-debug".
bool IsDebugSwitchGiven(const QStringList &arguments);

// arguments: the program's argument vector, after QApplication took out its
// own options. Help wins over version, both over anything refused, so that
// they are answered before the window system is reached too.
CommandLine ParseCommandLine(const QStringList &arguments);

// Prints the help, the version, or the error with the usage (stdout for the
// first two, stderr for the error); on Windows, where the program has no
// console and its output is not redirected, shows it in a message box
// instead. Returns the exit code: 0, or 2 for a refused command line.
int AnswerCommandLine(const CommandLine &commandLine);

#endif
