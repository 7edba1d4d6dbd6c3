#pragma once

// What the Windows files of the window layer share.  <windows.h> comes first so that
// the system's numbers (WM_*, WS_*, VK_*) are the ones used.

#include <windows.h>

#include "sdk/os/window.h"

namespace zos
{

struct CWindow::SNative
{
  ::WNDPROC pfnForeignProc = nullptr; // an adopted window's own procedure (subclassed)
  HICON hIcon = nullptr;              // the icon made by SetIcon
  DWORD dwRestoreStyle = 0;           // style and frame before SetFullscreen(true)
  RECT rcRestore = {};
  bool bFullscreenChanged = false;
  bool bSized = false; // a WM_SIZE has reached the procedure
};

// The live window of ours that wraps the system's window, or null.
CWindow* WindowFromNative(::HWND hNative);

// The queue's hidden message-only window: thread timers and messages posted to no
// window go through it (a thread timer's identifier would otherwise be the system's
// choice), and messages to it come out with no window.
::HWND QueueWindow();

// A 32-bit top-down DIB section (rows from the top, pixels as 0xAARRGGBB words, the
// layout of our bitmaps); null when the system refuses.
inline HBITMAP CreateTopDownSection(HDC hDC, int iWidth, int iHeight, void** ppBits)
{
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = iWidth;
  bmi.bmiHeader.biHeight = -iHeight;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  *ppBits = nullptr;
  return ::CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, ppBits, nullptr, 0);
}

} // namespace zos
