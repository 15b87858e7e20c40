#!/usr/bin/env bash
# The Debian package as a user gets it: the one `make package` wrote is
# checked (metadata, file list, lintian), installed with apt-get, started by
# an ordinary user (nobody) without a display, and removed again: the user's
# files stay, nothing of the package does. Needs root and apt-get; skipped
# with a message otherwise, and where actuator-control is installed already
# (that copy is left alone).
#   tests/package/package-test.sh [build folder]
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
passed=0 failed=0 skipped=0
check() { # check "what" command...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
skip() { echo "SKIPPED: $*"; skipped=$((skipped + 1)); }
summary() { echo "package: $passed passed, $failed failed, $skipped skipped"; [ "$failed" -eq 0 ]; }

if [ "$(id -u)" -ne 0 ]; then
    skip "the package test installs a package: run it as root (make test-package)"
elif ! command -v apt-get >/dev/null; then
    skip "apt-get is not available"
elif dpkg-query -W -f='${Status}' actuator-control 2>/dev/null | grep -q 'install ok installed'; then
    skip "actuator-control is installed on this machine; this test does not replace it"
fi
[ "$skipped" -eq 0 ] || { summary; exit 0; }

arch=$(dpkg --print-architecture)
version=$("$build/bin/ActuatorControl" --version | awk '{print $2}') # the help window's version
deb="$build/actuator-control_${version}_${arch}.deb"
tgz="$build/actuator-control-${version}-Linux.tar.gz"
[ -f "$deb" ] && [ -f "$tgz" ] || { echo "FAIL: $deb or $tgz missing (make package)"; exit 1; }
folder=/opt/actuator-control
work=$(mktemp -d)
chmod 755 "$work"
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    dpkg-query -W actuator-control >/dev/null 2>&1 && apt-get remove --purge -y -qq actuator-control >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

# Metadata; Depends comes from dpkg-shlibdeps: versioned library packages.
field() { dpkg-deb -f "$deb" "$1"; }
depends_found() {
    local d
    d=$(field Depends)
    echo "  Depends: $d"
    [[ $d == *"libc6 (>= "* && $d == *"libqt5widgets5 (>= "* && $d == *"libqt5charts5 (>= "* ]]
}
check "package name" test "$(field Package)" = actuator-control
check "version $version" test "$(field Version)" = "$version"
check "architecture $arch" test "$(field Architecture)" = "$arch"
check "Depends from dpkg-shlibdeps" depends_found

# File list: the paths, without directories.
dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}\.//; s/ -> .*//' | grep -v '/$' > "$work/files"
for path in $folder/ActuatorControl $folder/libActuatorLibrary.so $folder/en_US.qm $folder/files-per-user \
    "$folder/help/KESTA-ORV电动促动控制器用户手册.pdf" $folder/help/KESTA-ORV_Actuator_Controller_User_Manual.pdf \
    $folder/help/index.html "$folder/help/Nuvik_C++C#SDK/ActuatorLibrary.h" $folder/help/Nuvik_LabviewSDK/README.md \
    /usr/bin/actuator-control /usr/share/applications/actuator-control.desktop \
    /usr/share/icons/hicolor/256x256/apps/actuator-control.png /usr/share/man/man1/actuator-control.1.gz \
    /usr/share/doc/actuator-control/copyright /usr/share/doc/actuator-control/changelog.gz; do
    check "package holds $path" grep -qxF "$path" "$work/files"
done
elsewhere() {
    grep -vE "^($folder|/usr/share/doc/actuator-control)/" "$work/files" | grep -vxF -e /usr/bin/actuator-control \
        -e /usr/share/applications/actuator-control.desktop -e /usr/share/icons/hicolor/256x256/apps/actuator-control.png \
        -e /usr/share/man/man1/actuator-control.1.gz -e /usr/share/lintian/overrides/actuator-control
}
check "nothing outside its folder, the launcher, the menu, the icon theme and the documents" test -z "$(elsewhere)"
check "no file the program writes is packaged" \
    test -z "$(grep -E '/(devConfig\.json|appConfig\.ini|remote\.token|actuatorSim\.state)' "$work/files")"
tar -tzf "$tgz" > "$work/portable"
check "portable archive holds the folder" grep -qx "actuator-control-$version-Linux/ActuatorControl" "$work/portable"
check "portable archive: no marker, no desktop entry" test -z "$(grep -E 'files-per-user|\.desktop$' "$work/portable")"

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" > "$work/lintian" 2>&1
    check "lintian reports no error" test $? -eq 0
    sed 's/^/  lintian: /' "$work/lintian"
else
    skip "lintian is not installed (tools/install-deps.sh --package-test)"
fi

# Installed the way a user would.
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > "$work/apt" 2>&1; then
    cat "$work/apt"
    echo "FAIL: apt-get install"
    exit 1
