#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build directory of their own and
# runs each one briefly over seeds made from the test data files. A crash, a
# sanitizer report, a leak, a time-out or a broken invariant fails the run; the
# input that caused it is kept in the work folder and printed.
#
# Usage: run_fuzzers.sh SOURCE_DIR FUZZ_BUILD_DIR   (ZLM_FUZZ_SECONDS: time per target, default 6)
set -euo pipefail

src=$(cd "${1:?source directory}" && pwd)
out=${2:?fuzz build directory}
seconds=${ZLM_FUZZ_SECONDS:-6}
fuzzers=(fuzz_expression fuzz_srecord fuzz_data_section fuzz_obj_file fuzz_map_section
    fuzz_definition fuzz_ini fuzz_registry fuzz_szdd fuzz_image_decoders fuzz_answers)
files="$src/tests/data/files"

mkdir -p "$out"
if ! cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DZLM_BUILD_FUZZERS=ON -DZLM_BUILD_TESTS=OFF >"$out/configure.log" 2>&1; then
    cat "$out/configure.log"
    exit 1
fi
if ! cmake --build "$out" -j2 --target "${fuzzers[@]}" >"$out/build.log" 2>&1; then
    tail -n 60 "$out/build.log"
    exit 1
fi

work="$out/run"
rm -rf "$work"
mkdir -p "$work"
seed() { mkdir -p "$work/seeds/$1"; }
for f in "${fuzzers[@]}"; do seed "$f"; mkdir -p "$work/corpus/$f"; done

# Seeds: the data files whole, their record lines one by one, the definition's
# map sections and conversion expressions (after four bytes holding x = 100.0).
n=0
put() { n=$((n + 1)); cat >"$work/seeds/$1/$n"; }
shopt -s nullglob
for lyn in "$files"/*.lyn "$files"/*.obj; do
    put fuzz_data_section <"$lyn"
    put fuzz_obj_file <"$lyn"
    while IFS= read -r line; do
        put fuzz_srecord < <(printf '%s' "$line")
    done < <(grep -a '^S' "$lyn" | tr -d '\r' | head -n 20 || true)
done
expressions=('x*0.5' '(x-20)*0.5' 'x/4+10' 'x/(x-10)' '2.5x' 'x*-1')
for def in "$files"/*.def; do
    put fuzz_map_section < <(printf '\000'; cat "$def")
    while IFS= read -r expr; do
        expressions+=("$expr")
    done < <(tr ',' '\n' <"$def" | tr -d '\r' | grep -E '^[-0-9x.+*/() ]*x[-0-9x.+*/() ]*$' | sort -u || true)
done
for expr in "${expressions[@]}"; do
    put fuzz_expression < <(printf '\000\000\310\102%s' "$expr")
done

# The other readers: whole definitions (image pattern byte first), the sample
# settings file, a registry file like run.sh writes, a small SZDD file, the
# data files' records as a received stream, and an answers file.
for def in "$files"/*.def "$src"/res/*.def; do
    put fuzz_definition < <(printf '\000'; cat "$def")
done
put fuzz_ini <"$src/res/ZLM350.ini.sample"
put fuzz_ini < <(printf '[RS232C]\r\nSPEED=9600\r\n; note\r\n[PRECISION]\r\nX = 2\r\n')
put fuzz_registry < <(printf '[SOFTWARE\\ZLM-350]\n"EcuCheckResult"=sz:"QX"\n"ReadEcuNum"=dword:0000001e\n"CommoLog"=sz:"C:\\\\log.txt"\n')
put fuzz_szdd < <(printf 'SZDD\210\360\047\063A\000\010\000\000\000\377[Calib]\n1')
put fuzz_szdd < <(printf '[Calib]\r\nplain text\r\n')
for lyn in "$files"/*.lyn "$src"/res/*.lyn; do
    put fuzz_image_decoders < <(grep -a '^S' "$lyn" | head -n 40 || true)
done
put fuzz_answers < <(printf 'Yes\nCancel\n/tmp/saved.lyn\n\nOK\n')

# The file-reading targets work in memory where possible (their writers flush
# every file to disk), in a folder removed when the run ends.
shm=/tmp
[ -d /dev/shm ] && shm=/dev/shm
ZLM_FUZZ_TMP=$(mktemp -d "$shm/zlm-fuzz-XXXXXX")
export ZLM_FUZZ_TMP
trap 'rm -rf "$ZLM_FUZZ_TMP"' EXIT

status=0
for f in "${fuzzers[@]}"; do
    log="$work/$f.log"
    if "$out/fuzz/$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$work/$f-" "$work/corpus/$f" "$work/seeds/$f" >"$log" 2>&1; then
        echo "$f: $(grep -Eo 'Done [0-9]+ runs' "$log" | tail -n 1)"
    else
        echo "$f: FAILED"
        tail -n 60 "$log"
        for artifact in "$work/$f"-*; do
            echo "input kept in $artifact:"
            od -c "$artifact" | head -n 20
        done
        status=1
    fi
done
exit $status
