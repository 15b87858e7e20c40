"""The Python client against the program, started headless with -remote in a
folder of its own: finding the folder of the token, connecting, errors as
exceptions, the device list with panels opened and closed, the device methods'
refusals without a panel, the command-line tool. The SDK's example
moving devices through open panels runs in tst_remotedevices."""

import json
import os
import re
import shutil
import socket
import stat
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path
from unittest import mock

BIN = Path(os.environ["ACTUATOR_BIN_DIR"])
SDK = BIN / "help" / "Nuvik_PythonSDK"
sys.path.insert(0, str(SDK))
import actuator_remote  # noqa: E402


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class ClientTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = Path(tempfile.mkdtemp())
        library = next(BIN.glob("libActuatorLibrary.so*"))
        for name in ("ActuatorControl", library.name):
            shutil.copy2(BIN / name, cls.folder / name)
        cls.port = free_port()
        (cls.folder / "appConfig.ini").write_text("[remote]\nport={}\n".format(cls.port))
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", ACTUATOR_SIM_STATE=str(cls.folder / "sim.state"))
        cls.program = subprocess.Popen([str(cls.folder / "ActuatorControl"), "-remote"], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", cls.port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.1)

    @classmethod
    def tearDownClass(cls):
        cls.program.terminate()
        cls.program.wait(30)
        shutil.rmtree(cls.folder)

    def connect(self, **kwargs):
        return actuator_remote.connect(config_dir=self.folder, **kwargs)

    def cli(self, *args):
        return subprocess.run([sys.executable, "-B", str(SDK / "actuator_cli.py"), "--config-dir", str(self.folder)]
                              + list(args), capture_output=True, text=True, timeout=60)

    def test_connect_finds_port_and_token(self):
        self.assertEqual(actuator_remote.read_port(self.folder), self.port)
        with self.connect() as client:
            self.assertEqual(client.server["program"], "ActuatorControl")
            self.assertEqual(client.server["protocol"], actuator_remote.PROTOCOL)
            self.assertRegex(client.server["version"], r"^\d+(\.\d+)+$")

    def test_token_file_for_its_owner_only(self):
        token = self.folder / "remote.token"
        self.assertEqual(stat.S_IMODE(token.stat().st_mode), 0o600)
        self.assertRegex(token.read_text(), r"^[0-9a-f]{64}\n$")

    def test_wrong_token_refused(self):
        with self.assertRaises(actuator_remote.RemoteError) as refused:
            self.connect(token="0" * 64)
        self.assertEqual(refused.exception.code, actuator_remote.UNAUTHORIZED)

    def test_refusals_raise_and_leave_the_connection_open(self):
        with self.connect() as client:
            for method, params, code in [("no_such", {}, actuator_remote.METHOD_NOT_FOUND),
                                         ("hello", {"token": 1}, actuator_remote.UNAUTHORIZED)]:
                with self.assertRaises(actuator_remote.RemoteError) as refused:
                    client.call(method, params)
                self.assertEqual(refused.exception.code, code)
                self.assertTrue(refused.exception.message)
            with self.assertRaises(ValueError):
                client.move("QMA 202412000001", float("nan"))
            self.assertEqual(client.hello((self.folder / "remote.token").read_text().strip())["protocol"], 1)

    def test_device_methods_need_a_known_device_with_a_panel(self):
        # The headless program has scanned the two default controllers and opened no panel.
        with self.connect() as client:
            for call, code in [(lambda: client.state("QMA 202412000001"), actuator_remote.PANEL_CLOSED),
                               (lambda: client.move("QMB 202412000002", 1.0), actuator_remote.PANEL_CLOSED),
                               (lambda: client.wait("NO SUCH DEVICE", 1), actuator_remote.UNKNOWN_DEVICE),
                               (lambda: client.set_params("QMA 202412000001", "move", Speed=1), actuator_remote.PANEL_CLOSED),
                               (lambda: client.subscribe(["position"], device="NO SUCH"), actuator_remote.UNKNOWN_DEVICE)]:
                with self.assertRaises(actuator_remote.RemoteError) as refused:
                    call()
                self.assertEqual(refused.exception.code, code)
            self.assertEqual(client.stop_all(), [])
            self.assertTrue(client.subscribe(["position", "status", "log"]))

    def test_config_dir_found_as_the_program_finds_it(self):
        with tempfile.TemporaryDirectory() as root:
            program = Path(root) / "program"
            (program / "help" / "Nuvik_PythonSDK").mkdir(parents=True)
            module = str(program / "help" / "Nuvik_PythonSDK" / "actuator_remote.py")
            env = {"HOME": root, "XDG_CONFIG_HOME": "", "ACTUATOR_CONFIG_DIR": ""}
            with mock.patch.object(actuator_remote, "__file__", module), mock.patch.dict(os.environ, env):
                self.assertEqual(actuator_remote.default_config_dir(), Path(root) / ".config" / "ActuatorControl")
                os.environ["XDG_CONFIG_HOME"] = str(Path(root) / "xdg")
                self.assertEqual(actuator_remote.default_config_dir(), Path(root) / "xdg" / "ActuatorControl")
                (program / "remote.token").write_text("0" * 64)
                self.assertEqual(actuator_remote.default_config_dir(), program.resolve())
                os.environ["ACTUATOR_CONFIG_DIR"] = root
                self.assertEqual(actuator_remote.default_config_dir(), Path(root))

    def test_device_list_and_panels(self):
        device = "QMA 202412000001"
        with self.connect() as client:
            listed = client.scan()
            self.assertEqual([(d["device"], d["panel"], d["model"]) for d in listed],
                             [(device, False, None), ("QMB 202412000002", False, None)])
            self.assertTrue(client.open(device))
            self.assertIn("position_mm", client.state(device))
            self.assertEqual([d["panel"] for d in client.devices()], [True, False])
            self.assertTrue(client.close(device))
            self.assertEqual([d["panel"] for d in client.devices()], [False, False])
            with self.assertRaises(actuator_remote.RemoteError) as refused:
                client.open("NO SUCH DEVICE")
            self.assertEqual(refused.exception.code, actuator_remote.UNKNOWN_DEVICE)

    def test_missing_token_file_is_explained(self):
        with tempfile.TemporaryDirectory() as empty, self.assertRaisesRegex(FileNotFoundError, "switch remote control on"):
            actuator_remote.connect(config_dir=empty)

    def test_command_line_tool(self):
        hello = self.cli("hello")
        self.assertEqual(hello.returncode, 0, hello.stderr)
        self.assertIn('"protocol": 1', hello.stdout)
        self.assertEqual(len(json.loads(self.cli("devices").stdout)), 2)
        refused = self.cli("jog", "NO SUCH DEVICE", "left")
        self.assertEqual(refused.returncode, 1)
        self.assertTrue(re.match(r"error -32001: ", refused.stderr), refused.stderr)
        self.assertEqual(self.cli("move").returncode, 2)
        self.assertEqual(self.cli("--port", str(free_port()), "hello").returncode, 3)


if __name__ == "__main__":
    unittest.main(verbosity=2)
