#pragma once

// The Direct3D 8 device's platform block.  The engine settings record points at it
// from Create until Destroy, so that textures and objects, which only hold the record,
// reach the device and its capabilities.

#include "sdk/d3d8/d3d8_headers.h"

class CCamera;
namespace zos
{
class CWindow;
}
struct SEngineSettings;

struct SPlatformD3D8
{
  zos::CWindow* hWnd; // the window given to Create
  HWND hNative;       // its system window, the device window
  HMODULE hLibrary;   // d3d8.dll, loaded at run time
  IDirect3D8* pD3D;
  IDirect3DDevice8* pDevice; // null until created, and while none could be
  D3DPRESENT_PARAMETERS present;
  D3DCAPS8 caps;
  D3DDEVTYPE eDeviceType; // the device type that was created
  DWORD dwBehavior;       // and its vertex-processing flags
  CCamera* pCamera;
  bool bLost;      // the device is lost: frames are skipped until Reset succeeds
  bool bFrameOpen; // BeginScene succeeded and EndScene is due
};

// The block published in the record, or null when no Direct3D 8 device runs.
SPlatformD3D8* GetPlatformD3D8(const SEngineSettings* pSettings);
// The device of that block, or null.
IDirect3DDevice8* GetDeviceD3D8(const SEngineSettings* pSettings);

// A 32-bit float as the DWORD render states take it.
inline DWORD FloatBits(float f)
{
  DWORD dw;
  static_assert(sizeof(dw) == sizeof(f), "a float is a DWORD");
  __builtin_memcpy(&dw, &f, sizeof(dw));
  return dw;
}
