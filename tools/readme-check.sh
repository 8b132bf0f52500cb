#!/usr/bin/env bash
# Runs every command and example of README.md as it stands there and checks what each
# gives: its exit status and the output the README promises. The program's windows are
# walked offscreen by the end-to-end walk test (ReadmeWalk) of the test build, against
# the simulated recorder started exactly as the README says. Only loopback is used.
# Every command, address and option the README shows in code must be checked here: one
# added to the README without a check here fails.
#   tools/readme-check.sh [TESTS]   TESTS: the build with the tests (default build/plain)
set -euo pipefail
root=$(dirname "$(dirname "$(readlink -f "$0")")")
cd "$root"
tests=${1:-build/plain}
walker=$tests/tests/e2e/test_e2e
recsim=build/run-sample/tools/recsim/kestrel-recsim
readme=README.md
work=$(mktemp -d)
# A folder an ordinary user may enter, for the simulator run as one.
shared=$(mktemp -d)
chmod 755 "$shared"
recsim_pid=
namespace_pid=
cleanup() {
  [ -n "$recsim_pid" ] && kill "$recsim_pid" 2>/dev/null
  [ -n "$namespace_pid" ] && kill "$namespace_pid" 2>/dev/null
  rm -rf "$work" "$shared"
}
trap cleanup EXIT

failures=0
declare -A covered
fail() {
  echo "README check FAILED: $*" >&2
  failures=$((failures + 1))
}
# The README must show the text in code as it is used here; the text is then covered.
as_written() {
  grep -qF -- "\`$1\`" "$readme" || fail "the README does not show \`$1\`"
  covered["$1"]=1
}
expect_status() { # what, expected, actual, output file
  [ "$3" = "$2" ] || { fail "$1: exit status $3, not $2"; tail -n 20 "$4" >&2; }
}
expect_line() { # what, file, fixed text of a whole line
  grep -qxF -- "$3" "$2" || { fail "$1: no line \"$3\""; tail -n 20 "$2" >&2; }
}
# Started with no display at all, as in a terminal without one or in CI.
no_display() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

echo "== ./run, from another folder"
as_written "./run [arguments]"
as_written "./run -info list.txt"
as_written "-info list.txt"
as_written "list.txt"
as_written '$XDG_CONFIG_HOME/kestrel/registry.txt'
mkdir -p "$work/elsewhere"
# The README's example run in the repository's folder leaves a list.txt there: only a
# list.txt this run made or changed is a fault.
repository_list() { stat -c '%y %i' "$root/list.txt" 2>/dev/null || true; }
list_before=$(repository_list)
status=0
(cd "$work/elsewhere" && no_display XDG_CONFIG_HOME="$work/xdg" "$root/run" -info list.txt) \
  >"$work/run.out" 2>"$work/run.err" || status=$?
expect_status "./run -info list.txt" 0 "$status" "$work/run.err"
expect_line "./run shows what it builds" "$work/run.err" "Building build/run (sample images: OFF)"
grep -qE '^\[[0-9]+/[0-9]+\] |^ninja: no work to do' "$work/run.err" || fail "./run shows no build progress"
[ -s "$work/run.out" ] && fail "./run -info list.txt wrote to standard output: $(head -c 200 "$work/run.out")"
[ "$(head -n 1 "$work/elsewhere/list.txt" 2>/dev/null)" = $'\xEF\xBB\xBFCorvane-Tovi v2.1.160.115\r' ] ||
  fail "list.txt is not in the folder ./run was started in, or has no heading"
[ "$(repository_list)" = "$list_before" ] || fail "./run -info list.txt wrote into the repository's folder"
[ -f "$work/xdg/kestrel/registry.txt" ] || fail "the settings are not in \$XDG_CONFIG_HOME/kestrel/registry.txt"

echo "== the sample build"
as_written "KESTREL_SAMPLE_FIRMWARE=1 ./run [arguments]"
as_written "KESTREL_CONFIG_HOME"
as_written "build/run"
as_written "build/run-sample"
rm -f "$work/elsewhere/list.txt"
status=0
(cd "$work/elsewhere" && no_display KESTREL_SAMPLE_FIRMWARE=1 KESTREL_CONFIG_HOME="$work/config" "$root/run" -info list.txt) \
  >"$work/run.out" 2>"$work/run.err" || status=$?
expect_status "KESTREL_SAMPLE_FIRMWARE=1 ./run -info list.txt" 0 "$status" "$work/run.err"
expect_line "the sample ./run shows what it builds" "$work/run.err" "Building build/run-sample (sample images: ON)"
[ "$(wc -l <"$work/elsewhere/list.txt")" = 12 ] || fail "the sample build does not list its eleven images"
[ -f "$work/config/registry.txt" ] || fail "the settings are not in \$KESTREL_CONFIG_HOME/registry.txt"
[ -x "$recsim" ] || fail "the sample build made no $recsim"

