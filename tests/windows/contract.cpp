// The library's contract checked on Windows (under Wine on the build machine):
// handles and open state, calls on a bad handle, every kind of argument and
// result passed across the DLL boundary, a timed move and its status bits, a
// state file that cannot be replaced, and flash kept across a reload of the
// library in a folder with a non-ASCII name. Prints "N passed, M failed" and
// exits non-zero on a failure.
//   contract          every check; runs copies of itself for the reload
//   contract write    writes flash through the library beside this copy
//   contract read     exits 0 when that flash reads back
#include "sim/ActuatorSimControl.h"

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

namespace {

int g_passed = 0;
int g_failed = 0;

void check(bool ok, const char *what, int line)
{
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAILED line %d: %s\n", line, what);
    }
}
#define CHECK(expr) check((expr), #expr, __LINE__)

constexpr uint16_t kReachedTarget = 1 << 0;
constexpr uint16_t kStopped = 1 << 2;
constexpr uint16_t kEnabled = 1 << 5;
constexpr uint16_t kHomed = 1 << 6;
constexpr uint16_t kConnected = 1 << 8;

using Clock = std::chrono::steady_clock;

uint16_t statusOf(int h)
{
    uint16_t status = 0;
    return getWorkStatus(h, &status) == 0 ? status : 0xffff;
}

bool waitFor(int h, uint16_t bits)
{
    for (const auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
        const uint16_t status = statusOf(h);
        if (status != 0xffff && (status & bits) == bits)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string actuatorSerial(int h)
{
    char text[33] = {};
    return readActuatorSerial(h, text, sizeof text) == 0 ? text : "<failed>";
}

std::wstring moduleFile(HMODULE module)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, n);
}

