// What the simulator needs from the operating system, behind one function
// each. Paths are UTF-8 on every system.
#ifndef SIMPLATFORM_H
#define SIMPLATFORM_H

#include <cstdio>
#include <string>

namespace actsim {

// Folder of the library file this code runs in; empty when unknown.
std::string libraryDir();

// The variable's value; false when it is not set.
bool environmentValue(const char *name, std::string &value);

// fopen for a UTF-8 path.
std::FILE *openFile(const std::string &path, const char *mode);

bool removeFile(const std::string &path);

// Puts file from in the place of file to in one step, replacing to when it
// exists; on failure both stay as they were.
bool replaceFile(const std::string &from, const std::string &to);

// This process's id, for names of temporary files.
unsigned long processId();

// The user's configuration folder, as Qt names it for the program:
// XDG_CONFIG_HOME, else $HOME/.config (%LOCALAPPDATA% on Windows).
std::string userConfigHome();

bool fileExists(const std::string &path);
// True when this user may write the existing file.
bool fileWritable(const std::string &path);

// Creates the folder and its missing parents; true when it exists afterwards.
bool makeFolder(const std::string &path);

} // namespace actsim

#endif
