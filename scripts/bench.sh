#!/usr/bin/env bash
# Builds everything, runs every benchmark under Wine and prints one table: for each measure
# Velmora's figure and the reference it is held against (median and range over the
# repetitions), their ratio, the target and whether it is met. See bench/README.md.
#
#   scripts/bench.sh [--quick] [--only folder,cleanup,wait,startup] [--reps N]
#                    [--rmdir-reps N] [--cleanup-reps N] [--wait-reps N] [--startup-reps N]
#                    [--deep-files N] [--deep-fanout "5 4 4 3 5"] [--flat-files N]
#                    [--file-bytes N] [--components N]
#
# Everything runs in a throwaway 64-bit prefix below the build tree
# (build/velmora-wine/bench64), without a Z: drive, on a private Xvfb display.
# Installs nothing itself: scripts/build.sh calls scripts/setup.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}

# ---------------------------------------------------------------------------------------
# Options

only=folder,cleanup,wait,startup
reps=7 rmdir_reps=2 cleanup_reps=3 wait_reps=4 startup_reps=5
deep_files=15000 deep_fanout="5 4 4 3 5" flat_files=20000 file_bytes=0 components=100000
quick() {
  reps=3 rmdir_reps=1 cleanup_reps=1 wait_reps=1 startup_reps=2
  deep_files=1500 deep_fanout="3 3 3 2 2" flat_files=2000 components=10000
}
while [ $# -gt 0 ]; do
  case $1 in
    --quick) quick; shift ;;
    --only) only=$2; shift 2 ;;
    --reps) reps=$2; shift 2 ;;
    --rmdir-reps) rmdir_reps=$2; shift 2 ;;
    --cleanup-reps) cleanup_reps=$2; shift 2 ;;
    --wait-reps) wait_reps=$2; shift 2 ;;
    --startup-reps) startup_reps=$2; shift 2 ;;
    --deep-files) deep_files=$2; shift 2 ;;
    --deep-fanout) deep_fanout=$2; shift 2 ;;
    --flat-files) flat_files=$2; shift 2 ;;
    --file-bytes) file_bytes=$2; shift 2 ;;
    --components) components=$2; shift 2 ;;
    -h | --help) sed -n '2,13p' "$0"; exit 0 ;;
    *) echo "bench: unknown option '$1' (see --help)" >&2; exit 2 ;;
  esac
done
wants() { [[ ",$only," == *",$1,"* ]]; }
file_content=$(head -c "$file_bytes" /dev/zero | tr '\0' x)

say() { printf 'bench [%3d s]: %s\n' "$SECONDS" "$*" >&2; }
now() { date +%s.%N; }
started=$(now)
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)

# ---------------------------------------------------------------------------------------
# Build

if ! bash "$here/scripts/build.sh"; then
  # Another part of the tree may be mid-change; the benchmarks need only their own targets.
  say "the full build failed; building the benchmark targets alone"
  cmake --build "$build" -j"$(nproc)" --target velmora_bench_folder velmora_bench_cleanup \
    velmora_bench_wait velmora_bench_startup velmora_minimal_message_box
  cmake --build "$build" -j"$(nproc)" --target velmora_cleanup_driver || say "no cleanup driver"
  cmake --build "$build" -j"$(nproc)" --target Velmora || say "no Velmora.exe"
fi

# On a host that runs 64-bit code only (see host-mode.sh) every program measured is the
# 64-bit twin from build/x64, built from the same sources.
# shellcheck source-path=SCRIPTDIR
. "$here/scripts/host-mode.sh"
strip=i686-w64-mingw32-strip
programs="the 32-bit programs"
if [ "$VELMORA_HOST_MODE" = 64bit-only ]; then
  build=$(cd "$build/x64" && pwd)
  strip=x86_64-w64-mingw32-strip
  programs="the 64-bit twins of the programs (build/x64): $VELMORA_HOST_REASON"
  say "measuring $programs"
fi

# ---------------------------------------------------------------------------------------
# Prefix, display, scratch folders

root=$build/velmora-wine
pristine=$root/bench64-pristine    # after wineboot only; never run in
prefix=$root/bench64               # where every benchmark runs
installed=$root/bench64-installed  # prefix with the MSI fixtures, restored for each cleanup run
work=$build/bench-work             # host-side trees, MSI packages and results
results=$work/results
export WINEDEBUG=-all WINEPREFIX=$prefix
unset WINEARCH