fi
check "launcher on the PATH" test "$(command -v actuator-control)" = /usr/bin/actuator-control
check "desktop entry starts the launcher" grep -qx 'Exec="actuator-control"' /usr/share/applications/actuator-control.desktop

# An ordinary user with a home of their own, no display and no session.
home="$work/home"
config="$home/.config/ActuatorControl"
mkdir "$home"
chown nobody:nogroup "$home"
user_env=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$home" PATH=/usr/bin:/bin)
as_user() { "${user_env[@]}" "$@"; }
answers() { # answers exit-code pattern arguments...: what the command line prints
    local code=$1 pattern=$2
    shift 2
    as_user actuator-control "$@" > "$work/out" 2>&1
    local got=$?
    [ "$got" -eq "$code" ] && grep -q "$pattern" "$work/out" || { echo "  exit $got:"; cat "$work/out"; return 1; }
}
check "--version without a display: the package's version" answers 0 "^actuator-control $version\$" --version
check "--help without a display: the usage" answers 0 "^Usage: actuator-control" --help
check "unknown option: the usage, exit 2" answers 2 "^Usage: actuator-control" -platform offscreen --bogus

# Starts the installed program offscreen as the user; running a second after
# it named the user's folder as the place of its files.
start_program() {
    # exec: $! is the program itself, which end_program ends.
    (exec "${user_env[@]}" QT_QPA_PLATFORM=offscreen actuator-control -remote) > "$work/run.log" 2>&1 &
    program=$!
    for _ in $(seq 600); do
        if grep -qF "files per user in $config " "$work/run.log"; then
            sleep 1
            kill -0 "$program" 2>/dev/null && return 0
        fi
        kill -0 "$program" 2>/dev/null || break
        sleep 0.1
    done
    cat "$work/run.log"
    return 1
}
end_program() { kill "$program" && wait "$program" 2>/dev/null; program=; }
flash_written() { # the simulated library, loaded by the user, keeps flash in the same folder
    as_user /usr/bin/python3 -c '
import ctypes
lib = ctypes.CDLL("/opt/actuator-control/libActuatorLibrary.so")
handles = (ctypes.c_int * 8)()
assert lib.scanDev(handles, 8) > 0 and lib.openDev(handles[0]) == 0
assert lib.setBtnSpeed(handles[0], ctypes.c_float(1.5)) == 0' && test -s "$config/actuatorSim.state"
}

check "installed program runs as the user, its files in the user's folder" start_program
check "the user's folder belongs to the user" test "$(stat -c %U "$config" 2>/dev/null)" = nobody
end_program
check "simulated library: flash saved in the user's folder" flash_written
check "started again on the user's files" start_program
end_program

# A parameter confirmed through the script interface, with the installed SDK
# as a user's script would use it, is there after a restart.
remote_script() { # remote_script set|get: opens the first device found, sets or prints its jog step
    as_user PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 - "$1" <<'PY'
import sys
sys.path.insert(0, "/opt/actuator-control/help/Nuvik_PythonSDK")
import actuator_remote
with actuator_remote.connect() as client:
    client.scan()
    device = client.devices()[0]["device"]
    client.open(device)
    if sys.argv[1] == "set":
        client.set_params(device, "jog", {"Step": 0.125})
    print(client.get_params(device, "jog")["Step"])
PY
}
remote_step() { # remote_step set|get: the step the program answers, 0.125
    start_program || return 1
    local step
    step=$(remote_script "$1" 2>&1)
    end_program
    [ "$step" = 0.125 ] || { echo "  $1: $step"; return 1; }
}
# Another program holding the port would answer the script with its own token.
port_free() { ! (exec 3<>/dev/tcp/127.0.0.1/17600) 2>/dev/null; }
check "the script port 17600 is held by no other program" port_free
check "a jog step set by a script as the user" remote_step set
check "the step read back after a restart" remote_step get
check "the step stored in the user's devConfig.json" grep -q '0.125' "$config/devConfig.json"
check "every program started has ended" test -z "$(pgrep -u nobody -f 'actuator-control -remote')"
check "nothing written into the installed folder" \
    test "$(find $folder -type f | sort)" = "$(grep "^$folder/" "$work/files" | sort)"

if DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq actuator-control > "$work/apt" 2>&1; then
    left() { while read -r f; do [ -e "$f" ] || [ -L "$f" ] && echo "$f"; done < "$work/files"; }
    check "removed: none of its files left" test -z "$(left)"
    check "removed: its folder gone" test ! -e $folder
else
    cat "$work/apt"
    echo "FAIL: apt-get remove"
    failed=$((failed + 1))
fi
check "the user's files stay" test -s "$config/actuatorSim.state"
summary
