#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QString Usage(const QString &program)
{
    return QStringLiteral(
                   "Usage: %1 [-debug] [-remote]\n"
                   "       %1 --help | --version\n"
                   "\n"
                   "Controls motorised linear actuators.\n"
                   "\n"
                   "  -debug         as the first argument: shows the engineering console's button\n"
                   "  -remote        switches the remote interface on for this run\n"
                   "  -h, --help     prints this help and exits\n"
                   "  -v, --version  prints the version and exits\n"
                   "\n"
                   "Qt's own options are accepted as well, e.g. -platform offscreen or -style fusion.\n")
            .arg(program);
}

void Print(const QString &text, bool error)
{
#ifdef Q_OS_WIN
    // A GUI program started from the desktop has nowhere to print: the text
    // is shown instead, as QCommandLineParser does for its own messages.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    if (!GetConsoleWindow() && !(startup.dwFlags & STARTF_USESTDHANDLES)) {
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(text.utf16()), L"Actuator Control",
                    MB_OK | MB_TOPMOST | MB_SETFOREGROUND | (error ? MB_ICONERROR : MB_ICONINFORMATION));
        return;
    }
#endif
    std::FILE *out = error ? stderr : stdout;
    std::fputs(text.toLocal8Bit().constData(), out);
    std::fflush(out);
}

} // namespace

bool IsDebugSwitchGiven(const QStringList &arguments)
{
    return arguments.size() > 1 && arguments.at(1) == QLatin1String("-debug");
}

CommandLine ParseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    result.program = QFileInfo(arguments.value(0, QStringLiteral("ActuatorControl"))).fileName();

    QCommandLineParser parser;
    // "-debug" and "-remote" are single-dash words, as they always were.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption debug(QStringLiteral("debug"));
    const QCommandLineOption remote(QStringLiteral("remote"));
    parser.addOption(debug);
    parser.addOption(remote);
    const bool parsed = parser.parse(arguments.isEmpty() ? QStringList(result.program) : arguments);

    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        result.action = CommandLine::ShowHelp;
    else if (parser.isSet(version))
        result.action = CommandLine::ShowVersion;
    else if (!parsed)
        result.error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        result.error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
    if (!result.error.isEmpty())
        result.action = CommandLine::Refuse;

    result.debug = IsDebugSwitchGiven(arguments);
    result.remote = parser.isSet(remote);
    return result;
}

int AnswerCommandLine(const CommandLine &commandLine)
{
    switch (commandLine.action) {
    case CommandLine::ShowHelp:
        Print(Usage(commandLine.program), false);
        return 0;
    case CommandLine::ShowVersion:
        Print(QStringLiteral("%1 %2\n").arg(commandLine.program, QCoreApplication::applicationVersion()), false);
        return 0;
    case CommandLine::Refuse:
        Print(QStringLiteral("%1: %2\n\n%3").arg(commandLine.program, commandLine.error, Usage(commandLine.program)),
              true);
        return 2;
    case CommandLine::Run:
        break;
    }
    return 0;
}
