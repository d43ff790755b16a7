#!/usr/bin/env bash
# check-windows-kit.sh TOP_BUILD_DIR PREFIX both|x64
# Builds the Windows kit with its command (into TOP_BUILD_DIR/kit-check) and starts its
# runner under Wine's cmd in the 64-bit test prefix PREFIX, on the resource tests, the
# system-kind cases and the DLL case (whose probe and fake each part must carry): it must
# print "N passed, 0 failed, K skipped" with N > 0, leave each program's XML beside it, and
# exit 0. Then, told the wrong kind of system (a 32-bit one, in the 64-bit prefix), the case
# that checks the kind fails in every part: the runner must count it and exit non-zero.
# Last, on a case that skips everywhere, it must still end with its summary.
set -uo pipefail
top=$(cd "$1" && pwd) prefix=$2 parts=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
kit=$top/kit-check
fail() { echo "FAIL  $*"; exit 1; }

VELMORA_BUILD_DIR=$top bash "$here/scripts/windows-kit.sh" "$kit" >"$top/kit-check.log" 2>&1 ||
  { tail -n 30 "$top/kit-check.log"; fail "the kit command failed"; }
grep '^windows-kit:' "$top/kit-check.log"

export WINEPREFIX=$prefix WINEDEBUG=-all
unset VELMORA_PREFIX_KIND VELMORA_LINK_FIXTURE
part=() && [ "$parts" = x64 ] && part=(/part x64)
count=2 && [ "$parts" = x64 ] && count=1
# shellcheck source=tests/gui/gui-lib.sh
. "$here/tests/gui/gui-lib.sh"
runner() {   # OUTPUT FILTER: runs the runner, shows its output, returns its exit code
  local rc=0
  # A desktop process left from an earlier program may hold a test program's log open.
  gui_wait_desktop_gone
  (cd "$kit" && exec wine cmd /c run-tests.cmd /throwaway "${part[@]}" /filter "$2" >"$1" 2>&1 </dev/null) || rc=$?
  tr -d '\r' <"$1" >"$1.txt"
  # GoogleTest's skip lines, shown as they are, would make ctest take this test for skipped.
  sed 's/\[  SKIPPED \]/[ (skipped) ]/' "$1.txt"
  return $rc
}

echo "=== runner on the resource tests and the system's kind"
runner "$top/kit-check-pass.out" 'VelmoraResources.*:SystemServicesWin32.*:SystemLibraryWin32.*'
rc=$?
summary=$(tail -n 1 "$top/kit-check-pass.out.txt")
[ "$rc" = 0 ] || fail "the runner exited with $rc"
[[ $summary =~ ^([0-9]+)\ passed,\ 0\ failed,\ [0-9]+\ skipped$ ]] || fail "last line is not the summary: '$summary'"
[ "${BASH_REMATCH[1]}" -gt 0 ] || fail "no case passed"
for dir in x86 x64; do
  [ "$parts" = x64 ] && [ $dir = x86 ] && continue
  grep -q '<testcase name="' "$kit/$dir/velmora_app_resource_tests.xml" || fail "no XML results in $dir"
  for file in velmora_dll_probe.exe planted/userenv.dll; do [ -f "$kit/$dir/$file" ] || fail "no $dir/$file in the kit"; done
  grep -q 'OK \] SystemLibraryWin32.AFakeUserenv' "$kit/$dir/engine_integration_tests.log" || fail "the DLL case did not pass in $dir"
done

echo "=== runner told the wrong kind of system"
VELMORA_PREFIX_KIND=pfx32 runner "$top/kit-check-fail.out" 'SystemServicesWin32.Is64BitSystemMatchesThePrefixKind'
rc=$?
summary=$(tail -n 1 "$top/kit-check-fail.out.txt")
[ "$rc" != 0 ] || fail "the runner exited with 0 although a case failed"
[ "$summary" = "0 passed, $count failed, 0 skipped" ] || fail "summary '$summary', expected '0 passed, $count failed, 0 skipped'"

echo "=== runner on cases that all skip"
runner "$top/kit-check-skip.out" 'FolderTreeWin32.LinkToAFolderIsNotFollowed'
rc=$?
summary=$(tail -n 1 "$top/kit-check-skip.out.txt")
[ "$rc" != 0 ] || fail "the runner exited with 0 although no case ran"
[ "$summary" = "0 passed, 0 failed, $count skipped" ] || fail "summary '$summary', expected '0 passed, 0 failed, $count skipped'"
echo "PASS  the runner passes the subset, fails on the failing case and sums up skipped ones"
