#!/usr/bin/env bash
# Installs the build into a staging root with DESTDIR, makes the Debian package with
# cpack and unpacks it with dpkg -x; the program must run to its end from both trees,
# and lintian must find no error in the package.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d /tmp/planeto-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null
cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 \
  || fail "cpack: $(cat "$work/cpack.log")"
deb=$work/pkg/planeto_${version}_amd64.deb
[ -f "$deb" ] || fail "cpack made no $(basename "$deb"): $(ls "$work/pkg")"
dpkg -x "$deb" "$work/unpacked"
desktop-file-validate "$work/stage/usr/share/applications/planeto.desktop" || fail "desktop entry"

for tree in stage unpacked; do
  usr=$work/$tree/usr
  [ "$(readlink -f "$usr/libexec/xscreensaver/planeto")" = "$(readlink -f "$usr/bin/planeto")" ] \
    || fail "$tree: the xscreensaver hack is not the program"
  mkdir "$work/run-$tree"
  (cd "$work/run-$tree" && PLANETO_REGISTRY=$work/run-$tree/registry.reg \
     "$usr/bin/planeto" --platform=software --set=engine.WORLD.ASK_ME_ON_START=0 --frames=3 2>stderr.txt) \
    || fail "$tree: exit $?: $(cat "$work/run-$tree/stderr.txt")"
  grep -q '^# ENDED\.' "$work/run-$tree/Planeto.log" || fail "$tree: no end in the log"
done

if ! command -v lintian >/dev/null; then
  echo "SKIPPED: lintian is not installed (scripts/setup.sh installs it)"
  exit 77
fi
report=$(lintian "$deb" 2>&1) || true
echo "$report"
! grep -q '^E:' <<< "$report" || fail "lintian reports errors"
