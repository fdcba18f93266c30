#!/usr/bin/env bash
# What Wine can show of FFmpeg's confinement on Windows. Wine takes the
# low-integrity token, the job's process limit and the output's label but
# enforces none of them, and answers a process's own questions about them
# with fixed values; so the front is watched from outside instead: a
# wineserver of its own traces every request, and the requests must ask for
# the confinement. Confined: the job kills on close and limits its active
# processes, the output is labelled low (S-1-16-4096, no write up), and FFmpeg
# starts with a token of its own inside that job. With MOVARIN_SANDBOX=off,
# none of that. Needs the Windows build (build-windows/) and its Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh
export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
trap '"$WINESERVER" -k 2>/dev/null || true; rm -rf "$work"' EXIT
ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=10:duration=1 -f lavfi -i sine=duration=1 \
  -c:v mpeg2video -c:a mp2 "$work/clip.mpg"

failed=0
check() { # description, then a command that must succeed
  local what=$1
  shift
  if "$@"; then
    echo "wine trace ok: $what"
  else
    echo "wine trace FAILED: $what" >&2
    failed=1
  fi
}

trace() { # name; the front converts the clip with the environment given after it
  local name=$1
  shift
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  "$WINESERVER" -f -d1 2>"$work/$name.trace" &
  local server=$!
  sleep 1
  env "$@" "$WINE64" build-windows/stage/lib/ffmpeg.exe -y -i "$(wine_path "$work/clip.mpg")" \
    -vcodec mpeg4 -f mp4 "$(wine_path "$work/$name.mp4")" >"$work/$name.log" 2>&1 || true
  "$WINESERVER" -k 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}

# The request that starts the bundled FFmpeg for the conversion, and the values
# it carries: the last of its starts, as the front first has FFmpeg describe
# the source (and measure its sound as it reads it).
ffmpeg_start() { grep -a 'new_process( ' "$1" | grep -a 'imagepath=L"[^"]*encoder\\\\ffmpeg.exe"' | tail -1 || true; }
field() { sed -n "s/.*[ (]$2=\([^,]*\),.*/\1/p" <<<"$1"; }

trace confined -u MOVARIN_SANDBOX
start=$(ffmpeg_start "$work/confined.trace")
token=$(field "$start" token)
job=$(sed -n 's/.* jobs={0*\([0-9a-f]*\)}.*/\1/p' <<<"$start")
check "the confined run converted" test -s "$work/confined.mp4.movarin-part"
check "FFmpeg starts with a token of the front's making (token=$token)" \
  test -n "$token" -a "$token" != 0000
check "FFmpeg is born inside a job (jobs={$job})" test -n "$job"
check "that job kills on close and limits its active processes (0x2000|0x8)" \
  grep -aq "set_job_limits( handle=0*$job, limit_flags=00002008 )" "$work/confined.trace"
line_of() { grep -an -e "$1" "$work/confined.trace" | head -1 | cut -d: -f1 || true; }
created=$(line_of 'create_file(.*confined\.mp4')
labelled=$(line_of 'set_security_object(.*security_info=00000010.*SYSTEM_MANDATORY_LABEL,flags=0,mask=1,sid=S-1-16-4096')
started=$(grep -an -e 'new_process( .*encoder\\\\ffmpeg\.exe' "$work/confined.trace" | tail -1 | cut -d: -f1 || true)
check "the output is created, then labelled low with no write up, then FFmpeg starts" \
  test -n "$created" -a -n "$labelled" -a -n "$started" -a "${created:-0}" -lt "${labelled:-0}" -a "${labelled:-0}" -lt "${started:-0}"

trace unconfined MOVARIN_SANDBOX=off
start=$(ffmpeg_start "$work/unconfined.trace")
check "the unconfined run converted" test -s "$work/unconfined.mp4.movarin-part"
check "unconfined, FFmpeg starts with the front's own token" test "$(field "$start" token)" = 0000
check "unconfined, no job limits its processes" \
  bash -c "! grep -aq 'limit_flags=00002008' '$work/unconfined.trace'"
check "unconfined, no label is set" bash -c "! grep -aq 'S-1-16-4096' '$work/unconfined.trace'"

# Movarin's own children (conversions, thumbnails, length probes: the front
# each time) must end when Movarin ends, however it ends: each is born inside
# a job that kills on close, made by the thread that starts it, so only
# Movarin holds it. The stand-in starts them through the runner's spawn.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true
"$WINESERVER" -f -d1 2>"$work/parent.trace" &
server=$!
sleep 1
"$WINE64" build-windows/tests/windows/win_runner_parent.exe "$(wine_path "$PWD/build-windows/stage/lib/ffmpeg.exe")" \
  -i "$(wine_path "$work/clip.mpg")" >"$work/parent.log" 2>&1 || true
"$WINESERVER" -k 2>/dev/null || true
wait "$server" 2>/dev/null || true
starts=$(grep -a 'new_process( ' "$work/parent.trace" | grep -a 'imagepath=L"[^"]*lib\\\\ffmpeg.exe"' || true)
check "the stand-in started the front" test -n "$starts"
while IFS= read -r start; do
  [ -n "$start" ] || continue
  thread=${start%%:*}
  job=$(sed -n 's/.* jobs={0*\([0-9a-f]*\)}.*/\1/p' <<<"$start")
  check "Movarin's child is born inside a job (jobs={$job})" test -n "$job"
  check "that job is made by the thread that starts the child ($thread)" \
    grep -aq "^$thread: create_job() = 0 { handle=0*$job }" "$work/parent.trace"
  check "that job kills on close (0x2000)" \
    grep -aq "^$thread: set_job_limits( handle=0*$job, limit_flags=00002000 )" "$work/parent.trace"
done <<<"$starts"
exit $failed
