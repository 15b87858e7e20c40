#include "sim/SimPlatform.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#include <direct.h>
#include <io.h>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace actsim {

#ifdef _WIN32

namespace {

std::wstring wide(const std::string &utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                        nullptr, nullptr);
    return out;
}

} // namespace

std::string libraryDir()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
                                | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&libraryDir), &module))
        return std::string();
    std::wstring file(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = GetModuleFileNameW(module, &file[0], static_cast<DWORD>(file.size()));
        if (n == 0)
            return std::string();
        if (n < file.size()) {
            file.resize(n);
            break;
        }
        file.resize(file.size() * 2);
    }
    const auto slash = file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : utf8(file.substr(0, slash));
}

bool environmentValue(const char *name, std::string &value)
{
    const std::wstring key = wide(name);
    // The size asked for counts the terminator, so it is 0 only for a missing variable.
    const DWORD n = GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (n == 0)
        return false;
    std::wstring text(n, L'\0');
    text.resize(GetEnvironmentVariableW(key.c_str(), &text[0], n));
    value = utf8(text);
    return true;
}

std::FILE *openFile(const std::string &path, const char *mode)
{
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

bool removeFile(const std::string &path)
{
    return _wremove(wide(path).c_str()) == 0;
}

bool replaceFile(const std::string &from, const std::string &to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        != 0;
}

unsigned long processId()
{
    return GetCurrentProcessId();
}

std::string userConfigHome()
{
    std::string dir;
    if (environmentValue("LOCALAPPDATA", dir) && !dir.empty())
        return dir;
    return environmentValue("USERPROFILE", dir) ? dir + "/AppData/Local" : std::string();
}

bool fileExists(const std::string &path)
{
    return _waccess(wide(path).c_str(), 0) == 0;
}

bool fileWritable(const std::string &path)
{
    return _waccess(wide(path).c_str(), 2) == 0;
}

namespace {
bool makeOneFolder(const std::string &path)
{
    return _wmkdir(wide(path).c_str()) == 0 || errno == EEXIST;
}
} // namespace

#else

std::string libraryDir()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libraryDir), &info) == 0 || !info.dli_fname)
        return std::string();
    const std::string file = info.dli_fname;
    const auto slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

bool environmentValue(const char *name, std::string &value)
{
    const char *text = std::getenv(name);
    if (!text)
        return false;
    value = text;
    return true;
}

std::FILE *openFile(const std::string &path, const char *mode)
{
    return std::fopen(path.c_str(), mode);
}

bool removeFile(const std::string &path)
{
    return std::remove(path.c_str()) == 0;
}

bool replaceFile(const std::string &from, const std::string &to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

unsigned long processId()
{
    return static_cast<unsigned long>(::getpid());
}

std::string userConfigHome()
{
    std::string dir;
    if (environmentValue("XDG_CONFIG_HOME", dir) && !dir.empty())
        return dir;
    if (!environmentValue("HOME", dir) || dir.empty())
        dir = "/";
    return dir + "/.config";
}

bool fileExists(const std::string &path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

bool fileWritable(const std::string &path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

namespace {
// The configuration folder is private to its user, as XDG asks.
bool makeOneFolder(const std::string &path)
{
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}
} // namespace

#endif

bool makeFolder(const std::string &path)
{
    for (std::size_t slash = path.find_first_of("/\\", 1); slash != std::string::npos;
         slash = path.find_first_of("/\\", slash + 1)) {
        if (path[slash - 1] != ':') // a drive letter: nothing to make
            makeOneFolder(path.substr(0, slash));
    }
    return makeOneFolder(path);
}

} // namespace actsim
