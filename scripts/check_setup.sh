#!/usr/bin/env bash
# Proves that scripts/setup.sh installs every Debian package the build reads.
#
#   scripts/check_setup.sh [--run | --windows] [--with-tests] [--keep]
#   scripts/check_setup.sh --from-trace DIR
#
# Runs scripts/setup.sh (configure and build) into a temporary folder under strace,
# collects every file outside the tree that was executed, opened or looked at, maps
# each file to the Debian package that owns it, and fails naming every package that
# setup.sh neither lists nor pulls in as a dependency and that a minimal Debian system
# does not have (priority required or important, or essential).  Files that no package
# owns under /usr/local or /opt fail too: they were installed by hand.
# --with-tests traces the test suite's run as well (what the tests start: Xvfb,
# xdotool, ...).  --run checks what run.sh builds (setup.sh --run: the program
# alone) against the run list; --windows the Windows cross build (setup.sh --windows)
# the same way.  --keep leaves the trace and the reports in the temporary folder.
# --from-trace DIR checks the traces scripts/test.sh wrote there instead of running a
# build (PLANETO_TRACE_DIR=DIR scripts/test.sh --all, with its build folders in DIR so
# that the builds start from nothing): run.sh's against the run list, the native ones
# against the native list, the Windows ones against the Windows list.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
with_tests=0
keep=0
kind=()
from=
while [ $# -gt 0 ]; do
  a=$1
  shift
  case $a in
    --from-trace)
      [ $# -gt 0 ] && [ -d "$1" ] || { echo "check_setup: --from-trace needs a folder" >&2; exit 2; }
      from=$(cd "$1" && pwd)
      shift ;;
    --with-tests) with_tests=1 ;;
    --keep) keep=1 ;;
    --windows) kind=(--windows) ;;
    --run) kind=(--run) ;;
    -h|--help) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "check_setup: unknown option '$a'" >&2; exit 2 ;;
  esac
done

if [ $with_tests = 1 ] && [ "${kind[*]}" = --run ]; then
  echo "check_setup: --run builds no suite to trace" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/planeto-setup-check.XXXXXX")
if [ $keep = 1 ]; then
  echo "check_setup: keeping $work" >&2
else
  trap 'rm -rf "$work"' EXIT
fi

trace() { strace -f -z -qq -s 4096 -e trace=%file -o "$work/trace.$1" "${@:2}"; }

if [ -z "$from" ]; then
  echo "check_setup: tracing a configure and build into $work/build" >&2
  PLANETO_BUILD_DIR=$work/build PLANETO_WIN_BUILD_DIR=$work/build \
    PLANETO_JOBS=${PLANETO_JOBS:-$(nproc)} \
    trace build "$top/scripts/setup.sh" "${kind[@]}" >"$work/build.log" 2>&1 ||
    { tail -30 "$work/build.log" >&2; echo "check_setup: the build failed" >&2; exit 1; }
  if [ $with_tests = 1 ]; then
    echo "check_setup: tracing the test suite" >&2
    (cd "$work/build" && trace tests xvfb-run -a -s "-screen 0 1280x1024x24" \
       ctest --timeout 600 -j"${PLANETO_JOBS:-$(nproc)}") >"$work/tests.log" 2>&1 ||
      { tail -30 "$work/tests.log" >&2; echo "check_setup: the suite failed" >&2; exit 1; }
  fi
fi

# Read because they are there, never needed: the dynamic loader's and the C library's
# configuration snippets and locale tables, the linker plugins binutils loads from its
# plugin folder with the LLVM libraries behind them, apt's configuration snippets, the
# cursor themes Xcursor looks through, the 32-bit libraries dpkg-shlibdeps looks
# at while it searches the library folders, and the compressors and the GnuPG agent
# that apt looks for (a stat each) when it fetches Debian's libpng source for the
# Windows build: apt uses them when they are there and does without otherwise; and the
# name-service modules the C library loads because /etc/nsswitch.conf names them when a
# test looks up its user (the plain files answer where the module is not installed).
scanned='^/etc/ld\.so\.conf\.d/|^/etc/(localtime|locale\.alias)$|^/usr/(share|lib)/locale/|/bfd-plugins/|/LLVMgold|/libLLVM-[0-9.]+\.so'
scanned+='|^/etc/apt/|^/usr/share/icons/|^(/usr)?/lib32/|^(/usr)?/bin/(zstd|lz4|gpg-agent)$|/libnss_[a-z0-9]+\.so(\.[0-9]+)*$'
# Under Wine besides: it reads every font installed (the program draws with its own
# bitmap font) and loads the printing library when there is one (the program prints
# nothing).
scanned_wine='^/usr/share/fonts/|/libcups\.so|/libavahi-(client|common)\.so'

