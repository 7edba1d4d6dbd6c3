#!/usr/bin/env bash
# Soak run: many frames on each platform under a virtual X server, watching that the
# program neither grows nor slows down.
#
# For each platform the program draws --frames frames (default 20000, --step=1, fixed
# seed, dialog skipped, idle sleep off unless --keep-sleep).  Once a second the script
# samples the resident size (VmRSS of /proc/PID/status); a preloaded probe
# (tools/frame_probe.c) records the frame times, and the program's PLANETO_STATS line
# gives the overall rate.  A platform passes when
#   - the run ends by itself with status 0 and the log's last line is "# ENDED.",
#     with no "detected memory leaks" line;
#   - after the warm-up (the first 10 s or the first fifth of the run, the longer), the
#     largest resident size of the last third exceeds that of the first third by no
#     more than 4 MiB and 5 %;
#   - the mean frame time of the last third is within 1.5 times that of the first third
#     plus 2 ms (loose on purpose: the machine may be shared).
# Figures go to standard output, details to $PLANETO_SOAK_DIR (default build/soak).
#
# Usage: scripts/soak.sh [--frames N] [--platforms "opengl software"] [--keep-sleep]
#                        [--no-build]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_BUILD_DIR:-$top/build}
out_dir=${PLANETO_SOAK_DIR:-$build_dir/soak}
frames=20000
platforms="opengl software"
sleep_set=--set=engine.WORLD.SLEEP_TIMER=0
do_build=1

while [ $# -gt 0 ]; do
  case $1 in
    --frames) frames=$2; shift 2 ;;
    --frames=*) frames=${1#*=}; shift ;;
    --platforms) platforms=$2; shift 2 ;;
    --platforms=*) platforms=${1#*=}; shift ;;
    --keep-sleep) sleep_set=; shift ;;
    --no-build) do_build=0; shift ;;
    -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "soak.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done

[ "$do_build" = 1 ] && "$top/scripts/setup.sh" >&2
planeto=$build_dir/app/planeto
[ -x "$planeto" ] || { echo "soak.sh: no program at $planeto" >&2; exit 1; }

mkdir -p "$out_dir"
probe=$out_dir/frame_probe.so
cc -O2 -shared -fPIC -o "$probe" "$top/tools/frame_probe.c" -ldl

status=0
for platform in $platforms; do
  dir=$out_dir/$platform
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "soak: $platform, $frames frames ..." >&2
  # The inner shell writes its PID and becomes the program (exec), so the PID is the
  # program's.
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
     'echo $$ > pid; exec env LD_PRELOAD="$0" PLANETO_FRAME_PROBE=frames.txt PLANETO_STATS=1 "$@"' \
     "$probe" "$planeto" --platform="$platform" --set=engine.WORLD.ASK_ME_ON_START=0 \
     $sleep_set --seed=7 --step=1 --frames="$frames" >stdout.txt 2>stderr.txt; echo $? > rc) &
  runner=$!
  for _ in $(seq 100); do [ -s "$dir/pid" ] && break; sleep 0.1; done
  pid=$(cat "$dir/pid" 2>/dev/null || echo 0)
  start=$(date +%s)
  : > "$dir/rss.txt"
  while [ "$pid" != 0 ] && [ -r /proc/$pid/status ]; do
    rss=$(awk '/^VmRSS:/ { print $2 }' /proc/$pid/status 2>/dev/null || true)
    [ -n "$rss" ] && echo "$(( $(date +%s) - start )) $rss" >> "$dir/rss.txt"
    sleep 1
  done
  wait "$runner" || true
  rc=$(cat "$dir/rc" 2>/dev/null || echo 1)

  # The verdict and the figures, from the samples.
  verdict=$(awk -v rc="$rc" -v frames="$frames" '
    FILENAME ~ /rss.txt$/ { t[n] = $1; r[n] = $2; n++; next }
    FILENAME ~ /frames.txt$/ { ft[m] = $1; fm[m] = $3; fx[m] = $4; m++; next }
    FILENAME ~ /stderr.txt$/ && /^planeto-stats:/ {
      for (i = 1; i <= NF; i++) { split($i, kv, "="); stats[kv[1]] = kv[2] } next }
    FILENAME ~ /Planeto.log$/ { sub(/\r$/, ""); last = $0; if (/detected memory leaks/) leaks++; next }
    function warm(tt, k) { w = 10; if (tt[k - 1] / 5 > w) w = tt[k - 1] / 5; return w }
    END {
      ok = 1; why = ""
      if (rc != 0) { ok = 0; why = why " exit-status=" rc }
      if (last != "# ENDED.") { ok = 0; why = why " log-not-ended" }
      if (leaks) { ok = 0; why = why " leaks-reported" }
      if (stats["frames"] + 1 != frames) { ok = 0; why = why " frames=" stats["frames"] + 1 }
      # Resident size after the warm-up, first third against last third.
      k = 0; w = n ? warm(t, n) : 0
      for (i = 0; i < n; i++) if (t[i] >= w) s[k++] = r[i]
      a = 0; b = 0; lo = 1e18; hi = 0
      for (i = 0; i < k; i++) {
        if (i < k / 3 && s[i] > a) a = s[i]
        if (i >= k - k / 3 && s[i] > b) b = s[i]
        if (s[i] < lo) lo = s[i]; if (s[i] > hi) hi = s[i]
      }
      if (k < 6) { ok = 0; why = why " too-few-samples=" k }
      else if (b - a > 4096 && b > a * 1.05) { ok = 0; why = why " rss-grows" }
      # Frame times after the warm-up.
      j = 0; w = m ? warm(ft, m) : 0
      for (i = 0; i < m; i++) if (ft[i] >= w) { g[j] = fm[i]; x[j] = fx[i]; j++ }
      fa = 0; fb = 0; na = 0; nb = 0; worst = 0
      for (i = 0; i < j; i++) {
        if (i < j / 3) { fa += g[i]; na++ }
        if (i >= j - j / 3) { fb += g[i]; nb++ }
        if (x[i] > worst) worst = x[i]
      }
      if (na) fa /= na; if (nb) fb /= nb
      if (j < 6) { ok = 0; why = why " too-few-frame-samples=" j }
      else if (fb > fa * 1.5 + 2) { ok = 0; why = why " frames-slow-down" }
      printf "%s seconds=%d fps=%s rss_first_third_max_kib=%d rss_last_third_max_kib=%d rss_min_kib=%d rss_max_kib=%d frame_ms_first_third=%.2f frame_ms_last_third=%.2f worst_frame_ms=%.1f%s\n",
             ok ? "PASS" : "FAIL", n ? t[n - 1] : 0, stats["fps"], a, b, lo, hi, fa, fb, worst, why
    }' "$dir/rss.txt" "$dir/frames.txt" "$dir/stderr.txt" "$dir/Planeto.log" | tr -d '\r')
  echo "soak $platform: $verdict"
  case $verdict in PASS*) ;; *) status=1 ;; esac
done
exit $status