xvfb_pid=""
finish() {
  [ -d "$prefix" ] && wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work/host" "$prefix/drive_c/velmora-bench/trees" "$installed"
}
trap finish EXIT
trap 'exit 130' INT TERM

# A display of our own: the first free number from 90 on.
for n in $(seq 90 190); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { say "could not start Xvfb"; exit 1; }

if [ ! -f "$pristine/system.reg" ]; then
  say "creating the benchmark prefix"
  rm -rf "$pristine"
  mkdir -p "$pristine"
  WINEPREFIX=$pristine WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  WINEPREFIX=$pristine wineserver -w
  # Without Z: nothing that runs in the prefix can reach the host's files.
  rm -f "$pristine/dosdevices/z:"
fi
bash "$here/scripts/plain-profile-folders.sh" "$pristine"

# Replaces the working prefix with a copy of the given one and starts its server.
use_prefix() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
  cp -a "$1" "$prefix"
  [ ! -e "$prefix/dosdevices/z:" ] || { say "refusing a prefix with a Z: drive"; exit 1; }
  wineserver -p
  wine_run cmd /c exit >/dev/null 2>&1 || true
}
stop_prefix() { wineserver -k 2>/dev/null || true; }

bin_win='C:\velmora-bench\bin'
install_bins() {
  mkdir -p "$prefix/drive_c/velmora-bench/bin"
  cp "$@" "$prefix/drive_c/velmora-bench/bin/"
}
# Runs a program in the prefix, from inside drive_c.
wine_run() { (cd "$prefix/drive_c" && wine "$@"); }
# The value of key=... in a line of key=value fields.
field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$2"; }

rm -rf "$results"
mkdir -p "$results" "$work"
# record ROW SIDE VALUE: one measurement of one side (ours | ref) of one table row. The
# n-th figures of the two sides come from the same repetition, measured one right after
# the other.
record() { printf '%s\n' "$3" >>"$results/$1.$2"; }
declare -a rows=()
declare -A row_title=() row_unit=() row_target=() row_rule=() row_note=()
declare -a legend=()
# add_row ROW TITLE UNIT TARGET RULE: RULE is "ratio<=X", "ours<X", "ours=ref" or "-".
add_row() { rows+=("$1"); row_title[$1]=$2; row_unit[$1]=$3; row_target[$1]=$4; row_rule[$1]=$5; }

bench_bin=$build/bench
need() { for f in "$@"; do [ -f "$f" ] || { say "missing $f"; return 1; }; done; }

# ---------------------------------------------------------------------------------------
# Trees

# make_deep ROOT FILES FANOUT...: folders FANOUT levels deep (each level's fan-out given),
# the files spread over all of them in turn. Each file holds $file_bytes bytes; empty by
# default, as "touch" makes them: a file's data costs the host file system, not Wine.
make_deep() {
  local root=$1 files=$2 fanout d i
  shift 2
  local -a level=("$root") next dirs=()
  for fanout in "$@"; do
    next=()
    for d in "${level[@]}"; do for ((i = 1; i <= fanout; i++)); do next+=("$d/Folder $i"); done; done
    dirs+=("${next[@]}")
    level=("${next[@]}")
  done
  mkdir -p "$root"
  printf '%s\0' "${dirs[@]}" | xargs -0 mkdir -p
  for ((i = 0; i < files; i++)); do printf '%s' "$file_content" >"${dirs[i % ${#dirs[@]}]}/file$i.dat"; done
}
make_flat() {
  local root=$1 files=$2 i
  mkdir -p "$root"
  for ((i = 0; i < files; i++)); do printf '%s' "$file_content" >"$root/file$i.dat"; done
}

# ---------------------------------------------------------------------------------------
# 1. Folder removal

