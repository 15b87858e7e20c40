// Confirms parameter changes of one device as fast as it can, the way a panel
// does after each popup, and prints each counter value once all four groups
// holding it are confirmed. tst_abruptend kills it at random moments.
#include "config/DevConfig.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DevConfig store; // devConfig.json beside this program
    const QString key = QStringLiteral("ABR 202406300001");
    MoveParam move; JogParam jog; DriveParam drive; CruiseParam cruise;
    store.LoadDevParams(key, move, jog, drive, cruise);
    for (int n = jog.Times + 1; n < 16777215; ++n) { // carries on from the stored counter
        move.Jerk = n % 19;
        jog.Delay = jog.Times = n;
        drive.Offset = (n % 100000 + 1) / 1000.0;
        cruise.StopTime = cruise.Times = n;
        store.SaveMoveParam(key, move);
        store.SaveJogParam(key, jog);
        store.SaveDriveParam(key, drive);
        store.SaveCruiseParam(key, cruise);
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
    return 0;
}
