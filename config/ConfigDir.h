#ifndef CONFIGDIR_H
#define CONFIGDIR_H

#include <QString>

// The folder of every file the program writes: devConfig.json (with its
// .bak), appConfig.ini and remote.token. Every user of these files asks here.
//
// A portable folder keeps them beside the executable, as it always has. An
// installed program, whose folder this user cannot write, keeps them in the
// user's configuration folder (~/.config/ActuatorControl on Linux,
// %LOCALAPPDATA%/ActuatorControl on Windows). The simulated library follows
// the same rule for its actuatorSim.state.

// Name of the file that marks a folder installed for every user of the
// machine (the Debian package ships it): files go per user even where the
// user running the program, root say, could write the folder.
extern const char kFilesPerUserMarker[];

// Decided once per process, on the first call.
QString ConfigDir();
// ConfigDir() followed by "/" and fileName.
QString ConfigFilePath(const QString &fileName);

// The rule, for a program in programDir and a user folder userDir. The
// program's folder is used when this user can create files in it, each of
// the program's and the simulated library's files it holds can be written,
// and it is not marked. Otherwise userDir is used, created when missing, and
// a devConfig.json or appConfig.ini that the program's folder holds is copied
// into it where userDir has none yet, so that nothing stored there is lost.
// One folder for all files: a token is always found next to the settings.
QString ChooseConfigDir(const QString &programDir, const QString &userDir);

#endif