bench_folder() {
  need "$bench_bin/velmora_bench_folder.exe" || return 0
  local template=$work/template
  local stamp="deep=$deep_files fanout=$deep_fanout flat=$flat_files bytes=$file_bytes"
  if [ "$(cat "$template/stamp" 2>/dev/null)" != "$stamp" ]; then
    say "generating the trees ($stamp)"
    rm -rf "$template"
    # shellcheck disable=SC2086 # the fan-outs are separate arguments
    make_deep "$template/deep" "$deep_files" $deep_fanout
    make_flat "$template/flat" "$flat_files"
    printf '%s' "$stamp" >"$template/stamp"
  fi
  local deep_dirs
  deep_dirs=$(($(find "$template/deep" -type d | wc -l) - 1))
  install_bins "$bench_bin/velmora_bench_folder.exe"
  local trees=$prefix/drive_c/velmora-bench/trees host=$work/host
  mkdir -p "$trees" "$host"

  local kind
  for kind in deep flat; do
    add_row "folder-$kind-rmdir" "folder $kind: DeleteFolderTree / rmdir /s /q" s '<= 0.20x' 'ratio<=0.20'
    add_row "folder-$kind-walk" "folder $kind: DeleteFolderTree / reference walk" s '<= 1.15x' 'ratio<=1.15'
    add_row "folder-$kind-host" "folder $kind: DeleteFolderTree / host rm -rf" s '-' '-'
  done
  legend+=("folder deep: $deep_files files in $deep_dirs folders, five levels (fan-out ${deep_fanout// /x}); folder flat: $flat_files files in one folder; files of $file_bytes bytes")
  legend+=("folder: 'rmdir /s /q' through cmd.exe in the same prefix; reference walk = bench/reference_walk.h; host rm -rf = a twin tree outside Wine")

  local rep methods m i line ms t0 s
  for ((rep = 1; rep <= reps; rep++)); do
    methods=(engine walk host)
    [ "$rep" -le "$rmdir_reps" ] && methods=(engine walk rmdir host)
    # All of the repetition's trees first, then one flush to disk, so that no measurement
    # shares the disk with the writing of a tree.
    t0=$SECONDS
    for kind in deep flat; do
      for m in "${methods[@]}"; do
        if [ $m = host ]; then cp -a "$template/$kind" "$host/$kind"; else cp -a "$template/$kind" "$trees/$kind-$m"; fi
      done
    done
    sync -f "$trees"
    say "folder rep $rep: trees ready in $((SECONDS - t0)) s"
    for kind in deep flat; do
      for ((i = 0; i < ${#methods[@]}; i++)); do
        # The order turns from one repetition to the next.
        m=${methods[(i + rep) % ${#methods[@]}]}
        if [ $m = host ]; then
          t0=$(date +%s%N)
          rm -rf "$host/$kind"
          ms=$(awk -v a="$t0" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f", (b - a) / 1e6 }')
          [ ! -e "$host/$kind" ] || { say "rm -rf left $host/$kind"; exit 1; }
        else
          line=$(wine_run "$bin_win\\velmora_bench_folder.exe" $m "C:\\velmora-bench\\trees\\$kind-$m" | tr -d '\r')
          ms=$(field ms "$line")
          if [ "$(field removed "$line")" != 1 ] || [ -e "$trees/$kind-$m" ]; then
            say "$m did not remove the $kind tree: $line"
            exit 1
          fi
        fi
        sync -f "$trees"
        say "folder $kind rep $rep: $m $(awk -v v="$ms" 'BEGIN { printf "%.2f s", v / 1000 }')"
        s=$(awk -v v="$ms" 'BEGIN { printf "%.3f", v / 1000 }')
        case $m in
          engine)
            record "folder-$kind-walk" ours "$s"
            record "folder-$kind-host" ours "$s"
            if [ "$rep" -le "$rmdir_reps" ]; then record "folder-$kind-rmdir" ours "$s"; fi
            ;;
          walk) record "folder-$kind-walk" ref "$s" ;;
          rmdir) record "folder-$kind-rmdir" ref "$s" ;;
          host) record "folder-$kind-host" ref "$s" ;;
        esac
      done
    done
  done
}

# ---------------------------------------------------------------------------------------
# 2. Cleanup overhead over the installer floor

bench_cleanup() {
  local fixtures=$here/tests/e2e/install-fixtures.sh driver=$build/tests/e2e/velmora_cleanup_driver.exe
  add_row cleanup "cleanup: full cleanup / 17 bare msiexec /x" s '<= 1.05x' 'ratio<=1.05'
  add_row records-healthy "records step / full cleanup (healthy)" s '<= 0.05x' 'ratio<=0.05'
  add_row records-broken "records step / bare component pass (1612)" s '<= 1.5x' 'ratio<=1.5'
  add_row records-scan "records step, no lists / bare component pass" s '-' '-'
  legend+=("cleanup: velmora_cleanup_driver.exe 32 (15 language passes + shared pass) / the 17 msiexec /x runs alone, each on the same freshly installed 17 MSI fixtures")
  legend+=("records: the records step for the 17 products (velmora_bench_cleanup.exe forget) after the full cleanup / that cleanup;")
  legend+=("         with $components more component keys and every cached package and source gone (all 17 uninstalls end 1612) / one")
  legend+=("         pass that opens every component key once; 'no lists': the registrations' component lists gone too, so they are scanned")
  if [ ! -f "$fixtures" ] || ! need "$driver" "$bench_bin/velmora_bench_cleanup.exe"; then
    row_note[cleanup]="not run: fixtures or driver missing"
    return 0
  fi
  say "installing the MSI fixtures into a fresh prefix"
  use_prefix "$pristine"
  bash "$fixtures" --arch x86 "$work/msi" >&2
  stop_prefix
  rm -rf "$installed"
  cp -a "$prefix" "$installed"

  local rep side line ms
  for ((rep = 1; rep <= cleanup_reps; rep++)); do
    for side in $( ((rep % 2)) && echo "ours ref" || echo "ref ours"); do
      use_prefix "$installed"
      install_bins "$bench_bin/velmora_bench_cleanup.exe" "$driver"
      if [ $side = ours ]; then
        line=$(wine_run "$bin_win\\velmora_bench_cleanup.exe" time "$bin_win\\velmora_cleanup_driver.exe" 32 | tr -d '\r')
        [[ $line == *"installers=17 "* && $line == *"deletions-while-installing=0 "* ]] ||
          { say "the cleanup did not run as expected: $line"; exit 1; }
        [ ! -e "$prefix/drive_c/Program Files (x86)/TORVEN/VARNO 2017/Shared" ] ||
          { say "the cleanup left the shared product's folder"; exit 1; }
      else
        line=$(wine_run "$bin_win\\velmora_bench_cleanup.exe" time "$bin_win\\velmora_bench_cleanup.exe" installers | tr -d '\r')
        [[ $line == *"runs=17 failed=0 "* ]] || { say "a bare uninstall failed: $line"; exit 1; }
      fi
      ms=$(field ms "$(tail -n1 <<<"$line")")
      [ "$(field exit "$(tail -n1 <<<"$line")")" = 0 ] || { say "$side side failed: $line"; exit 1; }
      say "cleanup rep $rep: $side $(awk -v v="$ms" 'BEGIN { printf "%.2f s", v / 1000 }')"
      record cleanup "$side" "$(awk -v v="$ms" 'BEGIN { printf "%.3f", v / 1000 }')"
      if [ $side = ours ]; then  # the step again, where the cleanup left nothing: its cost on a healthy PC
        record records-healthy ref "$(awk -v v="$ms" 'BEGIN { printf "%.3f", v / 1000 }')"
        seconds_of forget && record records-healthy ours "$took"
      fi
    done
  done
  # Broken installs: every uninstall ends 1612, so the step alone is what a cleanup adds.
  local row kind
  for kind in listed unlisted; do
    use_prefix "$installed"
    install_bins "$bench_bin/velmora_bench_cleanup.exe"
    rm -rf "$prefix/drive_c/fixture-setup"
    line=$(wine_run "$bin_win\\velmora_bench_cleanup.exe" break "$components" $([ $kind = listed ] || echo unlisted) | tr -d '\r')
    [[ $line == "broken=17 "* ]] || { say "could not break the installs: $line"; exit 1; }
    stop_prefix
    rm -rf "$installed-$kind"
    cp -a "$prefix" "$installed-$kind"
    row=records-broken && [ $kind = unlisted ] && row=records-scan
    for ((rep = 1; rep <= cleanup_reps; rep++)); do
      for side in $( ((rep % 2)) && echo "ours ref" || echo "ref ours"); do
        use_prefix "$installed-$kind"
        seconds_of "$([ $side = ours ] && echo forget || echo components)" && record $row "$side" "$took"
      done
    done
    rm -rf "$installed-$kind"
  done
  stop_prefix
}

# seconds_of MODE: sets `took` to the time velmora_bench_cleanup.exe MODE reports, in seconds.
seconds_of() {
  local line
  line=$(wine_run "$bin_win\\velmora_bench_cleanup.exe" "$1" | tr -d '\r')
  [ -n "$(field ms "$line")" ] || { say "velmora_bench_cleanup.exe $1 failed: $line"; exit 1; }
  say "records: $1 $line"
  took=$(awk -v v="$(field ms "$line")" 'BEGIN { printf "%.3f", v / 1000 }')
}

# ---------------------------------------------------------------------------------------
# 3. The wait

bench_wait() {
  need "$bench_bin/velmora_bench_wait.exe" || return 0
  install_bins "$bench_bin/velmora_bench_wait.exe"
  add_row wait-cpu "wait: process CPU, pump / plain wait" ms '< 50 ms' 'ours<50'
  add_row wait-dispatched "wait: dispatched during the wait / posted" msgs 'all' 'ours=ref'
  add_row wait-thread-lean "wait: waiting thread CPU, pump / lean pump" ms '-' '-'
  add_row wait-thread-paced "wait: waiting thread CPU, pump / paced pump" ms '-' '-'
  add_row wait-cpu-paced "wait: process CPU, paced pump / plain wait" ms '-' '-'
  legend+=("wait: ~5 s on 'cmd /c ping -n 6', 1000 messages posted by a second thread over 4 s; pump = WaitWithMessagePump;")
  legend+=("      plain wait = WaitForSingleObject (the posting thread's own cost); lean pump = one MsgWait + one PeekMessage per")
  legend+=("      message; paced pump = empties the queue at most every 30 ms (bench/wait_bench.cpp); CPU in Wine's 10 ms ticks")
  local rep mode line
  for ((rep = 1; rep <= wait_reps; rep++)); do
    for mode in pump lean paced plain; do
      line=$(wine_run "$bin_win\\velmora_bench_wait.exe" $mode 1000 | tr -d '\r')
      [ "$(field child_ended "$line")" = 1 ] || { say "wait benchmark failed: $line"; exit 1; }
      say "wait rep $rep: $line"
      [ $mode = plain ] || [ "$(field dispatched "$line")" = "$(field posted "$line")" ] ||
        { say "the $mode wait left messages undispatched: $line"; exit 1; }
      case $mode in
        pump)
          record wait-cpu ours "$(field process_cpu_ms "$line")"
          record wait-thread-lean ours "$(field thread_cpu_ms "$line")"
          record wait-thread-paced ours "$(field thread_cpu_ms "$line")"
          record wait-dispatched ours "$(field dispatched "$line")"
          record wait-dispatched ref "$(field posted "$line")"
          ;;
        lean) record wait-thread-lean ref "$(field thread_cpu_ms "$line")" ;;
        paced)
          record wait-thread-paced ref "$(field thread_cpu_ms "$line")"
          record wait-cpu-paced ours "$(field process_cpu_ms "$line")"
          ;;
        plain)
          record wait-cpu ref "$(field process_cpu_ms "$line")"
          record wait-cpu-paced ref "$(field process_cpu_ms "$line")"
          ;;
      esac
    done
  done
}

