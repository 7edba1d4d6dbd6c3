#!/usr/bin/env bash
# Compiles each header of sdk/os beside <windows.h>, once after it and once before it,
# with the MinGW-w64 cross compiler: our names must neither collide with the system's
# nor be bent by its macros, whichever comes first.  The sdk/core headers go in two
# translation units of their own (they meet the system only through sdk/os), which
# keeps the check quick.  A probe then uses our names the way callers spell them.
#
#   check_with_windows_h.sh <source top> <work folder>
set -uo pipefail

top=$1
work=$2
cxx=${PLANETO_MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
if ! command -v "$cxx" >/dev/null; then
  echo "skipped: $cxx is not installed"
  exit 0
fi
mkdir -p "$work"
rm -f "$work"/*.cpp "$work"/*.log "$work/failed"

tail='namespace zos {}\nusing namespace zos;\n'
for h in "$top"/sdk/os/*.h; do
  rel=${h#"$top"/}
  name=$(basename "$rel" .h)
  printf "#include <windows.h>\n#include \"%s\"\n$tail" "$rel" > "$work/after_$name.cpp"
  printf "#include \"%s\"\n#include <windows.h>\n$tail" "$rel" > "$work/before_$name.cpp"
done
core=$(cd "$top" && printf '#include "%s"\n' sdk/core/*.h)
printf "#include <windows.h>\n%s\n$tail" "$core" > "$work/after_core.cpp"
printf "%s\n#include <windows.h>\n$tail" "$core" > "$work/before_core.cpp"

cat > "$work/probe_names.cpp" <<'PROBE'
#include <windows.h>
#include "sdk/os/bitmap.h"
#include "sdk/os/clock.h"
#include "sdk/os/debug_output.h"
#include "sdk/os/message_queue.h"
#include "sdk/os/registry.h"
#include "sdk/os/window.h"

using namespace zos;

LRESULT Probe(zos::HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  SMessage msg = {hwnd, WM_KEYDOWN, VK_ESCAPE, MAKELPARAM(1, 2), 0, {0, 0}};
  CMessageQueue::Peek(&msg, hwnd, 0, 0, PM_REMOVE);
  int x = GET_X_LPARAM(lParam) + GET_WHEEL_DELTA_WPARAM(wParam) + LOWORD(wParam);
  uint32_t style = WS_OVERLAPPEDWINDOW | WS_POPUP;
  hwnd->SetProp("world", &x);
  hwnd->GetProp("world");
  hwnd->RemoveProp("world");
  hwnd->Show(SW_SHOW);
  hwnd->GetClassName();
  HKEY hKey = nullptr;
  uint32_t dwType = REG_DWORD, uSize = 4;
  if (RegOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE", &hKey) == ERROR_SUCCESS) {
    RegQueryValue(hKey, "WIDTH", &dwType, &x, &uSize);
    RegSetValue(hKey, "WIDTH", REG_DWORD, &x, 4);
    RegDeleteValue(hKey, "WIDTH");
    zos::RegCloseKey(hKey);   // the system has one of the same type
  }
  RegCreateKey(HKEY_CURRENT_USER, "SOFTWARE", &hKey);
  CBitmap bitmap;
  bitmap.DrawText("text", BitmapRGB(255, 255, 255), 0);
  OutputDebugString("text");
  int64_t count = 0;
  zos::QueryPerformanceCounter(&count);
  zos::Sleep(zos::GetTickCount() % 2);
  return CWindow::DefWindowProc(hwnd, uMsg + style + MK_LBUTTON, wParam, lParam);
}
PROBE

failed=0
for tu in "$work"/*.cpp; do
  echo "$tu"
done | xargs -P "${PLANETO_JOBS:-2}" -I{} sh -c \
  '"$0" -std=c++20 -fsyntax-only -I"$1" "{}" > "{}.log" 2>&1 || echo "{}" >> "$2/failed"' \
  "$cxx" "$top" "$work"
if [ -s "$work/failed" ]; then
  for tu in $(cat "$work/failed"); do
    echo "FAILED: $(basename "$tu")"
    head -20 "$tu.log"
  done
  rm -f "$work/failed"
  exit 1
fi
echo "$(ls "$work"/*.cpp | wc -l) translation units compile beside <windows.h>"
