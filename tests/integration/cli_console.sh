#!/usr/bin/env bash
# The console updater end to end: fwlauncher against simulated boards in
# private namespaces, one table of cases. Each case checks the exit code, the
# console lines that matter, the line appended to the result log, what is
# left of the unpacked payload, and from the simulator's log what the board
# received.
#
#   cli_console.sh FWLAUNCHER FWLAUNCHER_FAMILY12 BOARDSIM IMAGE_DIR [native|wine] [CASE...]
#
# FWLAUNCHER_FAMILY12 carries a package of the 1.x/2.x family ("1.20 or 2.20").
# IMAGE_DIR holds the stand-in images the boards expect. ZANTOR_TIME_SCALE is
# passed on (the table is meant for 50; unset gives the shipped timing).
# ZT_EXPECT_WAIT=S: the update case must take at least S seconds (a release
# build, which keeps the shipped wait whatever ZANTOR_TIME_SCALE says).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
launcher=${1:?fwlauncher} family12=${2:?family launcher} boardsim=${3:?boardsim}
images=${4:?image dir} mode=${5:-native}
shift 5 2>/dev/null || shift $#
only=("$@")
. "$here/netns.sh"

ZT_NETNS_ID="${ZT_NETNS_ID:-cli${mode:0:1}}" zt_netns_setup 6 || { echo "FAIL: namespaces"; exit 1; }
work=$(mktemp -d)
trap 'zt_netns_cleanup; rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tmp" "$work/stub"
touch "$work/bin/fwlauncher.csv"
exe=""
[ "$mode" = wine ] && exe=.exe
cp "$launcher" "$work/bin/fwlauncher$exe"
cp "$family12" "$work/bin/fwfamily$exe"
if [ "$mode" = wine ]; then
  # Windows finds curl.exe in the program's directory first. Wine would start
  # a Linux curl under that name, but without our pipe as its output and
  # without a process to wait for; the Windows stand-in records its
  # arguments and posts as curl does.
  cp "${ZT_CURL_STANDIN:?the Windows curl stand-in}" "$work/bin/curl.exe"
  export ZT_CURL_ARGS="Z:${work//\//\\}\\curl.args"
else
  # A curl that records its arguments, one per line, then runs the real one.
  real_curl=$(command -v curl)
  printf '#!/bin/sh\nfor a in "$@"; do printf "%%s\\n" "$a"; done >"%s"\nexec %s "$@"\n' \
    "$work/curl.args" "$real_curl" >"$work/stub/curl"
  chmod +x "$work/stub/curl"
fi

locale=C  # the language the runs are started in
wrap=(env)  # what a run is started through (a private mount, for one case)
B1=10.213.0.11 B2=10.213.0.12 B3=10.213.0.13 B4=10.213.0.14
IMAGE=$images/l04_05.12.rcc
IMAGE_Q01=$images/l04_05.12_q01.rcc

run_launcher() {  # run_launcher PROGRAM ARGS... (in the host namespace, after ${wrap[@]})
  local program=$1
  shift
  if [ "$mode" = wine ]; then
    "${wrap[@]}" ip netns exec "$ZT_NS_HOST" env ZANTOR_TIME_SCALE="${ZANTOR_TIME_SCALE:-}" LC_ALL="$locale" \
      "$repo/scripts/wine-run.sh" "$work/bin/$program$exe" "$@"
  else
    "${wrap[@]}" ip netns exec "$ZT_NS_HOST" env ZANTOR_TIME_SCALE="${ZANTOR_TIME_SCALE:-}" TMPDIR="$work/tmp" \
      LC_ALL="$locale" PATH="$work/stub:$PATH" timeout "${ZT_RUN_TIMEOUT:-240}" "$work/bin/$program" "$@"
  fi
}

# Where this run's payload is unpacked: TMPDIR natively, the prefix's
# temporary directory under Wine.
payload_dirs() {
  if [ "$mode" = wine ]; then
    find "$repo/build/wineprefix-netns-$ZT_NS_HOST/drive_c/users" -maxdepth 5 -type d \
      -name ZANTOR 2>/dev/null
  else
    [ -d "$work/tmp/ZANTOR" ] && echo "$work/tmp/ZANTOR"
  fi
}