# ---------------------------------------------------------------------------------------
# 4. Start-up and size

bench_startup() {
  local app=$build/app/Velmora.exe box=$bench_bin/velmora_minimal_message_box.exe
  add_row startup "start-up to dialog: Velmora / MessageBox" ms '-' '-'
  add_row size "size: Velmora.exe / MessageBox program" KiB '-' '-'
  add_row size-stripped "size, stripped: Velmora.exe / MessageBox" KiB '-' '-'
  legend+=("start-up: from CreateProcess to a visible #32770 window with the caption; MessageBox = bench/minimal_message_box.cpp, same compiler, flags and static runtime")
  if ! need "$app" "$box" "$bench_bin/velmora_bench_startup.exe"; then
    row_note[startup]="not run: Velmora.exe missing"
    return 0
  fi
  record size ours "$(awk -v v="$(stat -c %s "$app")" 'BEGIN { printf "%.1f", v / 1024 }')"
  record size ref "$(awk -v v="$(stat -c %s "$box")" 'BEGIN { printf "%.1f", v / 1024 }')"
  local stripped=$work/stripped
  mkdir -p "$stripped"
  "$strip" -o "$stripped/Velmora.exe" "$app"
  "$strip" -o "$stripped/box.exe" "$box"
  record size-stripped ours "$(awk -v v="$(stat -c %s "$stripped/Velmora.exe")" 'BEGIN { printf "%.1f", v / 1024 }')"
  record size-stripped ref "$(awk -v v="$(stat -c %s "$stripped/box.exe")" 'BEGIN { printf "%.1f", v / 1024 }')"

  install_bins "$bench_bin/velmora_bench_startup.exe" "$app" "$box"
  local rep side line program caption
  # One start of each first: the first window of a prefix also starts its desktop.
  for side in ours ref $(for ((rep = 1; rep <= startup_reps; rep++)); do echo ours ref; done); do
    program="$bin_win\\Velmora.exe" caption=Velmora
    [ $side = ref ] && program="$bin_win\\velmora_minimal_message_box.exe" caption="Velmora MessageBox"
    line=$(wine_run "$bin_win\\velmora_bench_startup.exe" "$program" "$caption" | tr -d '\r')
    [ "$(field closed "$line")" = 1 ] || { say "start-up benchmark failed for $program: $line"; exit 1; }
    if [ -f "$results/startup.warm.$side" ]; then
      record startup "$side" "$(field shown_ms "$line")"
      say "start-up: $side $line"
    else
      touch "$results/startup.warm.$side"
    fi
  done
}