DWORD run(const std::wstring &exe, const wchar_t *argument)
{
    std::wstring command = L"\"" + exe + L"\" " + argument;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 255;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The first device of the environment's list, opened.
int firstDevice()
{
    int handles[6] = {};
    return scanDev(handles, 6) == 1 && openDev(handles[0]) == 0 ? handles[0] : -1;
}

void handlesAndBadHandles()
{
    simReset();
    const int h = simAttach("W 000000000001", 3, 1);
    const int other = simAttach("W 000000000002", 1, 1);
    int handles[6] = {};
    CHECK(scanDev(handles, 6) == 2 && handles[0] == h && handles[1] == other);
    CHECK(isDevOpen(h) == 0 && move(h) < 0);
    CHECK(openDev(h) == 0 && isDevOpen(h) == 1);
    char text[33] = {};
    CHECK(readDriverSerial(h, text, sizeof text) == 0 && std::string(text) == "W 000000000001");
    CHECK(closeDev(h) == 0 && isDevOpen(h) == 0);
    CHECK(simDetach(other) == 0 && openDev(other) < 0 && scanDev(handles, 6) == 1);

    for (const int bad : {0, -1, 999, other}) {
        uint16_t status = 0;
        CHECK(openDev(bad) < 0 && closeDev(bad) < 0 && isDevOpen(bad) == 0);
        CHECK(move(bad) < 0 && jog(bad, 0) < 0 && setSpeed(bad, 1.0f) < 0);
        CHECK(getPositon(bad) <= -10000.0 && getWorkStatus(bad, &status) < 0);
        CHECK(readActuatorSerial(bad, text, sizeof text) < 0 && writeVersion(bad, "V", 1) < 0);
    }
}

// double, float, int, uint16_t, texts and bytes in; the same through pointers out.
void argumentsRoundTrip()
{
    simReset();
    const int h = simAttach("W 000000000001", 3, 1);
    CHECK(openDev(h) == 0);
    CHECK(setTargetPos(h, 1.25) == 0 && setSpeed(h, 1.5f) == 0 && setAcc(h, 0.75f) == 0
          && setJerk(h, 40000) == 0);
    double target = 0;
    float speed = 0, acc = 0, dec = 0;
    uint16_t jerk = 0;
    CHECK(getMoveParam(h, &target, &speed, &acc, &dec, &jerk) == 0 && target == 1.25
          && speed == 1.5f && acc == 0.75f && jerk == 40000);
    CHECK(setJogStep(h, 0.125) == 0 && setJogDelay(h, 250) == 0 && setJogTimes(h, 7) == 0);
    double step = 0;
    int delay = 0, times = 0;
    CHECK(getJogParam(h, &step, &delay, &times) == 0 && step == 0.125 && delay == 250
          && times == 7);
    CHECK(setRelativePos(h, 2.5) == 0 && setRelativePosEnable(h, 1) == 0);
    double offset = 0;
    uint8_t enable = 0;
    CHECK(getDriveParam(h, &offset, &enable) == 0 && offset == 2.5 && enable == 1);
    CHECK(setBtnSpeed(h, 0.5f) == 0 && setBtnPos2(h, 3.5) == 0 && setBackDormant(h, 65535) == 0);
    float btnSpeed = 0;
    uint16_t mode, light, sleep, dormant = 0;
    double jogStep, pos1, pos2 = 0;
    CHECK(getBtnParam(h, &btnSpeed, &mode, &jogStep, &pos1, &pos2, &light, &sleep, &dormant) == 0
          && btnSpeed == 0.5f && pos2 == 3.5 && dormant == 65535);
    CHECK(writeVersion(h, "V2.0 \xe7\x89\x88", 8) == 0);
    char text[33] = {};
    CHECK(readVersion(h, text, sizeof text) == 0 && std::string(text) == "V2.0 \xe7\x89\x88");
    const uint8_t payload[] = {0x0a, 0x1b, 0xff};
    uint8_t reply[64] = {};
    CHECK(sendDebugData(h, 5, payload, 3, reply, 64) == 4 && reply[0] == 5 && reply[3] == 0xff);
    CHECK(setRecoil(h, 12) == 0 && readRecoil(h) == 12 && readActuatorModel(h) == 3);
}

void timedMoveAndStatusBits()
{
    simReset();
    const int h = simAttach("W 000000000001", 3, 1);
    CHECK(openDev(h) == 0 && setSpeed(h, 2.0f) == 0 && setAcc(h, 10.0f) == 0);
    CHECK(simSetPosition(h, 3.0) == 0 && restore(h) == 0);
    CHECK(waitFor(h, kStopped | kHomed) && getPositon(h) == 0.0);

    // 2 mm at 2 mm/s with 10 mm/s^2: 0.2 s up to speed, 0.8 s at speed, 0.2 s down.
    CHECK(setTargetPos(h, 2.0) == 0);
    const auto start = Clock::now();
    CHECK(move(h) == 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double halfway = getPositon(h);
    CHECK(halfway > 0.3 && halfway < 1.9 && (statusOf(h) & (kStopped | kReachedTarget)) == 0);
    CHECK(waitFor(h, kStopped | kReachedTarget));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("move of 2 mm took %.3f s (1.2 s planned)\n", seconds);
    CHECK(seconds >= 1.2 && seconds < 2.5);
    CHECK(getPositon(h) == 2.0);
    CHECK((statusOf(h) & (kEnabled | kHomed | kConnected)) == (kEnabled | kConnected));

    CHECK(setMotorEnable(h, 0) == 0 && (statusOf(h) & kEnabled) == 0);
    CHECK(simSetMotorConnected(h, 0) == 0 && (statusOf(h) & kConnected) == 0);
}

// A state file that cannot be replaced (another program holds it open) fails
// the write, and the flash keeps what it held, in memory and in the file.
void unsavedWriteFails()
{
    DeleteFileW(L"contract.state");
    simReset();
    simSetStateFile("contract.state");
    int h = simAttach("W 000000000001", 3, 1);
    CHECK(openDev(h) == 0 && writeActuatorSerial(h, "OLD", 3) == 0);
    CHECK(writeActuatorSerial(h, "KEPT", 4) == 0);
    const HANDLE held = CreateFileW(L"contract.state", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK(writeActuatorSerial(h, "LOST", 4) < 0 && actuatorSerial(h) == "KEPT");
    CloseHandle(held);

    simReset();
    simSetStateFile("contract.state");
    h = simAttach("W 000000000001", 3, 1);
    CHECK(openDev(h) == 0 && actuatorSerial(h) == "KEPT");
}

// Copies of this program and the library in a folder of their own: one
// process writes flash twice, the next one reads the second value back from
// the state file beside the library.
void flashSurvivesReload()
{
    const std::wstring folder = L"重新加载";
    const std::wstring exe = folder + L"\\contract.exe";
    const std::wstring state = folder + L"\\actuatorSim.state";
    CreateDirectoryW(folder.c_str(), nullptr);
    DeleteFileW(state.c_str());
    CHECK(CopyFileW(moduleFile(nullptr).c_str(), exe.c_str(), FALSE) != 0);
    CHECK(CopyFileW(moduleFile(GetModuleHandleW(L"ActuatorLibrary.dll")).c_str(),
                    (folder + L"\\ActuatorLibrary.dll").c_str(), FALSE)
          != 0);
    SetEnvironmentVariableW(L"ACTUATOR_SIM_STATE", nullptr);
    SetEnvironmentVariableW(L"ACTUATOR_SIM_DEVICES", L"W 000000000009,3,1");
    CHECK(run(exe, L"write") == 0);
    CHECK(GetFileAttributesW(state.c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK(run(exe, L"read") == 0);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write") {
        const int h = firstDevice();
        return writeActuatorSerial(h, "FIRST", 5) == 0 && writeActuatorSerial(h, "SECOND", 6) == 0
                && setBtnPos1(h, 0.75) == 0
            ? 0
            : 1;
    }
    if (mode == "read") {
        const int h = firstDevice();
        float speed;
        uint16_t btnMode, light, sleep, dormant;
        double step, pos1 = 0, pos2;
        getBtnParam(h, &speed, &btnMode, &step, &pos1, &pos2, &light, &sleep, &dormant);
        return actuatorSerial(h) == "SECOND" && pos1 == 0.75 ? 0 : 1;
    }

    handlesAndBadHandles();
    argumentsRoundTrip();
    timedMoveAndStatusBits();
    unsavedWriteFails();
    flashSurvivesReload();
    simReset();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
