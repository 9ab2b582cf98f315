#!/usr/bin/env bash
# Installs what is missing from Debian's packages, builds, prepares the settings
# folder, starts the virtual ECU on PORT1 and then ZLM350. Arguments go to ZLM350:
#   ./run.sh                    the program with the virtual ECU
#   ./run.sh data.lyn out.csv   the batch conversion, no window, no virtual ECU
# ZLM_SIM=0 ./run.sh leaves the virtual ECU out and the port settings alone.
set -euo pipefail
# File names on the command line are the caller's: the program runs where run.sh was started.
caller=$PWD
cd "$(dirname "$0")"
repo=$PWD
source ./scripts/deps.sh
zlm_install_deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

# ini_set FILE SECTION KEY VALUE: writes one key the way the program does
# (names without regard to case, other lines kept, the file's line ends kept).
ini_set() {
    local tmp
    tmp=$(mktemp "$1.XXXXXX")
    SEC=$2 KEY=$3 VAL=$4 awk '
        function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
        function ishdr(s,  t) { t = trim(s); return substr(t, 1, 1) == "[" && index(t, "]") > 0 }
        function hname(s,  t) { t = trim(s); return tolower(trim(substr(t, 2, index(t, "]") - 2))) }
        { if (sub(/\r$/, "") && n == 0) cr = "\r"; line[++n] = $0 }
        END {
            sec = ENVIRON["SEC"]; key = ENVIRON["KEY"]; kv = key "=" ENVIRON["VAL"]
            if (n == 0) cr = "\r"
            s = 0
            for (i = 1; i <= n; i++) if (ishdr(line[i]) && hname(line[i]) == tolower(sec)) { s = i; break }
            if (!s) {
                for (i = 1; i <= n; i++) print line[i] cr
                if (n > 0 && trim(line[n]) != "") print cr
                print "[" sec "]" cr; print kv cr
                exit
            }
            e = s + 1; while (e <= n && !ishdr(line[e])) e++
            k = 0
            for (i = s + 1; i < e; i++) {
                t = trim(line[i]); p = index(t, "=")
                if (substr(t, 1, 1) != ";" && p > 1 && tolower(trim(substr(t, 1, p - 1))) == tolower(key)) { k = i; break }
            }
            if (k) { line[k] = substr(line[k], 1, index(line[k], "=")) ENVIRON["VAL"]; at = 0 }
            else { at = e; while (at > s + 1 && trim(line[at - 1]) == "") at-- }
            for (i = 1; i <= n; i++) { if (i == at) print kv cr; print line[i] cr }
            if (at == n + 1) print kv cr
        }' "$1" > "$tmp" && cat "$tmp" > "$1"
    rm -f "$tmp"
}

settings="${ZLM350_HOME:-${XDG_CONFIG_HOME:-$HOME/.config}/ZLM-350}"
case $settings in /*) ;; *) settings="$caller/$settings" ;; esac
mkdir -p "$settings"
ini=$(find "$settings" -maxdepth 1 -iname ZLM350.ini -print -quit)
if [ -z "$ini" ]; then
    ini="$settings/ZLM350.ini"
    cp build/res/ZLM350.ini.sample "$ini"
    ini_set "$ini" DIRECTORY PATH1 "$settings"
    echo "Settings folder prepared: $settings"
fi
# Definition files: a newer build replaces them; the standard data file is the user's once copied.
for f in ZLM350 ZLM350B ZLM350C ZLM350D; do cp -u "build/res/$f.STZ" "$settings/"; done
[ -e "$settings/Standard_data.lyn" ] || cp build/res/Standard_data.lyn "$settings/"
if [ ! -e "$settings/registry.reg" ]; then
    cat > "$settings/registry.reg" <<'REG'
; Registry values of ZLM350 (format: see README.md).
[SOFTWARE\ZLM-350]
"ReadEcuNum"=dword:0000001e
; "EcuCheckResult"=sz:"QX"
; "CommoLog"=sz:"/tmp/zlm350-comm.log"
; "CommoLogDelete"=dword:00000001
REG
fi

batch=0
[ $# -eq 2 ] && batch=1
if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: ZLM350 runs with QT_QPA_PLATFORM=offscreen and shows no window." >&2
    [ $batch -eq 1 ] || echo "For a window on a virtual display: xvfb-run -a ./run.sh" >&2
    export QT_QPA_PLATFORM=offscreen
fi
# Nobody can answer a message box that is not shown: a batch conversion without a
# display writes its messages ("Failed to open file", ...) to the error output and ends.
if [ $batch -eq 1 ] && [ "${QT_QPA_PLATFORM:-}" = offscreen ] && [ -z "${ZLM350_PROMPTS:-}" ]; then
    export ZLM350_PROMPTS=/dev/stderr
fi

sim_pid=""
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap stop_sim EXIT
trap 'exit 130' INT TERM
if [ $batch -eq 0 ] && [ "${ZLM_SIM:-1}" != 0 ]; then
    if [ -x build/sim/zlm-ecu-sim ]; then
        link="$settings/zlm-ecu-sim"
        rm -f "$link"
        build/sim/zlm-ecu-sim --link "$link" --image build/res/Standard_data.lyn \
            --definition res/ZLM350.def >/dev/null &
        sim_pid=$!
        for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
        if [ -e "$link" ]; then
            ini_set "$ini" DEVICES PORT1 "$link"
            ini_set "$ini" RS232C PORT PORT1
            echo "Virtual ECU on $(readlink "$link"), mapped to PORT1 through $link"
        else
            echo "The virtual ECU did not start; ZLM350 starts without it." >&2
            stop_sim
            sim_pid=""
        fi
    else
        echo "build/sim/zlm-ecu-sim is not built; ZLM350 starts without the virtual ECU." >&2
    fi
fi

status=0
(cd "$caller" && ZLM350_HOME="$settings" exec "$repo/build/app/ZLM350" "$@") || status=$?
exit $status
