"""Client of the ActuatorControl script interface (Python 3, standard library only).

The running ActuatorControl program, with remote control switched on, accepts
JSON-RPC 2.0 requests on a TCP port of this computer (127.0.0.1, port 17600 by
default). Every command goes through the device's own control panel, exactly
like a click, so the panel shows it and the operator can stop it.

    import actuator_remote

    with actuator_remote.connect() as client:
        client.move("QMA 202412000001", 3.0)
        state = client.wait("QMA 202412000001", timeout_s=30)
        print(state["position_mm"])

connect() finds the port and the token itself: both are next to the program's
settings file appConfig.ini, in the folder given as config_dir. Without it, the
folder is found as the program finds it (see default_config_dir()).
"""

import collections
import configparser
import json
import os
import socket
from pathlib import Path

__all__ = ["connect", "Client", "RemoteError", "Notification", "default_config_dir", "user_config_dir", "read_port",
           "DEFAULT_PORT", "PROTOCOL"]

DEFAULT_PORT = 17600
PROTOCOL = 1

# Error codes of the program (RemoteError.code).
PARSE_ERROR = -32700
INVALID_REQUEST = -32600
METHOD_NOT_FOUND = -32601
INVALID_PARAMS = -32602
INTERNAL_ERROR = -32603
UNAUTHORIZED = -32000
UNKNOWN_DEVICE = -32001
OUT_OF_RANGE = -32002
BUSY = -32003
PANEL_CLOSED = -32004
TIMEOUT = -32005
DEVICE_LOST = -32006
OPEN_FAILED = -32007
COMMAND_FAILED = -32008

_LINE_LIMIT = 1024 * 1024 + 1


class RemoteError(Exception):
    """The program refused a request: code is one of the codes above, message says why."""

    def __init__(self, code, message):
        super().__init__("error {}: {}".format(code, message))
        self.code = code
        self.message = message


Notification = collections.namedtuple("Notification", "method params")
Notification.__doc__ = """A pushed event: method is "position", "status" or "log"; params holds
device, time (ISO 8601, when the value was read) and the values."""


def user_config_dir():
    """Where an installed program keeps its files for this user: %LOCALAPPDATA%\\ActuatorControl
    on Windows, $XDG_CONFIG_HOME/ActuatorControl or else ~/.config/ActuatorControl elsewhere."""
    if os.name == "nt":
        base = os.environ.get("LOCALAPPDATA") or str(Path.home() / "AppData" / "Local")
    else:
        base = os.environ.get("XDG_CONFIG_HOME") or str(Path.home() / ".config")
    return Path(base) / "ActuatorControl"


def default_config_dir():
    """The folder of appConfig.ini and remote.token when connect() is given none: the one named
    by the environment variable ACTUATOR_CONFIG_DIR; else the program's folder this module was
    installed with (help/Nuvik_PythonSDK/ lies inside it) when it holds remote.token, as a
    portable program keeps its files beside itself; else user_config_dir(), where an installed
    program keeps them."""
    folder = os.environ.get("ACTUATOR_CONFIG_DIR")
    if folder:
        return Path(folder)
    program = Path(__file__).resolve().parent.parent.parent
    if (program / "remote.token").is_file():
        return program
    return user_config_dir()


def read_port(config_dir):
    """The port in appConfig.ini (group "remote", key "port"); 17600 when missing or not a port."""
    settings = configparser.ConfigParser(interpolation=None, strict=False)
    try:
        settings.read(Path(config_dir) / "appConfig.ini", encoding="utf-8")
        port = int(settings.get("remote", "port", fallback=str(DEFAULT_PORT)))
    except (configparser.Error, ValueError, UnicodeDecodeError):
        return DEFAULT_PORT
    return port if 0 < port <= 65535 else DEFAULT_PORT


def read_token(config_dir):
    """The token in remote.token. The program writes the file when remote control is first switched on."""
    path = Path(config_dir) / "remote.token"
    try:
        return path.read_text(encoding="ascii").strip()
    except FileNotFoundError:
        raise FileNotFoundError(
            "{} not found: switch remote control on in the program's options window "
            "(or start it with -remote), or give the folder of appConfig.ini".format(path)) from None


def connect(config_dir=None, host="127.0.0.1", port=None, token=None, timeout=10.0):
    """Connects to the running program and says hello; returns a Client.

    config_dir: folder of appConfig.ini and remote.token (default: default_config_dir()).
    port, token: taken from that folder unless given. timeout: seconds a request may take
    (wait() allows its own timeout on top)."""
    folder = Path(config_dir) if config_dir is not None else default_config_dir()
    if port is None:
        port = read_port(folder)
    if token is None:
        token = read_token(folder)
    return Client(host, port, token, timeout)


