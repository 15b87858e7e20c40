#!/usr/bin/env python3
"""Command-line tool for the ActuatorControl script interface.

    python3 actuator_cli.py scan
    python3 actuator_cli.py open "QMA 202412000001"
    python3 actuator_cli.py move "QMA 202412000001" 3.0
    python3 actuator_cli.py wait "QMA 202412000001" 30
    python3 actuator_cli.py set_params "QMA 202412000001" move Speed=1.5 Acc=2
    python3 actuator_cli.py watch position status

Prints each result as JSON. Exit status: 0 done, 1 refused by the program,
2 wrong command line, 3 no connection to the program.
"""

import argparse
import json
import sys

import actuator_remote

DEVICE_COMMANDS = ["open", "close", "state", "home", "stop", "cruise"]


def parse_value(text):
    """A NAME=VALUE value: JSON (numbers, true, false) or else the text itself."""
    try:
        return json.loads(text)
    except ValueError:
        return text


def build_parser():
    parser = argparse.ArgumentParser(description="Drives the devices open in ActuatorControl.")
    parser.add_argument("--config-dir", help="folder of appConfig.ini and remote.token (default: "
                                             "$ACTUATOR_CONFIG_DIR, else the program's folder when it holds "
                                             "remote.token, else the user's ActuatorControl configuration folder)")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, help="default: from appConfig.ini, else 17600")
    parser.add_argument("--timeout", type=float, default=10.0, help="seconds a request may take")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    for name in ["hello", "devices", "scan", "stop_all"]:
        commands.add_parser(name)
    for name in DEVICE_COMMANDS:
        commands.add_parser(name).add_argument("device")
    enable = commands.add_parser("enable")
    enable.add_argument("device")
    enable.add_argument("on", choices=["on", "off"])
    move = commands.add_parser("move")
    move.add_argument("device")
    move.add_argument("target_mm", type=float, nargs="?")
    for name in ["jog", "drive"]:
        command = commands.add_parser(name)
        command.add_argument("device")
        command.add_argument("direction", choices=["left", "right"])
    get = commands.add_parser("get_params")
    get.add_argument("device")
    get.add_argument("group")
    put = commands.add_parser("set_params")
    put.add_argument("device")
    put.add_argument("group")
    put.add_argument("values", nargs="+", metavar="NAME=VALUE")
    wait = commands.add_parser("wait")
    wait.add_argument("device")
    wait.add_argument("timeout_s", type=float, nargs="?", default=60.0)
    watch = commands.add_parser("watch", help="subscribe and print notifications until Ctrl+C")
    watch.add_argument("events", nargs="+", choices=["position", "status", "log"])
    watch.add_argument("--device")
    return parser


def run(client, args):
    command = args.command
    if command == "hello":
        return client.server
    if command in ("devices", "scan", "stop_all"):
        return getattr(client, command)()
    if command in DEVICE_COMMANDS:
        return getattr(client, command)(args.device)
    if command == "enable":
        return client.enable(args.device, args.on == "on")
    if command == "move":
        return client.move(args.device, args.target_mm)
    if command in ("jog", "drive"):
        return getattr(client, command)(args.device, args.direction)
    if command == "get_params":
        return client.get_params(args.device, args.group)
    if command == "set_params":
        values = {}
        for item in args.values:
            name, equals, value = item.partition("=")
            if not equals:
                raise SystemExit("set_params: {!r} is not NAME=VALUE".format(item))
            values[name] = parse_value(value)
        return client.set_params(args.device, args.group, values)
    if command == "wait":
        return client.wait(args.device, args.timeout_s)
    if command == "watch":
        client.subscribe(args.events, args.device)
        for notification in client.notifications():
            print(json.dumps({"method": notification.method, "params": notification.params}, ensure_ascii=False),
                  flush=True)
    return None


def main(argv=None):
    args = build_parser().parse_args(argv)
    try:
        with actuator_remote.connect(args.config_dir, args.host, args.port, timeout=args.timeout) as client:
            result = run(client, args)
    except actuator_remote.RemoteError as error:
        print(error, file=sys.stderr)
        return 1
    except ValueError as error:
        print(error, file=sys.stderr)
        return 2
    except (OSError, ConnectionError) as error:
        print("no connection to ActuatorControl: {}".format(error), file=sys.stderr)
        return 3
    except KeyboardInterrupt:
        return 0
    print(json.dumps(result, indent=2, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main())
