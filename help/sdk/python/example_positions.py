#!/usr/bin/env python3
"""Example: move one or more devices through a list of positions, wait at each
and print where they are.

    python3 example_positions.py --device "QMA 202412000001" 1.0 2.5 4.0
    python3 example_positions.py --device "QMA 202412000001" --device "QMB 202412000002" 1 2 3

Devices without a control panel get one first. All devices start each move together; the script then waits for each. A device
that ends its motion away from the target (the operator pressed Stop in its
panel, or a limit was reached) ends the script.
"""

import argparse
import sys

import actuator_remote

TOLERANCE_MM = 0.001


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--device", action="append", required=True, help="serial as the add-device dialog shows it")
    parser.add_argument("--config-dir", help="folder of appConfig.ini and remote.token")
    parser.add_argument("--timeout", type=float, default=60.0, help="seconds one move may take")
    parser.add_argument("positions", type=float, nargs="+", metavar="MM")
    args = parser.parse_args()

    with actuator_remote.connect(args.config_dir) as client:
        # A device without a panel gets one, as if checked in the add-device dialog.
        for device in args.device:
            client.open(device)
        for target in args.positions:
            for device in args.device:
                client.move(device, target)
            for device in args.device:
                state = client.wait(device, timeout_s=args.timeout)
                position = state["position_mm"]
                print("{}: target {:.6f} mm, at {:.6f} mm".format(device, target, position), flush=True)
                if abs(position - target) > TOLERANCE_MM:
                    print("{} stopped before its target; ending.".format(device), file=sys.stderr)
                    client.stop_all()
                    return 1
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except actuator_remote.RemoteError as error:
        print(error, file=sys.stderr)
        sys.exit(1)
