#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); TARGETs among ini registry tga png raw catalog
# command_line (default all, one after the other).  Builds with clang into
# build-fuzz (or $PLANETO_FUZZ_BUILD_DIR), first replays the saved reproducers of
# tests/fuzz/regressions/, then fuzzes each target from a copy of its seed corpus in
# <build>/fuzz-work/<target>/corpus (kept between runs, so runs build on each other).
# Prints one line per target; exits non-zero on a finding, whose reproducer is kept in
# <build>/fuzz-work/<target>/ (add it to tests/fuzz/regressions/<target>/ once fixed).
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PLANETO_FUZZ_BUILD_DIR:-$top/build-fuzz}
all_targets=(ini registry tga png raw catalog command_line)

case ${1:-} in
  -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
seconds=60
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
  if [[ ! " ${all_targets[*]} " =~ " $t " ]]; then
    echo "fuzz: unknown target '$t' (use: ${all_targets[*]})" >&2
    exit 2
  fi
done

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "fuzz: installing clang and its fuzzer runtime" >&2
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    clang libclang-rt-dev >/dev/null 2>&1 ||
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
      clang-14 libclang-rt-14-dev >/dev/null
fi

if [ ! -f "$build_dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPLANETO_FUZZ=ON -DPLANETO_BUILD_TESTS=OFF >/dev/null
fi
build=(cmake --build "$build_dir" --target "${targets[@]/#/fuzz_}" -- -j"${PLANETO_JOBS:-$(nproc)}")
# Builds on a shared machine go one at a time.
if command -v flock >/dev/null; then
  flock /tmp/planeto-build.lock "${build[@]}" >/dev/null
else
  "${build[@]}" >/dev/null
fi

status=0
for t in "${targets[@]}"; do
  exe="$build_dir/tests/fuzz/fuzz_$t"
  work="$build_dir/fuzz-work/$t"
  mkdir -p "$work/corpus"
  cp -n "$top/tests/fuzz/corpus/$t/"* "$work/corpus/" 2>/dev/null || true

  # The saved reproducers first: each must run clean.
  regressions=("$top/tests/fuzz/regressions/$t/"*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$exe" -runs=1 "${regressions[@]}" >"$work/regressions.log" 2>&1; then
      echo "$t: a saved reproducer fails again (see $work/regressions.log)"
      status=1
      continue
    fi
  fi

  rm -f "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work"/slow-unit-*
  rc=0
  nice -n 10 "$exe" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -use_value_profile=1 -print_final_stats=1 -artifact_prefix="$work/" >"$work/fuzz.log" 2>&1 || rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$work/fuzz.log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$last")
  findings=$(find "$work" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
  count=$(grep -c . <<<"$findings" || true)
  line="$t: ${seconds}s, ${execs:-?} executions, cov ${cov:-?}, features ${ft:-?}, corpus ${corp:-?}, findings $count"
  if [ "$rc" -ne 0 ] || [ "$count" -gt 0 ]; then
    status=1
    line+=" (exit $rc; reproducer: ${findings//$'\n'/ }; log: $work/fuzz.log)"
  fi
  echo "$line"
done
exit $status