# ---------------------------------------------------------------------------------------
# Run

if wants folder || wants wait || wants startup; then
  use_prefix "$pristine"
  if wants folder; then bench_folder; fi
  if wants wait; then bench_wait; fi
  if wants startup; then bench_startup; fi
fi
if wants cleanup; then bench_cleanup; fi
stop_prefix

# ---------------------------------------------------------------------------------------
# Table

# stats FILE -> "median min max count"
stats() {
  sort -g "$1" | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "- - - 0"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    print m, v[1], v[NR], NR }'
}
cell() {   # median min max count unit
  awk -v m="$1" -v lo="$2" -v hi="$3" -v n="$4" -v u="$5" 'BEGIN {
    if (n == 0) { print "-"; exit }
    f = (u == "s") ? "%.2f" : (u == "msgs" ? "%d" : "%.1f")
    s = sprintf(f " %s", m, u)
    if (n > 1) s = s sprintf(" (" f "-" f ", n=%d)", lo, hi, n)
    print s }'
}

machine="$(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1), $(wine --version)"
printf '\nVelmora benchmarks - %s\n' "$machine"
printf '  measuring %s\n' "$programs"
printf '  load average (1, 5, 15 min) at the start: %s, at the end: %s\n' "$load_at_start" "$(cut -d' ' -f1-3 /proc/loadavg)"
for line in "${legend[@]}"; do printf '  %s\n' "$line"; done
printf '  figures: median (min-max, n = repetitions); ratio: median (min-max) of ours / reference, each repetition\n'
printf '  measuring both sides one right after the other\n\n'
printf '%-48s | %-30s | %-30s | %-20s | %-8s | %s\n' name ours reference ratio target met?
printf '%s\n' "$(printf '%.0s-' $(seq 155))"
for row in "${rows[@]}"; do
  read -r om olo ohi on < <(stats "$results/$row.ours" 2>/dev/null || stats /dev/null)
  read -r rm rlo rhi rn < <(stats "$results/$row.ref" 2>/dev/null || stats /dev/null)
  unit=${row_unit[$row]}
  # The ratio of each repetition's pair; their median, and their range when there are several.
  read -r ratio ratio_cell < <(paste -d' ' "$results/$row.ours" "$results/$row.ref" 2>/dev/null |
    awk 'NF == 2 && $2 != 0 { print $1 / $2 }' | sort -g | awk '{ v[NR] = $1 } END {
      if (NR == 0) { print "- -"; exit }
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      c = sprintf("%.3f", m)
      if (NR > 1) c = c sprintf(" (%.2f-%.2f)", v[1], v[NR])
      printf "%.3f %s\n", m, c }')
  met=$(awk -v rule="${row_rule[$row]}" -v a="$om" -v b="$rm" -v r="$ratio" -v n="$on" \
    -v lo="$olo" -v rlo="$rlo" -v rhi="$rhi" 'BEGIN {
    if (rule == "-") { print "-"; exit }
    if (n == 0) { print "n/a"; exit }
    if (rule ~ /^ratio<=/) { x = substr(rule, 8) + 0; print (r != "-" && r + 0 <= x) ? "yes" : "NO"; exit }
    if (rule ~ /^ours</) { x = substr(rule, 6) + 0; print (a + 0 < x) ? "yes" : "NO"; exit }
    if (rule == "ours=ref") { print (lo + 0 == rlo + 0 && lo + 0 == rhi + 0) ? "yes" : "NO"; exit } }')
  name=${row_title[$row]}
  [ -n "${row_note[$row]:-}" ] && name="$name [${row_note[$row]}]"
  printf '%-48s | %-30s | %-30s | %-20s | %-8s | %s\n' "$name" "$(cell "$om" "$olo" "$ohi" "$on" "$unit")" \
    "$(cell "$rm" "$rlo" "$rhi" "$rn" "$unit")" "$ratio_cell" "${row_target[$row]}" "$met"
done
printf '\nTotal time %s s; raw figures in %s\n' "$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.0f", b - a }')" "$results"
