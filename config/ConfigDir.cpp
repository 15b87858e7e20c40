#include "config/ConfigDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

Q_LOGGING_CATEGORY(lcConfigDir, "actuator.files")

const char kFilesPerUserMarker[] = "files-per-user";

namespace {

// The folder name inside the user's configuration folder; the simulated
// library builds the same path without Qt, whatever organisation or
// application name the program may set.
const char kUserFolderName[] = "ActuatorControl";

// Every file the program or the simulated library writes (sim/SimFlash.cpp
// checks the same list, so that both choose the same folder).
const char *const kWrittenFiles[] = {"devConfig.json", "devConfig.json.bak", "appConfig.ini", "remote.token",
                                     "actuatorSim.state"};
// Taken into the user's folder. Not remote.token: each user has a token of
// their own, readable by nobody else.
const char *const kCopiedFiles[] = {"devConfig.json", "appConfig.ini"};

// Why the program's folder cannot hold the files; empty when it can.
QString Unsuitable(const QDir &programDir)
{
    if (programDir.exists(QLatin1String(kFilesPerUserMarker)))
        return QStringLiteral("it holds %1").arg(QLatin1String(kFilesPerUserMarker));
    // Creating a file is the one test that holds on every system (access
    // rights on Windows are not the read-only attribute).
    QTemporaryFile probe(programDir.filePath(QStringLiteral(".write-probe-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("it cannot be written");
    for (const char *name : kWrittenFiles) {
        const QFileInfo file(programDir.filePath(QLatin1String(name)));
        if (file.exists() && !file.isWritable())
            return QStringLiteral("%1 there cannot be written").arg(QLatin1String(name));
    }
    return QString();
}

// A fresh file with this user's default permissions, not the source's.
bool CopyInto(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = source.readAll();
    QSaveFile target(to);
    return source.error() == QFileDevice::NoError && target.open(QIODevice::WriteOnly)
        && target.write(data) == data.size() && target.commit();
}

} // namespace

QString ChooseConfigDir(const QString &programDir, const QString &userDir)
{
    const QDir program(programDir);
    const QString reason = Unsuitable(program);
    if (reason.isEmpty()) {
        qCInfo(lcConfigDir).noquote() << "files beside the program in" << QDir::toNativeSeparators(programDir);
        return programDir;
    }
    qCInfo(lcConfigDir).noquote() << "files per user in" << QDir::toNativeSeparators(userDir)
                                  << QStringLiteral("(the program's folder: %1)").arg(reason);
    const bool created = !QFileInfo::exists(userDir);
    if (!QDir().mkpath(userDir)) {
        qCWarning(lcConfigDir).noquote() << "cannot create" << QDir::toNativeSeparators(userDir)
                                         << "- settings and parameters will not be saved";
        return userDir;
    }
    // A new folder is private to its user, as XDG asks (the token lives there).
    if (created)
        QFile::setPermissions(userDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (const char *name : kCopiedFiles) {
        const QString from = program.filePath(QLatin1String(name));
        const QString to = QDir(userDir).filePath(QLatin1String(name));
        if (!QFileInfo::exists(from) || QFileInfo::exists(to))
            continue;
        if (CopyInto(from, to))
            qCInfo(lcConfigDir).noquote() << "copied" << QDir::toNativeSeparators(from);
        else
            qCWarning(lcConfigDir).noquote() << "cannot copy" << QDir::toNativeSeparators(from) << "to"
                                             << QDir::toNativeSeparators(to);
    }
    return userDir;
}

QString ConfigDir()
{
    static const QString dir = ChooseConfigDir(
            QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
                    + QLatin1String(kUserFolderName));
    return dir;
}

QString ConfigFilePath(const QString &fileName)
{
    return ConfigDir() + QLatin1Char('/') + fileName;
}