echo "== without a display"
as_written "-info"
status=0
no_display "$root/run" >"$work/run.out" 2>"$work/run.err" || status=$?
expect_status "./run without a display" 1 "$status" "$work/run.err"
[ "$(tail -n 1 "$work/run.err")" = "no display: set DISPLAY or use -info" ] || fail "./run without a display: $(tail -n 1 "$work/run.err")"

echo "== KESTREL_SAMPLE_FIRMWARE=1 ./run starts the program"
as_written "KESTREL_SAMPLE_FIRMWARE=1 ./run"
QT_QPA_PLATFORM=offscreen KESTREL_SAMPLE_FIRMWARE=1 KESTREL_CONFIG_HOME="$work/config" ./run >"$work/run.out" 2>"$work/run.err" &
program=$!
for _ in $(seq 100); do
  [ "$(readlink "/proc/$program/exe" 2>/dev/null)" = "$root/build/run-sample/src/app/kestrel" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
sleep 1
if kill -0 "$program" 2>/dev/null && [ "$(readlink "/proc/$program/exe")" = "$root/build/run-sample/src/app/kestrel" ]; then
  kill "$program"
  wait "$program" 2>/dev/null || true
else
  wait "$program" 2>/dev/null || true
  fail "KESTREL_SAMPLE_FIRMWARE=1 ./run did not keep the program running"
  tail -n 20 "$work/run.err" >&2
fi

echo "== a release's payloads from another folder"
as_written "-DKESTREL_FIRMWARE_DIR=..."
as_written "resources/firmware/manifest.txt"
as_written "resources/firmware/payloads/"
mkdir -p "$work/payloads"
printf 'payload' >"$work/payloads/FW_0-0-RU-Q318_24.bin"
status=0
cmake -S . -B "$work/configured" -G Ninja -DKESTREL_FIRMWARE_DIR="$work/payloads" -DKESTREL_TESTS=OFF -DKESTREL_BENCH=OFF \
  >"$work/configure.out" 2>&1 || status=$?
expect_status "the configure step" 0 "$status" "$work/configure.out"
expect_line "the configure step lists what it embeds" "$work/configure.out" \
  "-- Firmware images: 1 of 11 embedded from $work/payloads"
expect_line "the configure step lists what it embeds" "$work/configure.out" "--   FW_0-0-RU-Q318_24"

echo "== ./test runs this check"
as_written "./test"
as_written "tools/readme-check.sh"
grep -q 'tools/readme-check.sh' test || fail "./test does not run tools/readme-check.sh"

echo "== the simulated recorder"
as_written "$recsim --list-profiles"
status=0
"$recsim" --list-profiles >"$work/profiles.txt" 2>&1 || status=$?
expect_status "--list-profiles" 0 "$status" "$work/profiles.txt"
for profile in corvane-21-2.1.70-h2.5 corvane-21-2.1.70-h2.5-login corvane-21-2.1.54-h2.5 \
  corvane-21-2.1.160-h2.5 corvane-51-2.1.140-h2.5-large pelkar-51-2.2.1 edge-2.1.53; do
  expect_line "--list-profiles" "$work/profiles.txt" "$profile"
done

# The examples take fixed ports: one check at a time on this computer, whoever runs it.
# The lock is opened for reading, which the file's rights allow every user, whoever made
# it; /tmp's sticky bit would refuse another user's file opened for writing.
lock=/tmp/kestrel-readme-check.lock
[ -e "$lock" ] || (umask 022 && : >>"$lock") 2>/dev/null || true
if ! { exec 9<"$lock"; } 2>/dev/null; then
  fail "cannot open the lock $lock, which another user made unreadable: remove it"
  exit 1
fi
flock 9

# walk NAME "RECSIM ARGUMENTS" FIRST-LINE-PREFIX [VARIABLE=VALUE...]: starts the simulator
# as the README does, waits for the line it prints first, and walks the program to it.
# @PRINTED@ in a variable stands for what that line gave. The simulator must have
# received what `heard` matches (by default an upload). The simulator started is
# $simulator (by default the README's), through the command in $launch, if any; both
# the simulator and the walk run through the command in $inside, if any.
heard='fn=0x68'
simulator=$recsim
launch=()
inside=()
walk() {
  local name=$1 arguments=$2 prefix=$3
  shift 3
  as_written "$recsim $arguments"
  # shellcheck disable=SC2086 # the arguments as the README writes them
  "${inside[@]}" "${launch[@]}" "$simulator" $arguments >"$work/recsim.out" 2>&1 &
  recsim_pid=$!
  local first=
  for _ in $(seq 100); do
    first=$(sed -n "s|^$prefix||p" "$work/recsim.out" | head -n 1)
    [ -n "$first" ] && break
    kill -0 "$recsim_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$first" ]; then
    fail "$name: the simulator printed no \"$prefix\""
    cat "$work/recsim.out" >&2
  else
    local variables=() variable
    for variable in "$@"; do variables+=("${variable//@PRINTED@/$first}"); done
    status=0
    # A walk that names no discovery target of its own asks on loopback's discard port.
    "${inside[@]}" env QT_QPA_PLATFORM=offscreen KESTREL_CONFIG_HOME="$work/config" KESTREL_DISCOVERY_TARGET=127.0.0.1:9 \
      "${variables[@]}" \
      timeout 120 "$walker" --gtest_filter='ReadmeWalk.*' --gtest_brief=1 >"$work/walk.out" 2>&1 || status=$?
    expect_status "$name: the walk" 0 "$status" "$work/walk.out"
    grep -q '^\[  PASSED  \] 1 test' "$work/walk.out" || { fail "$name: the walk did not run"; cat "$work/walk.out" >&2; }
    grep -q "$heard" "$work/recsim.out" || fail "$name: the simulator received no \"$heard\""
  fi
  kill "$recsim_pid" 2>/dev/null
  status=0
  wait "$recsim_pid" || status=$?
  recsim_pid=
  expect_status "$name: the simulator stopped" 0 "$status" "$work/recsim.out"
}

