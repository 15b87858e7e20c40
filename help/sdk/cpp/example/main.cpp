// Minimal example: find the controllers, open the first one, home it, move to
// 2 mm, print the position and close it again.
//
// Build (Linux):  g++ main.cpp -I.. -L../lib -lActuatorLibrary -o example
// Build (MSVC):   cl main.cpp /I.. ..\lib\ActuatorLibrary.lib
#include "ActuatorLibrary.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Bits of the status word (getWorkStatus).
const uint16_t kReachedTarget = 1u << 0;
const uint16_t kMotorStopped = 1u << 2;
const uint16_t kHomed = 1u << 6;

// Polls the status word until all bits of mask are set; false on a failed
// read or when that takes longer than timeoutMs.
bool WaitFor(int handle, uint16_t mask, int timeoutMs)
{
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        uint16_t status = 0;
        if (getWorkStatus(handle, &status) != 0)
            return false;
        if ((status & mask) == mask)
            return true;
    }
    return false;
}

} // namespace

int main()
{
    int handles[6] = {};
    const int count = scanDev(handles, 6);
    if (count <= 0) {
        std::printf("no controller found\n");
        releaseDev();
        return 1;
    }
    const int dev = handles[0];
    std::printf("%d controller(s) found, using handle %d\n", count, dev);

    if (openDev(dev) != 0) {
        std::printf("openDev failed\n");
        releaseDev();
        return 1;
    }

    char serial[33] = {};
    if (readDriverSerial(dev, serial, sizeof serial) == 0)
        std::printf("driver serial: %s\n", serial);

    int result = 1;
    if (setMotorEnable(dev, 1) == 0 && setSpeed(dev, 2.0f) == 0 && setAcc(dev, 10.0f) == 0
        && restore(dev) == 0 && WaitFor(dev, kMotorStopped | kHomed, 30000)
        && setTargetPos(dev, 2.0) == 0 && move(dev) == 0
        && WaitFor(dev, kMotorStopped | kReachedTarget, 30000)) {
        const double pos = getPositon(dev);
        if (pos > -10000.0) {
            std::printf("position: %.6f mm\n", pos);
            result = 0;
        }
    }
    if (result != 0)
        std::printf("a call failed or the motion did not finish\n");

    closeDev(dev);
    releaseDev();
    return result;
}