class Client:
    """One connection to the program. Methods raise RemoteError when the program refuses,
    ConnectionError when the connection is lost, ValueError for a value JSON cannot carry
    (NaN, infinity). Not for use from several threads at once."""

    def __init__(self, host, port, token, timeout=10.0):
        self.timeout = timeout
        self._ids = 0
        self._pending = collections.deque()
        self._socket = socket.create_connection((host, port), timeout=timeout)
        self._reader = self._socket.makefile("rb")
        try:
            self.server = self.hello(token)
        except BaseException:
            self.disconnect()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.disconnect()

    def disconnect(self):
        """Closes the connection (the devices stay as they are)."""
        self._reader.close()
        self._socket.close()

    def call(self, method, params=None, timeout=None):
        """Sends one request and returns its result; notifications that arrive meanwhile
        are kept for notifications()."""
        self._ids += 1
        request = {"jsonrpc": "2.0", "id": self._ids, "method": method, "params": params or {}}
        try:
            line = json.dumps(request, allow_nan=False, ensure_ascii=False)
        except ValueError:
            raise ValueError("parameters must be finite numbers (no NaN or infinity)") from None
        self._socket.settimeout(timeout if timeout is not None else self.timeout)
        self._socket.sendall(line.encode("utf-8") + b"\n")
        while True:
            message = self._read()
            if "method" in message and "id" not in message:
                self._pending.append(Notification(message["method"], message.get("params", {})))
                continue
            if message.get("id") not in (self._ids, None):
                continue
            if "error" in message:
                error = message["error"]
                raise RemoteError(error.get("code"), error.get("message", ""))
            return message.get("result")

    def notifications(self, timeout=None):
        """Yields the notifications of subscribe() as they come; ends when none comes
        within timeout seconds (None: waits for ever)."""
        while True:
            if self._pending:
                yield self._pending.popleft()
                continue
            self._socket.settimeout(timeout)
            try:
                message = self._read()
            except socket.timeout:
                return
            if "method" in message and "id" not in message:
                yield Notification(message["method"], message.get("params", {}))

    def _read(self):
        line = self._reader.readline(_LINE_LIMIT)
        if not line:
            raise ConnectionError("the program closed the connection")
        return json.loads(line.decode("utf-8"))

    # One method per request of the interface.

    def hello(self, token):
        """Shows the token; returns {"program", "version", "protocol"}."""
        return self.call("hello", {"token": token})

    def devices(self):
        """Devices the last scan found: [{"device", "handle", "model", "travel_mm", "panel"}];
        model and travel_mm are null until a panel has read them."""
        return self.call("devices")

    def scan(self, timeout=60.0):
        """Scans for devices as the add-device dialog does (the bus may take several seconds),
        then lists them as devices()."""
        return self.call("scan", timeout=timeout)

    def open(self, device, timeout=30.0):
        """Opens the device's control panel, as checking it in the add-device dialog and
        confirming; returns once the panel is there. RemoteError BUSY while the dialog scans or
        opens, or the engineering console holds the device; OPEN_FAILED when it cannot be opened."""
        return self.call("open", {"device": device}, timeout=timeout)

    def close(self, device):
        """Closes the device's control panel (no question is asked); returns once it has gone."""
        return self.call("close", {"device": device})

    def state(self, device):
        """The device as its panel's last poll saw it: position_mm, running, homed, enabled,
        left_limit, right_limit, status_word, remaining."""
        return self.call("state", {"device": device})

    def home(self, device):
        return self.call("home", {"device": device})

    def stop(self, device):
        return self.call("stop", {"device": device})

    def enable(self, device, on=True):
        return self.call("enable", {"device": device, "on": bool(on)})

    def move(self, device, target_mm=None):
        """Moves to target_mm (set as the move target first), or to the target set before."""
        params = {"device": device}
        if target_mm is not None:
            params["target_mm"] = target_mm
        return self.call("move", params)

    def jog(self, device, direction):
        """direction: "left" or "right"."""
        return self.call("jog", {"device": device, "direction": direction})

    def drive(self, device, direction):
        """direction: "left" or "right"."""
        return self.call("drive", {"device": device, "direction": direction})

    def cruise(self, device):
        """Starts a cruise with the device's cruise parameters."""
        return self.call("cruise", {"device": device})

    def get_params(self, device, group):
        """group: "move", "jog", "drive", "cruise", "button", "trigger1" or "trigger2"."""
        return self.call("get_params", {"device": device, "group": group})

    def set_params(self, device, group, values=None, **fields):
        """Sets fields of a group, checked as the group's popup checks them, e.g.
        set_params(device, "move", Speed=1.5)."""
        return self.call("set_params", {"device": device, "group": group, "values": dict(values or {}, **fields)})

    def wait(self, device, timeout_s=60.0):
        """Waits until the motion started by the last command for the device has ended;
        returns its state. RemoteError TIMEOUT after timeout_s seconds."""
        return self.call("wait", {"device": device, "timeout_s": timeout_s}, timeout=timeout_s + self.timeout)

    def stop_all(self):
        """Stops every open device at once."""
        return self.call("stop_all")

    def subscribe(self, events, device=None):
        """events: some of "position", "status", "log"; device: only that device's (default: all).
        The notifications then come through notifications()."""
        params = {"events": list(events)}
        if device is not None:
            params["device"] = device
        return self.call("subscribe", params)