echo "== the walk over TCP"
as_written "mbtcp://127.0.0.1:1502"
walk tcp "--tcp 1502 --profile corvane-21-2.1.70-h2.5" "tcp port " \
  KESTREL_README_ADDRESS=mbtcp://127.0.0.1:1502
expect_line "--tcp 1502" "$work/recsim.out" "tcp port 1502"
echo "== the walk over UDP"
as_written "mbudp://127.0.0.1:1503"
walk udp "--udp 1503 --profile corvane-21-2.1.70-h2.5" "udp port " \
  KESTREL_README_ADDRESS=mbudp://127.0.0.1:1503
echo "== the walk over a serial line"
as_written "/dev/pts/5"
walk serial "--rtu --profile corvane-21-2.1.70-h2.5" "rtu " \
  KESTREL_README_ADDRESS=@PRINTED@
echo "== the walk with a password"
as_written "secret"
walk password "--tcp 1502 --profile corvane-21-2.1.70-h2.5-login --password 1:secret" "tcp port " \
  KESTREL_README_ADDRESS=mbtcp://127.0.0.1:1502 KESTREL_README_PASSWORD=secret
echo "== the walk to a refused install"
walk refused "--tcp 1502 --profile corvane-21-2.1.70-h2.5 --install-status 10" "tcp port " \
  KESTREL_README_ADDRESS=mbtcp://127.0.0.1:1502 KESTREL_README_ENDS=refused
# backup_holds NAME FILE HEADING: the file as the independent reader of the backup
# layouts finds it, its first line the layout, the firmware and the feature bits.
backup_holds() {
  status=0
  python3 tests/recorder/config/backup_file.py check "$2" >"$work/backup.out" 2>&1 || status=$?
  expect_status "$1: the backup file" 0 "$status" "$work/backup.out"
  expect_line "$1: the backup file" "$work/backup.out" "$3"
}
echo "== the walk with the backup before the upload"
walk backup "--tcp 1502 --profile corvane-21-2.1.160-h2.5" "tcp port " \
  KESTREL_README_ADDRESS=mbtcp://127.0.0.1:1502 KESTREL_README_BACKUP="$work/backup" KESTREL_README_VERSION=2.1.160.0
backup_holds backup "$work/backup.cfg" "RCF2 2.1.160.0 0B08E501"
echo "== the backup of the walks' recorder, also with a password"
walk backup-main "--tcp 1502 --profile corvane-21-2.1.70-h2.5" "tcp port " \
  KESTREL_README_ADDRESS=mbtcp://127.0.0.1:1502 KESTREL_README_BACKUP="$work/backup-main"
backup_holds backup-main "$work/backup-main.cfg" "RCF2 2.1.70.0 00002000"
walk backup-login "--tcp 1502 --profile corvane-21-2.1.70-h2.5-login --password 1:secret" "tcp port " \
  KESTREL_README_ADDRESS=mbtcp://127.0.0.1:1502 KESTREL_README_PASSWORD=secret KESTREL_README_BACKUP="$work/backup-login"
backup_holds backup-login "$work/backup-login.cfg" "RCF2 2.1.70.0 00012000"
echo "== finding the recorder on a serial line"
walk serial-scan "--rtu --unit 5 --unit 7 --baud 115200 --profile corvane-21-2.1.70-h2.5" "rtu " \
  KESTREL_README_ADDRESS=@PRINTED@ KESTREL_README_SCAN=serial