sim_pid=
start_sim() {  # start_sim SIMULATOR-ARGS...
  rm -f "$work/sim.log"
  # ip netns exec becomes the simulator, so $! can be signalled and waited for.
  ip netns exec "$ZT_NS_SIM" "$boardsim" --log "$work/sim.log" "$@" &
  sim_pid=$!
  for _ in $(seq 50); do grep -q ' ready ' "$work/sim.log" 2>/dev/null && break; sleep 0.1; done
}
stop_sim() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  sim_pid=
}

fail=0 passed=0 failed=0
problems=()
expect() { "$@" || problems+=("$*"); }
has_line() { grep -qxF -- "$1" "$work/lines"; }
no_line() { ! grep -qF -- "$1" "$work/lines"; }
sim_has() { grep -qE -- "$1" "$work/sim.log"; }
sim_not() { ! grep -qE -- "$1" "$work/sim.log"; }
log_line() { tail -n1 "$work/bin/fwlauncher.csv" 2>/dev/null | tr -d '\r'; }
csv_has() { log_line | grep -qF -- "$1"; }
payload_gone() { [ -z "$(payload_dirs)" ]; }
payload_kept() { [ -n "$(payload_dirs)" ]; }

# run_case NAME RC PROGRAM ARGS...: runs the program, then the caller checks.
run_case() {
  name=$1 want_rc=$2 program=$3
  shift 3
  problems=()
  : >"$work/bin/fwlauncher.csv.before"
  [ -f "$work/bin/fwlauncher.csv" ] && cp "$work/bin/fwlauncher.csv" "$work/bin/fwlauncher.csv.before"
  cp "$work/bin/fwlauncher.csv.before" "$work/bin/fwfamily.csv" 2>/dev/null
  rm -f "$work/curl.args"
  run_launcher "$program" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  # The family launcher logs beside itself; its lines are checked as ours.
  if [ "$program" = fwfamily ]; then cp "$work/bin/fwfamily.csv" "$work/bin/fwlauncher.csv"; fi
  # CR LF endings (Wine's text mode) dropped, then every "\r" rewrite as a line.
  sed 's/\r$//' "$work/out" | tr '\r' '\n' >"$work/lines"
  # Exit statuses reach the shell as their low 8 bits.
  expect test "$rc" -eq $((want_rc & 255))
}
appended_one_line() {
  [ $(($(wc -l <"$work/bin/fwlauncher.csv") - $(wc -l <"$work/bin/fwlauncher.csv.before"))) -eq 1 ]
}
end_case() {
  stop_sim
  # The payload of a run that took the lock is gone after every end but "-all".
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok   $name (exit $rc)"
  else
    fail=1
    failed=$((failed + 1))
    echo "FAIL $name (exit $rc)"
    printf '     failed: %s\n' "${problems[@]}"
    echo "---- output"; sed 's/^/     /' "$work/lines" | tail -n 40
    echo "---- stderr"; tail -n 5 "$work/err"
    echo "---- log line"; log_line
    echo "---- simulator"; grep -v ' rx \| tx ' "$work/sim.log" 2>/dev/null | tail -n 8
    [ -n "${ZT_CLI_DEBUG:-}" ] && grep ' rx \| tx ' "$work/sim.log" | tail -n 12
  fi
  # The next case starts without a tree of this one's.
  for d in $(payload_dirs); do rm -rf "$d"; done
}
want() { [ ${#only[@]} -eq 0 ] || [[ " ${only[*]} " == *" $1 "* ]]; }

OK_LINE="  INFORMATION : Firmware updating was successful."
SIMOPTS=(--image "$IMAGE" --boundary ----Boundary12345)
UPLOADED='request=ok .*compare=match agent="FileUploader/1.0" boundary="----Boundary12345" field="rcc" answer=200'

if want uptodate; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.12,serial=SN-UPTODATE"
  run_case uptodate 0 fwlauncher "-e$B1"
  # The whole output, byte for byte but the time.
  sed -E 's/(TotalTime +)[0-9]+:[0-9]+/\1MM:SS/' "$work/lines" >"$work/got"
  cat >"$work/want" <<EOF
[Kavro Network Firmware Updater]
  QJ-L04 Network Firmware Updater Ver.5.12
  Keep the printer switched on and connected until the update has ended.

[Option]
  IP Address        $B1
  GetInfo           100 %

[Device Information]
  MAC Address       02:00:0A:D5:00:0B
  UIB Name          QJ-L04
  UIB Version       5.12
  Printer           RECEIPT PRINTER
  SerialNo          SN-UPTODATE

[Exit Message]
  INFORMATION : Firmware updating was successful.

  TotalTime         MM:SS
  Exit Code         0
EOF
  expect diff "$work/want" "$work/got"
  expect appended_one_line
  # Date and time masked; unpacking the payload may take a second.
  expect test "$(log_line | sed -E 's/^[0-9]{2}\/[0-9]{2}\/[0-9]{4} [0-9:]{8},//; s/TotalTime : 00:0[0-2]/TotalTime : T/')" = \
    "ErrorCode : 0,TotalTime : T,INFORMATION : Firmware updating was successful.,IP : $B1,MAC : 02:00:0A:D5:00:0B,UIB : QJ-L04,From : 5.12,To : 5.12,Printer : RECEIPT PRINTER,SerialNo : SN-UPTODATE,"
  expect sim_not ' http '
  expect payload_gone
  end_case
fi

if want boardtexts; then
  # A board chooses its texts: commas, quotes and line breaks stay inside one
  # quoted log field; controls (ESC, DEL, C1, a stray byte) reach the
  # terminal as "?", Japanese as it is. A second board's name is searched.
  printer=$'R,"P"\r\nFORGED,\e[31m\x7f\xc2\x9b\xe3\x83\xac\xe3\x82\xb7\xe3\x83\xbc\xe3\x83\x88\xff'
  shown='R,"P"??FORGED,?[31m??レシート?'
  serial=$'SN\t\a1' model=$'QJ-L04\e]0;owned\a' printer2=$'K\r\n'
  no_controls() { [ "$(grep -c $'[\x01-\x08\x0b\x0c\x0e-\x1f\x7f]' "$work/out")" -eq 0 ]; }
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.12,serial=$serial,printer=${printer//,/\\,}" \
    --board "ip=$B2,version=5.12,model=$model,printer=$printer2"
  run_case boardtexts 0 fwlauncher "-e$B1"
  expect no_controls
  expect has_line "  Printer           $shown"
  expect has_line "  SerialNo          SN??1"
  expect python3 - "$work/bin/fwlauncher.csv" "$(stat -c %s "$work/bin/fwlauncher.csv.before")" \
    "$printer" <<'PY'
import csv, io, os, sys
data = open(sys.argv[1], "rb").read()[int(sys.argv[2]):].decode("latin-1")
rows = list(csv.reader(io.StringIO(data, newline="")))
want = "Printer : " + os.fsencode(sys.argv[3]).decode("latin-1")
# Windows' text mode writes every LF of the record as CR LF.
sys.exit(not (len(rows) == 1 and len(rows[0]) == 12 and
              rows[0][9].replace("\r", "") == want.replace("\r", "")))
PY
  run_launcher fwlauncher -all >"$work/out" 2>"$work/err"
  expect no_controls
  sed 's/\r$//' "$work/out" >"$work/lines"
  expect has_line "  Ethernet Port        $B1    02:00:0A:D5:00:0B    QJ-L04    $shown"
  expect has_line "  Ethernet Port        $B2    02:00:0A:D5:00:0C    QJ-L04?]0;owned?    K??"
  end_case
fi

if want japanese; then
  # A Japanese user's log line starts year first.
  locale=ja_JP.UTF-8
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.12"
  run_case japanese 0 fwlauncher "-e$B1"
  locale=C
  expect test -n "$(log_line | grep -E '^20[0-9]{2}/[01][0-9]/[0-3][0-9] [0-9:]{8},ErrorCode : 0,')"
  end_case
fi

if want overwrite; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.12,restart=1500"
  run_case overwrite 0 fwlauncher "-e$B1" -d0
  for l in "  Overwrite         ON" "  Firmware Type     DW-Q05/06" "  Run WinHttp" \
    "  FirmFile          l04_05.12.rcc" "  Data Sending...   100.0 %    " \
    "  HTTP Status Code  200" "  Result            0" "[Firmware Update]" \
    "  Updating...       100 %  " "$OK_LINE"; do
    expect has_line "$l"
  done
  expect sim_has "$UPLOADED"
  expect csv_has "From : 5.12,To : 5.12,"
  expect payload_gone
  end_case
fi

if want update; then
  # After its restart the board reports another printer and serial: the log
  # shows the board as it came back.
  echo "$B1 serial=SN-AFTER,printer=AFTER PRINTER" >"$work/control"
  start_sim "${SIMOPTS[@]}" --control "$work/control" \
    --board "ip=$B1,version=5.00,restart=1500,newversion=5.12,serial=SN-BEFORE"
  (for _ in $(seq 300); do
     grep -q ' restart board=' "$work/sim.log" 2>/dev/null && { kill -HUP "$sim_pid"; break; }
     sleep 0.05
   done) &
  began=$SECONDS
  run_case update 0 fwlauncher "-e$B1"
  [ -z "${ZT_EXPECT_WAIT:-}" ] || expect test $((SECONDS - began)) -ge "$ZT_EXPECT_WAIT"
  expect has_line "  SerialNo          SN-BEFORE"
  expect has_line "  UIB Version       5.00"
  expect sim_has "$UPLOADED"
  expect sim_has ' up board=10.213.0.11 .* version=5.12'
  expect csv_has "IP : $B1,MAC : 02:00:0A:D5:00:0B,UIB : QJ-L04,From : 5.00,To : 5.12,Printer : AFTER PRINTER,SerialNo : SN-AFTER,"
  expect payload_gone
  end_case
fi

if want otherversion; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00,restart=1500,newversion=5.10"
  run_case otherversion 1 fwlauncher "-e$B1"
  expect has_line "  ERROR : This updater and the printer version are different."
  expect csv_has "From : 5.00,To : 5.10,"
  end_case
fi

# Only a 200 counts as uploaded: any other answer ends at once, without the
# restart wait, and never leads to a second request (no redirect followed).
# Name, board settings, the status printed.
while read -r name board code; do
  want "$name" || continue
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,$board"
  run_case "$name" 400 fwlauncher "-e$B1"
  expect has_line "  HTTP Status Code  $code"
  expect has_line "  Result            -1"
  expect no_line "[Firmware Update]"
  expect sim_has "answer=$code"
  expect test "$(grep -c ' http ' "$work/sim.log")" -eq 1
  expect csv_has ",ErrorCode : 400,"
  expect payload_gone
  end_case
done <<EOF_TABLE
http500 version=5.00,http=500 500
http302 version=5.00,http=302 302
http401 version=5.00,http=401 401
http401zero version=0.00,http=401 401
EOF_TABLE

if want continue && [ "$mode" != wine ]; then
  # An unasked interim answer before the 200 is skipped. Not under Wine,
  # whose WinHTTP fails on any "100 Continue" (Windows' skips it).
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00,http=continue,restart=1500,newversion=5.12"
  run_case continue 0 fwlauncher "-e$B1"
  expect has_line "  HTTP Status Code  200"
  expect sim_has 'answer=100\+200'
  expect csv_has "From : 5.00,To : 5.12,"
  end_case
fi

if want silent; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00"
  run_case silent 100 fwlauncher "-e$B2"
  expect has_line "  ERROR : Can't open communication port."
  expect no_line "[Device Information]"
  expect csv_has ",ErrorCode : 100,"
  expect csv_has "ERROR : Can't open communication port.,IP : $B2,MAC : ,UIB : ,From : ,"
  expect payload_gone
  end_case
fi

if want target; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00"
  run_case target 110 fwlauncher "-e$B1" -target_ver:5.01
  expect has_line "  Target Version    5.01"
  expect has_line "  ERROR : This printer is not the target version for the update."
  expect sim_not ' http '
  end_case
fi

if want wrongmodel; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00,model=QJ-W02"
  run_case wrongmodel 205 fwlauncher "-e$B1"
  expect has_line "  UIB Name          QJ-W02"
  expect has_line "  ERROR : The specified printer is incorrect.."
  expect csv_has "UIB : QJ-W02,"
  end_case
fi

if want wrongfamily; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=1.10"
  run_case wrongfamily 209 fwlauncher "-e$B1"
  expect has_line "  ERROR : Printer specification is different."
  expect sim_not ' http '
  end_case
fi

if want refused; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00,http=refuse"
  run_case refused 400 fwlauncher "-e$B1"
  expect has_line "  Result            -1"
  expect has_line "  ERROR : Communication Error."
  expect no_line "[Firmware Update]"
  expect payload_gone
  end_case
fi

if want reset; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00,http=reset,resetat=100000"
  run_case reset 400 fwlauncher "-e$B1"
  expect sim_has 'request=incomplete .*answer=reset'
  expect csv_has ",ErrorCode : 400,"
  end_case
fi

if want silentafter; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00,restart=never"
  run_case silentafter 401 fwlauncher "-e$B1"
  expect has_line "  ERROR : Communication Error."
  expect csv_has "ERROR : Communication Error.,IP : $B1,MAC : 02:00:0A:D5:00:0B,UIB : QJ-L04,From : 5.00,To : ,"
  expect payload_gone
  end_case
fi

if want noaddress; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00"
  run_case noaddress 1000 fwlauncher -d0 -typeA -typeC
  for l in "  IP Address        " "  Overwrite         ON" "  Firmware Type     DW-Q02/06" \
    "  Firmware Type     DW-Q01/06" "  ERROR : Parameter error." "  Exit Code         1000"; do
    expect has_line "$l"
  done
  expect csv_has "ERROR : Parameter error.,IP : ,MAC : ,UIB : ,From : ,To : ,Printer : ,SerialNo : ,"
  expect sim_not ' rx '
  expect payload_gone
  end_case
fi

if want zero; then
  # A board at 0.00 is asked once, updated, and not verified.
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=0.00,restart=never"
  run_case zero 0 fwlauncher "-e$B1"
  expect has_line "  UIB Version       0.00"
  expect has_line "  Printer           "
  expect sim_has "$UPLOADED"
  expect test "$(grep -c 'req=' "$work/sim.log")" -eq 1
  expect csv_has "From : 0.00,To : ,"
  end_case
fi

if want type2000; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=1.10"
  run_case type2000 2000 fwfamily "-e$B1"
  expect has_line "  ERROR : Please specify -typeA or -typeC option."
  expect csv_has ",ErrorCode : 2000,TotalTime : 00:0"
  expect csv_has ",ERROR : Please specify -typeA or -typeC option.,IP : $B1,"
  expect sim_not ' http '
  end_case
fi

if want typeC; then
  # The variant image and the version it brings.
  start_sim --image "$IMAGE_Q01" --filename l04_05.12_q01.rcc --boundary ----Boundary12345 \
    --board "ip=$B1,version=1.10,restart=1500,newversion=1.20"
  run_case typeC 0 fwfamily "-e$B1" -typeC
  expect has_line "  Firmware Type     DW-Q01/06"
  expect has_line "  FirmFile          l04_05.12_q01.rcc"
  expect sim_has 'request=ok .*compare=match.* field="rcc" answer=200'
  expect csv_has "From : 1.10,To : 1.20,"
  end_case
fi

if want pathname; then
  # The family package names its own image "../escape.rcc": a file name from
  # the settings never leads out of the working directory (1106, nothing
  # written). A wireless board (-d3) takes the package's own image.
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=1.10"
  run_case pathname 1106 fwfamily "-e$B1" -d3
  expect has_line "  FirmFile          ../escape.rcc"
  expect has_line "  ERROR : Application Error.6"
  expect test -z "$(find "$work" "$repo/build" -maxdepth 6 -name escape.rcc 2>/dev/null)"
  expect sim_not ' http '
  expect payload_gone
  end_case
fi

if want all; then
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00" --board "ip=$B2,version=0.00" \
    --board "ip=$B3,model=NAVB-01,printer=KITCHEN" \
    --board "ip=$B4,prefix=XXXX,fault=noextsearch"
  run_case all 0 fwlauncher -typeA -all -e$B1 -d0
  expect has_line "[Find Device]"
  expect has_line "  Ethernet Port        $B1    02:00:0A:D5:00:0B    QJ-L04    RECEIPT PRINTER"
  # The 0.00 board: once from its basic answer, once from the extended one.
  expect test "$(grep -cxF "  Ethernet Port        $B2    02:00:0A:D5:00:0C    QJ-L04    " "$work/lines")" -eq 1
  expect has_line "  Ethernet Port        $B2    02:00:0A:D5:00:0C    QJ-L04    RECEIPT PRINTER"
  expect has_line "  Ethernet Port        $B3    02:00:0A:D5:00:0D    KITCHEN    "
  expect has_line "  Ethernet Port        $B4    02:00:0A:D5:00:0E     "
  expect test "$(grep -c 'Ethernet Port' "$work/lines")" -eq 5
  expect no_line "[Option]"
  expect no_line "[Exit Message]"
  expect sim_has 'req=search' && expect sim_has 'req=extsearch'
  expect sim_not 'req=basic'
  expect test ! -s "$work/bin/fwlauncher.csv" -o "$(wc -l <"$work/bin/fwlauncher.csv")" -eq \
    "$(wc -l <"$work/bin/fwlauncher.csv.before")"
  expect payload_kept
  end_case
fi

if want second; then
  # A first run holds the single-instance lock (a search of 3.1 s); the
  # second ends with 1100 and leaves the first one's tree alone.
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00"
  run_launcher fwlauncher -all >"$work/first.out" 2>&1 &
  first=$!
  for _ in $(seq 100); do grep -q 'Find Device' "$work/first.out" 2>/dev/null && break; sleep 0.1; done
  run_case second 1100 fwlauncher "-e$B1"
  expect has_line "  ERROR : Application Error.0"
  expect csv_has ",ErrorCode : 1100,"
  expect payload_kept
  expect sim_not 'req=basic'
  wait "$first"
  end_case
fi

if want curl; then
  start_sim --image "$IMAGE" --boundary any --board "ip=$B1,version=5.00,restart=1500"
  run_case curl 0 fwlauncher "-e$B1" -curl
  expect has_line "  Run Curl"
  expect has_line "  StatusCode        200"
  expect sim_has 'request=ok .*compare=match agent="curl/[^"]*".* boundary="-{20,}[0-9a-f]+" field="rcc" answer=200'
  expect csv_has "From : 5.00,To : 5.12,"
  end_case
fi

if want curlproxy; then
  # Quotes, "&", ";" and "|" in the proxy text, with commands a POSIX shell or
  # cmd.exe would run: one argument to curl, nothing run. curl cannot use
  # such a proxy, so the upload fails.
  start_sim --image "$IMAGE" --boundary any --board "ip=$B1,version=5.00"
  marks=(/tmp/ztpa$$ /tmp/ztpw$$)  # short: the proxy buffer holds 63 characters
  rm -f "${marks[@]}"
  hostile='-proxy="&touch${IFS}'${marks[0]}';"|echo.>Z:'${marks[1]//\//\\}'&'
  run_case curlproxy 400 fwlauncher "-e$B1" -curl "$hostile"
  expect test ! -e "${marks[0]}"
  expect test ! -e "${marks[1]}"
  expect has_line "  StatusCode        0"
  # The text as the program got it: natively the token itself; under Wine the
  # token as Wine wrote it into the Windows command line (each quote with a
  # backslash before it; no spaces, so still one token), less "-proxy=".
  proxy=${hostile#-proxy=}
  if [ "$mode" = wine ]; then
    quoted=${hostile//\"/\\\"}
    proxy=${quoted:7:63}
  fi
  expect test "$(sed -n '/^--proxy$/{n;p}' "$work/curl.args")" = "$proxy"
  expect test "$(grep -c . "$work/curl.args")" -eq 10
  expect sim_not ' http '
  rm -f "${marks[@]}"
  end_case
fi

if want interrupt && [ "$mode" != wine ]; then
  # SIGTERM during the restart wait: the lock is released and the run ends
  # as the signal ends a program (143), with no log line and the payload
  # left where it is. (Windows: Ctrl+C needs a console; not run under Wine.)
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00,restart=never"
  problems=()
  name=interrupt
  cp "$work/bin/fwlauncher.csv" "$work/bin/fwlauncher.csv.before" 2>/dev/null || : >"$work/bin/fwlauncher.csv.before"
  zt_in_host env ZANTOR_TIME_SCALE=10 TMPDIR="$work/tmp" "$work/bin/fwlauncher" "-e$B1" \
    >"$work/out" 2>"$work/err" &
  runner=$!
  for _ in $(seq 300); do grep -q 'Firmware Update' "$work/out" 2>/dev/null && break; sleep 0.05; done
  pid=$(pgrep -f "^$work/bin/fwlauncher -e$B1" | head -n1)
  expect test -n "$pid"
  # No handler is left for SIGILL, SIGABRT, SIGBUS or SIGSEGV: the unzip
  # library's would point into code unloaded since.
  caught=$(awk '/^SigCgt/ {print $2}' "/proc/$pid/status")
  expect test $((0x$caught & 0x468)) -eq 0
  kill -TERM "$pid" 2>/dev/null
  wait "$runner"
  rc=$?
  sed 's/\r$//' "$work/out" | tr '\r' '\n' >"$work/lines"
  expect test "$rc" -eq 143
  expect no_line "[Exit Message]"
  expect test "$(wc -l <"$work/bin/fwlauncher.csv")" -eq "$(wc -l <"$work/bin/fwlauncher.csv.before")"
  expect payload_kept
  # The lock is free again: the next run gets past the start-up.
  early=("${problems[@]}")
  run_case interrupt 100 fwlauncher -e10.213.0.99
  problems+=("${early[@]}")
  end_case
fi

if want bigreply; then  # an oversized answer does not hide a board answering 300 ms later
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,size=600" --board "ip=$B2,delay=300"
  run_case bigreply 0 fwlauncher -all
  expect has_line "  Ethernet Port        $B2    02:00:0A:D5:00:0C    QJ-L04    RECEIPT PRINTER"
  end_case
fi

if want strayreply; then  # an oversized answer first; the board's own 100 ms later (of 250)
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.12,size=600" \
    --board "ip=$B1,version=5.12,delay=100,serial=SN-REAL"
  run_case strayreply 0 fwlauncher "-e$B1"
  expect has_line "  SerialNo          SN-REAL"
  end_case
fi

if want emptyarg; then  # the console updater, which wants an address
  start_sim "${SIMOPTS[@]}" --board "ip=$B1"
  run_case emptyarg 1000 fwlauncher ""
  expect payload_gone
  end_case
fi

if want logfifo && [ "$mode" = native ]; then  # a FIFO log neither holds the run nor gets the line
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.12"
  rm -f "$work/bin/fwlauncher.csv"; mkfifo "$work/bin/fwlauncher.csv"
  ZT_RUN_TIMEOUT=20 run_case logfifo 0 fwlauncher "-e$B1"
  expect payload_gone
  rm -f "$work/bin/fwlauncher.csv"; touch "$work/bin/fwlauncher.csv"
  end_case
fi

if want fulldisk; then
  # T on a private tmpfs too small for the unpacked payload: 1102 with the
  # reason, no board asked, nothing left (under Wine: the unzip DLL's path).
  start_sim "${SIMOPTS[@]}" --board "ip=$B1,version=5.00"
  temp=$work/tmp size=40m reason="No space left on device"
  if [ "$mode" = wine ]; then
    temp=$repo/build/wineprefix-netns-$ZT_NS_HOST/drive_c/users/root/Temp size=26m
    reason="the disk is full"
    [ -d "$temp" ] || run_launcher fwlauncher -d0 >/dev/null 2>&1  # makes the prefix
    # The wineserver opens the files: it must start, and end, inside the mount.
    stop_prefix() { WINEPREFIX=${temp%/drive_c/*} zt_in_host wineserver -k 2>/dev/null; sleep 1; }
    stop_prefix
  fi
  wrap=(unshare -m sh -c 'mount -t tmpfs -o size="$0" tmpfs "$1" && shift && exec "$@"' "$size" "$temp")
  run_case fulldisk 1102 fwlauncher "-e$B1"
  wrap=(env)
  [ "$mode" = wine ] && stop_prefix
  expect grep -qF "$reason" "$work/err"
  expect sim_not ' rx '
  expect payload_gone
  end_case
fi

if want squatmutex && [ "$mode" = wine ]; then  # another object has the mutex's name: 1100, and why
  start_sim "${SIMOPTS[@]}" --board "ip=$B1"
  zt_in_host "$repo/scripts/wine-run.sh" "${ZT_NAME_SQUATTER:?}" 60 >"$work/squatter.out" 2>&1 &
  squatter=$!
  for _ in $(seq 300); do grep -q held "$work/squatter.out" 2>/dev/null && break; sleep 0.1; done
  run_case squatmutex 1100 fwlauncher "-e$B1"
  kill "$squatter" 2>/dev/null; wait "$squatter" 2>/dev/null
  expect grep -qF "cannot take the single-instance mutex" "$work/err"
  end_case
fi

echo "cli console ($mode, time scale ${ZANTOR_TIME_SCALE:-1}): $passed passed, $failed failed"
exit $fail
