#!/usr/bin/env bash
# Every command line that the xscreensaver settings can build from planeto.xml starts
# the program and runs it to its end: each platform, every switch on and off, the speed
# at its low, high and default values.  Each setting a switch names must exist in the
# built-in texts, or the switch would silently do nothing.  Each slider runs at its
# low, high and default values.
# Usage: xscreensaver_options_test.sh PLANETO_XML DATA_DIR PLANETO
set -euo pipefail
xml=$1 data=$2 planeto=$3
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fail() { echo "FAIL: $*" >&2; exit 1; }

xmllint --noout "$xml" || fail "$xml is not well-formed"
get() { xmllint --xpath "string($1)" "$xml"; }
count() { xmllint --xpath "count($1)" "$xml"; }
words() { local w; read -ra w <<< "$1"; [ ${#w[@]} -eq 0 ] || printf '%s\n' "${w[@]}"; }

mapfile -t always < <(for i in $(seq "$(count //command)"); do words "$(get "(//command)[$i]/@arg")"; done)
options=()
for i in $(seq "$(count //select/option)"); do options+=("$(get "(//select/option)[$i]/@arg-set")"); done
mapfile -t on < <(for i in $(seq "$(count //boolean)"); do words "$(get "(//boolean)[$i]/@arg-set")"; done)
mapfile -t off < <(for i in $(seq "$(count //boolean)"); do words "$(get "(//boolean)[$i]/@arg-unset")"; done)
sliders=() slider_values=()
for i in $(seq "$(count //number)"); do
  sliders+=("$(get "(//number)[$i]/@arg")")
  slider_values+=("$(get "(//number)[$i]/@low") $(get "(//number)[$i]/@high") $(get "(//number)[$i]/@default")")
done
[ ${#sliders[@]} -ge 2 ] || fail "expected the speed and frame-rate sliders"
[ ${#options[@]} -ge 2 ] && [ ${#on[@]} -gt 0 ] && [ ${#off[@]} -gt 0 ] || fail "options missing"

for arg in "${options[@]}" "${on[@]}" "${off[@]}" "${sliders[@]}"; do
  case $arg in --set=*) ;; *) continue ;; esac
  IFS=. read -r store section rest <<< "${arg#--set=}"
  key=${rest%%=*}
  case $store in engine) f=Engine ;; appli) f=Appli ;; font) f=Font ;; *) fail "$arg: no store $store" ;; esac
  tr -d '\r' < "$data/Planeto.$f.ini" | awk -v s="[$section]" -v k="$key" \
    '$0 == s { in_s = 1; next } /^\[/ { in_s = 0 } in_s && $1 == k { found = 1 } END { exit !found }' \
    || fail "$arg: no $key in [$section] of Planeto.$f.ini"
done

work=$(mktemp -d /tmp/planeto-xss-XXXXXX)
trap 'rm -rf "$work"' EXIT
runs=$(( 2 * ${#options[@]} > 3 ? 2 * ${#options[@]} : 3 ))
for r in $(seq 0 $((runs - 1))); do
  if (( r / ${#options[@]} % 2 == 0 )); then switches=("${on[@]}"); else switches=("${off[@]}"); fi
  # xscreensaver splits a slider's argument into words once the value is in.
  slid=()
  for i in "${!sliders[@]}"; do
    read -ra values <<< "${slider_values[i]}"
    mapfile -t -O ${#slid[@]} slid < <(words "${sliders[i]//%/${values[r % 3]}}")
  done
  args=("${always[@]}" "${options[r % ${#options[@]}]}" "${slid[@]}" "${switches[@]}")
  mkdir "$work/$r"
  (cd "$work/$r" && PLANETO_REGISTRY=$work/$r/registry.reg XDG_STATE_HOME=$work/$r/state \
     "$planeto" "${args[@]}" --set=engine.WORLD.ASK_ME_ON_START=0 --frames=2 2>stderr.txt) \
    || fail "exit $? for: ${args[*]}: $(cat "$work/$r/stderr.txt")"
  # A hack (-root) logs under the state folder, a windowed run in its working folder.
  log=$work/$r/Planeto.log
  [ -f "$log" ] || log=$work/$r/state/planeto/Planeto.log
  grep -q '^# ENDED\.' "$log" || fail "no end in the log for: ${args[*]}"
  echo "ok: ${args[*]}"
done
