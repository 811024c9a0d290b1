#!/bin/sh
# carpack's command line: exit statuses, messages, and nothing written on
# failure. Usage: cli_test.sh CARPACK
set -u
carpack="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail=0
check() {  # check NAME EXPECTED_STATUS EXPECTED_TEXT -- command...
  name="$1"; want="$2"; text="$3"; shift 4
  out="$("$@" 2>&1)"; got=$?
  if [ "$got" != "$want" ]; then echo "FAIL $name: status $got, expected $want: $out"; fail=1; return; fi
  case "$out" in *"$text"*) echo "ok   $name" ;; *) echo "FAIL $name: no '$text' in: $out"; fail=1 ;; esac
}
head -c 67072 /dev/zero > "$work/core.exe"
head -c 1000 /dev/urandom > "$work/car.viv"
head -c 30 /dev/urandom > "$work/thirteen.char"
mkdir "$work/other" && cp "$work/car.viv" "$work/other/CAR.VIV"
cp "$work/car.viv" "$work/NUL "

check "no subcommand" 2 "subcommand" -- "$carpack"
check "unknown option" 2 "" -- "$carpack" build --bogus
check "long name" 1 "longer than 12" -- "$carpack" build --serial 1 --stub "$work/core.exe" -o "$work/a.exe" "$work/thirteen.char"
check "duplicate" 1 "given twice" -- "$carpack" build --serial 1 --stub "$work/core.exe" -o "$work/a.exe" "$work/car.viv" "$work/other/CAR.VIV"
check "bad stub" 1 "exactly 67072" -- "$carpack" build --serial 1 --stub "$work/car.viv" -o "$work/a.exe" "$work/car.viv"
[ -e "$work/a.exe" ] && { echo "FAIL: an output was written on failure"; fail=1; }
check "build" 0 "" -- "$carpack" build --serial 26 --showcase --stub "$work/core.exe" -o "$work/a.exe" "$work/car.viv"
check "list" 0 "serial  26" -- "$carpack" list "$work/a.exe"
check "list kind" 0 "showcase" -- "$carpack" list "$work/a.exe"
mkdir "$work/out"
check "extract" 0 "" -- "$carpack" extract "$work/a.exe" "$work/out"
cmp -s "$work/car.viv" "$work/out/car.viv" || { echo "FAIL extract: contents differ"; fail=1; }
check "restub" 0 "" -- "$carpack" restub "$work/a.exe" --stub "$work/core.exe" -o "$work/b.exe"
cmp -s "$work/a.exe" "$work/b.exe" || { echo "FAIL restub: not the same installer"; fail=1; }
check "list of a non-installer" 1 "no usable payload" -- "$carpack" list "$work/car.viv"
# A negative entry count: a clear refusal, never a copy from before the data.
{ head -c 67072 /dev/zero; printf '\001\000\000\000\032\000\000\000\377\377\377\377'; } > "$work/negative.exe"
check "list of a negative count" 1 "negative entry count (-1)" -- "$carpack" list "$work/negative.exe"
check "restub of a negative count" 1 "negative entry count (-1)" -- "$carpack" restub "$work/negative.exe" --stub "$work/core.exe" -o "$work/c.exe"
[ -e "$work/c.exe" ] && { echo "FAIL: restub wrote an output for a negative count"; fail=1; }
check "device name with a blank" 1 "not a plain file name" -- "$carpack" build --serial 1 --stub "$work/core.exe" -o "$work/d.exe" "$work/NUL "
exit $fail