echo "== finding the recorder on Ethernet"
# The found recorder is reached on port 502, which only root may bind unless the
# simulator was given the right. Run as root (CI), the simulator runs here as an
# ordinary user all the same, from a copy given the right as the README says, so that
# what the README tells such a user is what is checked; refused it first, it must say how
# to get the right. Run as an ordinary user without the right, the simulator and the walk
# run together in a user and network namespace of their own, whose root may bind port
# 502 on its own loopback.
discovery="--discovery 40000 --tcp 502 --profile corvane-21-2.1.70-h2.5"
grant="sudo setcap cap_net_bind_service=+ep $recsim"
as_written "$grant"
unprivileged=(setpriv --reuid=65534 --regid=65534 --clear-groups)
reachable=yes
if [ "$(id -u)" -eq 0 ]; then
  cp "$recsim" "$shared/kestrel-recsim"
  granted=${grant/$recsim/$shared/kestrel-recsim}
  status=0
  # shellcheck disable=SC2086 # the arguments as the README writes them
  timeout 10 "${unprivileged[@]}" "$shared/kestrel-recsim" $discovery >"$work/refused.out" 2>&1 || status=$?
  expect_status "port 502 without the right" 1 "$status" "$work/refused.out"
  expect_line "port 502 without the right" "$work/refused.out" \
    "kestrel-recsim: tcp port 502: bind: Permission denied (13)"
  expect_line "port 502 without the right" "$work/refused.out" "  $granted"
  ${granted#sudo } >"$work/grant.out" 2>&1 || { fail "$granted failed"; cat "$work/grant.out" >&2; }
  simulator=$shared/kestrel-recsim
  launch=("${unprivileged[@]}")
elif ! getcap "$recsim" 2>/dev/null | grep -q cap_net_bind_service &&
  [ "$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start)" -gt 502 ]; then
  # The namespace lives as long as the process that made it; what runs in it enters it.
  unshare --user --map-root-user --net sleep infinity 2>"$work/namespace.out" &
  namespace_pid=$!
  for _ in $(seq 50); do
    [ "$(readlink "/proc/$namespace_pid/ns/net" 2>/dev/null)" != "$(readlink /proc/self/ns/net)" ] && break
    kill -0 "$namespace_pid" 2>/dev/null || break
    sleep 0.1
  done
  # As the user it is: the namespace maps its root to this user, and forbids setgroups.
  inside=(nsenter --target "$namespace_pid" --user --net --preserve-credentials)
  if ! "${inside[@]}" ip link set lo up >>"$work/namespace.out" 2>&1; then
    fail "the discovery's walk did not run: it needs port 502, which only root may bind, and no user namespace" \
      "of its own could be had ($(paste -sd " " "$work/namespace.out")). Run ./test as root, or give the simulator the" \
      "right as the README says ($grant), or allow unprivileged user namespaces" \
      "(sysctl kernel.unprivileged_userns_clone=1, user.max_user_namespaces above 0)"
    covered["$recsim $discovery"]=1
    reachable=
  fi
fi
# The walk stands in for the program the README starts with the same variable.
as_written "KESTREL_DISCOVERY_TARGET"
as_written "KESTREL_DISCOVERY_TARGET=127.255.255.255:40000 KESTREL_SAMPLE_FIRMWARE=1 ./run"
if [ -n "$reachable" ]; then
  walk discovery "$discovery" "discovery port " \
    KESTREL_DISCOVERY_TARGET=127.255.255.255:40000 KESTREL_README_SCAN=ethernet KESTREL_README_ADDRESS=127.0.0.1
  expect_line "--tcp 502" "$work/recsim.out" "tcp port 502"
  expect_line "--discovery 40000" "$work/recsim.out" "discovery port 40000"
  grep -q 'discovery conn=' "$work/recsim.out" || fail "discovery: the simulator heard no discovery request"
fi
simulator=$recsim
launch=()
inside=()
if [ -n "$namespace_pid" ]; then
  kill "$namespace_pid" 2>/dev/null || true
  wait "$namespace_pid" 2>/dev/null || true
  namespace_pid=
fi

# Every command, option, address and variable the README shows in code was run above.
while IFS= read -r span; do
  [ -n "${covered[$span]:-}" ] || fail "the README shows \`$span\`, which no check here runs"
done < <(grep -o '`[^`]*`' "$readme" | tr -d '`' | grep -E '^(\./|build/|tools/|-|\$|KESTREL_|mbtcp://|mbudp://|/dev/pts/)' | sort -u)

if [ "$failures" -gt 0 ]; then
  echo "README check: $failures failure(s)" >&2
  exit 1
fi
echo "README check: every command and example works as written"