# check_traces LABEL LIST-OPTION TRACE...: the files the traced runs read, against the
# packages of setup.sh --list-packages LIST-OPTION.  Sets status to 1 on a finding.
check_traces() {
  local out=$work/$1 found=0 skip=$scanned
  [ "$2" = --windows ] && skip+="|$scanned_wine"
  mkdir -p "$out"
  # Every absolute path in the traced calls, less what belongs to the run itself.
  grep -ho '"/[^"]*"' "${@:3}" | tr -d '"' | sort -u |
    grep -Ev "^(/proc|/sys|/dev|/run|/tmp|/var/tmp|/var/lib/dpkg|/var/lib/apt|/var/cache|/var/log)(/|$)" |
    grep -Fv -e "$top/" -e "$work/" ${from:+-e "$from/"} |
    grep -Ev "^($HOME/\.cache|/etc/ld\.so\.cache$)" >"$out/paths.raw" || true

  # Keep regular files, each under its own name (without "..") and under the name its
  # symlinks lead to; merged /usr makes /lib/x and /usr/lib/x one file with two names.
  { xargs -r -d '\n' realpath -q -s -e -- <"$out/paths.raw"
    xargs -r -d '\n' realpath -q -e -- <"$out/paths.raw"; } |
    perl -nle 'print if -f' | grep -Fv -e "$top/" -e "$work/" ${from:+-e "$from/"} |
    grep -Ev "$skip" | sort -u >"$out/paths" || true

  # Which package owns each file, from dpkg's own lists.
  : >"$out/owned"; : >"$out/unowned"; : >"$out/missing"
  awk '
    FNR == 1 { pkg = FILENAME; sub(/.*\//, "", pkg); sub(/\.list$/, "", pkg); sub(/:.*/, "", pkg) }
    { print $0 "\t" pkg }' /var/lib/dpkg/info/*.list >"$out/owners"

  awk -F'\t' -v work="$out" '
    function variants(p,   q) {
      n = 0; v[++n] = p
      if (p ~ /^\/usr\/(bin|sbin|lib|lib32|lib64|libx32)\//) { q = p; sub(/^\/usr/, "", q); v[++n] = q }
      else if (p ~ /^\/(bin|sbin|lib|lib32|lib64|libx32)\//) v[++n] = "/usr" p
      return n
    }
    FILENAME ~ /owners$/ { owner[$1] = owner[$1] (owner[$1] == "" ? "" : " ") $2; next }
    {
      found = 0
      for (i = variants($0); i > 0; --i)
        if (v[i] in owner) { print $0 "\t" owner[v[i]] > (work "/owned"); found = 1; break }
      if (!found) print $0 > (work "/unowned")
    }' "$out/owners" "$out/paths"

  # What setup.sh installs: its list and everything those packages depend on, as
  # installed here (the alternative of a dependency that is installed counts).
  dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Pre-Depends}, ${Depends}\t${Provides}\t${Priority}\t${Essential}\n' |
    awk -F'\t' '$1 ~ /^ii/' >"$out/installed"
  "$top/scripts/setup.sh" --list-packages $2 >"$out/listed"

  awk -F'\t' -v work="$out" '
    function clean(d) { gsub(/\([^)]*\)|:any|:native|[ ]/, "", d); return d }
    FILENAME ~ /installed$/ {
      installed[$2] = 1; deps[$2] = $3
      base[$2] = ($5 == "required" || $5 == "important" || $6 == "yes")
      # A minimal system has the base packages and so whatever they depend on.
      if (base[$2]) queue[++tail] = $2
      np = split($4, pr, ",")
      for (i = 1; i <= np; ++i) if (clean(pr[i]) != "") providers[clean(pr[i])] = providers[clean(pr[i])] " " $2
      next
    }
    FILENAME ~ /listed$/ { queue[++tail] = $1; next }
    FILENAME ~ /owned$/ {
      n = split($2, who, " "); ok = 0
      for (i = 1; i <= n; ++i) if ((who[i] in closure) || base[who[i]]) ok = 1
      if (!ok && !(who[1] in reported)) { reported[who[1]] = 1; print who[1] "\t" $1 > (work "/missing") }
      next
    }
    FNR == 1 && FILENAME ~ /paths$/ {
      # Walk the dependencies of the listed packages (runs once, before the owned files).
      for (head = 1; head <= tail; ++head) {
        p = queue[head]
        if (p in closure) continue
        if (!(p in installed)) {
          n = split(providers[p], alt, " ")
          for (i = 1; i <= n; ++i) queue[++tail] = alt[i]
          continue
        }
        closure[p] = 1
        nd = split(deps[p], dep, ",")
        for (i = 1; i <= nd; ++i) {
          na = split(dep[i], alt, "|")
          for (j = 1; j <= na; ++j) {
            a = clean(alt[j])
            if (a == "") continue
            if ((a in installed) || (a in providers)) { queue[++tail] = a; break }
          }
        }
      }
    }
    ' "$out/installed" "$out/listed" "$out/paths" "$out/owned"

  grep -E '^(/usr/local|/opt)/' "$out/unowned" >"$out/by_hand" || true

  echo "check_setup ($1): $(wc -l <"$out/paths") files read, $(wc -l <"$out/owned") from packages," \
       "$(wc -l <"$out/unowned") from none" >&2
  if [ -s "$out/missing" ]; then
    echo "check_setup ($1): the build needs packages that scripts/setup.sh does not install:" >&2
    sort "$out/missing" | while IFS=$'\t' read -r pkg file; do
      echo "  $pkg (for example $file)" >&2
    done
    found=1
  fi
  if [ -s "$out/by_hand" ]; then
    echo "check_setup ($1): the build reads files that no package installed:" >&2
    head -20 "$out/by_hand" | sed 's/^/  /' >&2
    found=1
  fi
  if [ $found = 0 ]; then
    echo "check_setup ($1): every package the build needs is installed by scripts/setup.sh" >&2
  else
    status=1
  fi
}

status=0
if [ -n "$from" ]; then
  set -- "$from"/trace.run
  [ -e "$1" ] && check_traces run --run "$@"
  set -- "$from"/trace.native-*
  [ -e "$1" ] && check_traces native "" "$@"
  set -- "$from"/trace.windows-*
  [ -e "$1" ] && check_traces windows --windows "$@"
else
  check_traces build "${kind[*]}" "$work"/trace.*
fi
exit $status
