// The library's contract on Windows (under Wine on the build machine): each kind of
// argument and result across the DLL boundary, a state file that cannot be replaced,
// and flash kept across a reload of the library from a folder with a non-ASCII name.
// Prints "N passed, M failed". "contract write" / "contract read": the reload's halves.
#include "sim/ActuatorSimControl.h"

#include <process.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int g_passed = 0, g_failed = 0;

void check(bool ok, const char *what, int line)
{
    ++(ok ? g_passed : g_failed);
    if (!ok)
        std::printf("FAILED line %d: %s\n", line, what);
}
#define CHECK(expr) check((expr), #expr, __LINE__)

std::string actuatorSerial(int h)
{
    char text[33] = {};
    return readActuatorSerial(h, text, sizeof text) == 0 ? text : "<failed>";
}

// The exported calls work across the DLL boundary: handles, a move with its position
// and status, numbers and texts in and out through pointers.
void callsCross()
{
    simReset();
    simUseManualClock(1);
    const int h = simAttach("W 000000000001", 3, 1);
    CHECK(openDev(h) == 0 && isDevOpen(h) == 1 && move(h + 1) < 0 && getPositon(h + 1) <= -10000.0);
    // 1.25 mm at 1.5 mm/s and 0.75 mm/s^2 is over in 2.6 s.
    CHECK(simSetPosition(h, 0.0) == 0 && setTargetPos(h, 1.25) == 0 && setSpeed(h, 1.5f) == 0
          && setAcc(h, 0.75f) == 0 && setJerk(h, 40000) == 0 && move(h) == 0);
    simAdvanceClock(3000);
    double target = 0;
    float speed = 0, acc = 0, dec = 0;
    uint16_t jerk = 0, status = 0;
    CHECK(getPositon(h) == 1.25 && getWorkStatus(h, &status) == 0 && status == 0x125);
    CHECK(getMoveParam(h, &target, &speed, &acc, &dec, &jerk) == 0 && target == 1.25
          && speed == 1.5f && acc == 0.75f && jerk == 40000);
    char text[33] = {};
    CHECK(writeVersion(h, "V2.0 \xe7\x89\x88", 8) == 0 && readVersion(h, text, sizeof text) == 0
          && std::string(text) == "V2.0 \xe7\x89\x88");
}

// A state file that cannot be replaced (another program holds it open) fails
// the write, and the flash keeps what it held, in memory and in the file.
void unsavedWriteFails()
{
    DeleteFileW(L"contract.state");
    simReset();
    simSetStateFile("contract.state");
    int h = simAttach("W 000000000001", 3, 1);
    CHECK(openDev(h) == 0 && writeActuatorSerial(h, "KEPT", 4) == 0);
    const HANDLE held = CreateFileW(L"contract.state", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE && writeActuatorSerial(h, "LOST", 4) < 0 && actuatorSerial(h) == "KEPT");
    CloseHandle(held);
    simReset();
    simSetStateFile("contract.state");
    h = simAttach("W 000000000001", 3, 1);
    CHECK(openDev(h) == 0 && actuatorSerial(h) == "KEPT");
}

// Copies of this program and the library in a folder of their own: one process
// writes flash twice, the next reads the second value back from the file beside the library.
void flashSurvivesReload()
{
    const std::wstring folder = L"重新加载", exe = folder + L"\\contract.exe";
    wchar_t path[MAX_PATH];
    auto moduleFile = [&](HMODULE m) { return std::wstring(path, GetModuleFileNameW(m, path, MAX_PATH)); };
    CreateDirectoryW(folder.c_str(), nullptr);
    DeleteFileW((folder + L"\\actuatorSim.state").c_str());
    CHECK(CopyFileW(moduleFile(nullptr).c_str(), exe.c_str(), FALSE) != 0);
    CHECK(CopyFileW(moduleFile(GetModuleHandleW(L"ActuatorLibrary.dll")).c_str(),
                    (folder + L"\\ActuatorLibrary.dll").c_str(), FALSE) != 0);
    SetEnvironmentVariableW(L"ACTUATOR_SIM_STATE", nullptr);
    SetEnvironmentVariableW(L"ACTUATOR_SIM_DEVICES", L"W 000000000009,3,1");
    CHECK(_wspawnl(_P_WAIT, exe.c_str(), exe.c_str(), L"write", nullptr) == 0);
    CHECK(GetFileAttributesW((folder + L"\\actuatorSim.state").c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK(_wspawnl(_P_WAIT, exe.c_str(), exe.c_str(), L"read", nullptr) == 0);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    int h = -1;
    if (!mode.empty() && (scanDev(&h, 1) != 1 || openDev(h) != 0))
        return 1;
    if (mode == "write")
        return writeActuatorSerial(h, "FIRST", 5) == 0 && writeActuatorSerial(h, "SECOND", 6) == 0 ? 0 : 1;
    if (mode == "read")
        return actuatorSerial(h) == "SECOND" ? 0 : 1;
    callsCross();
    unsavedWriteFails();
    flashSurvivesReload();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
