#include "sdk/os/wayland/wayland.h"

#include "xdg-shell-client-protocol.h"
// The generated header names an argument "namespace", a word of C++.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

// The connection to the compositor and the globals it announces.

namespace zos
{

namespace
{

SWaylandGlobals s_globals;
PFN_WAYLAND_LOST s_pfnLost = nullptr;

[[noreturn]] void ConnectionLost()
{
  // As with X11: nothing more can be drawn, and the library cannot go on.  Say why,
  // then leave without the destructors that would talk to the dead connection.
  static bool s_bInside = false;
  if (!s_bInside)
  {
    s_bInside = true;
    const int iError = wl_display_get_error(s_globals.pDisplay);
    char szText[160];
    if (iError == EPROTO)
    {
      const wl_interface* pInterface = nullptr;
      uint32_t dwId = 0;
      const uint32_t dwCode = wl_display_get_protocol_error(s_globals.pDisplay, &pInterface, &dwId);
      std::snprintf(szText, sizeof(szText), "protocol error %u on %s@%u", dwCode,
                    pInterface ? pInterface->name : "?", dwId);
    }
    else
      std::snprintf(szText, sizeof(szText), "%s",
                    iError == 0 || iError == EPIPE ? "the compositor closed the connection" : strerror(iError));
    if (s_pfnLost)
      s_pfnLost(szText);
    else
      std::fprintf(stderr, "# Connection to the Wayland compositor lost (%s).\n", szText);
  }
  std::fflush(nullptr);
  _exit(0);
}

void OnPing(void*, xdg_wm_base* pWmBase, uint32_t dwSerial) { xdg_wm_base_pong(pWmBase, dwSerial); }
const xdg_wm_base_listener s_wmBaseListener = { OnPing };

void OnOutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                      int32_t)
{
}

void OnOutputMode(void* pData, wl_output*, uint32_t dwFlags, int32_t iWidth, int32_t iHeight, int32_t)
{
  auto* p = static_cast<SWaylandOutput*>(pData);
  if (dwFlags & WL_OUTPUT_MODE_CURRENT)
  {
    p->iWidth = iWidth;
    p->iHeight = iHeight;
  }
}

void OnOutputDone(void* pData, wl_output*)
{
  auto* p = static_cast<SWaylandOutput*>(pData);
  const bool bFirst = !p->bDone;
  p->bDone = true;
  if (bFirst)
    SWaylandWindows::OutputAdded(p);
}

void OnOutputScale(void* pData, wl_output*, int32_t iFactor)
{
  static_cast<SWaylandOutput*>(pData)->iScale = std::max(iFactor, 1);
}

// Bound at version 3: the name and description of version 4 never come.
const wl_output_listener s_outputListener = { OnOutputGeometry, OnOutputMode, OnOutputDone, OnOutputScale,
                                              nullptr, nullptr };

void OnGlobal(void*, wl_registry* pRegistry, uint32_t dwName, const char* szInterface, uint32_t dwVersion)
{
  SWaylandGlobals& g = s_globals;
  auto bind = [&](const wl_interface* pInterface, uint32_t dwMax)
  { return wl_registry_bind(pRegistry, dwName, pInterface, std::min(dwVersion, dwMax)); };
  if (std::strcmp(szInterface, wl_compositor_interface.name) == 0)
    g.pCompositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
  else if (std::strcmp(szInterface, wl_shm_interface.name) == 0)
    g.pShm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
  else if (std::strcmp(szInterface, xdg_wm_base_interface.name) == 0)
  {
    g.pWmBase = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 2));
    xdg_wm_base_add_listener(g.pWmBase, &s_wmBaseListener, nullptr);
  }
  else if (std::strcmp(szInterface, zwlr_layer_shell_v1_interface.name) == 0)
    g.pLayerShell = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 1));
  else if (std::strcmp(szInterface, wl_seat_interface.name) == 0 && !g.pSeat)
    BindSeat(pRegistry, dwName, dwVersion);
  else if (std::strcmp(szInterface, wl_output_interface.name) == 0 && dwVersion >= 2)
  {
    auto pOutput = std::make_unique<SWaylandOutput>();
    pOutput->dwName = dwName;
    pOutput->pOutput = static_cast<wl_output*>(bind(&wl_output_interface, 3));
    wl_output_add_listener(pOutput->pOutput, &s_outputListener, pOutput.get());
    g.outputs.push_back(std::move(pOutput));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t dwName)
{
  auto& outputs = s_globals.outputs;
  auto it = std::find_if(outputs.begin(), outputs.end(), [&](const auto& p) { return p->dwName == dwName; });
  if (it == outputs.end())
    return;
  std::unique_ptr<SWaylandOutput> pGone = std::move(*it);
  outputs.erase(it);
  SWaylandWindows::OutputRemoved(pGone.get());
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(pGone->pOutput)) >= 3)
    wl_output_release(pGone->pOutput);
  else
    wl_output_destroy(pGone->pOutput);
}

const wl_registry_listener s_registryListener = { OnGlobal, OnGlobalRemove };

} // namespace

SWaylandGlobals& Wayland() { return s_globals; }

bool ConnectWayland(std::string* pWhy)
{
  SWaylandGlobals& g = s_globals;
  if (g.pDisplay)
    return true;
  const char* szName = std::getenv("WAYLAND_DISPLAY");
  wl_display* pDisplay = wl_display_connect(nullptr);
  if (!pDisplay)
  {
    if (pWhy)
      *pWhy = std::string("No Wayland compositor answers at \"") + (szName ? szName : "wayland-0") + "\"";
    return false;
  }
  g.pDisplay = pDisplay;
  g.pRegistry = wl_display_get_registry(pDisplay);
  wl_registry_add_listener(g.pRegistry, &s_registryListener, nullptr);
  // The globals, then what the outputs and the seat describe of themselves.
  if (wl_display_roundtrip(pDisplay) < 0 || wl_display_roundtrip(pDisplay) < 0 || !g.pCompositor || !g.pShm ||
      !g.pWmBase)
  {
    if (pWhy)
      *pWhy = std::string("The Wayland compositor at \"") + (szName ? szName : "wayland-0") +
              "\" offers no " + (!g.pCompositor ? "wl_compositor" : !g.pShm ? "wl_shm" : "xdg_wm_base");
    // Nothing of ours lives on it yet: close it whole.
    g.outputs.clear();
    wl_display_disconnect(pDisplay);
    g = SWaylandGlobals();
    return false;
  }
  return true;
}

int PumpWayland()
{
  wl_display* d = s_globals.pDisplay;
  if (!d)
    return 0;
  int iCount = 0;
  while (wl_display_prepare_read(d) != 0)
  {
    const int n = wl_display_dispatch_pending(d);
    if (n < 0)
      ConnectionLost();
    iCount += n;
  }
  if (wl_display_flush(d) < 0 && errno != EAGAIN)
  {
    wl_display_cancel_read(d);
    ConnectionLost();
  }
  struct pollfd pfd = { wl_display_get_fd(d), POLLIN, 0 };
  if (poll(&pfd, 1, 0) > 0)
  {
    if (wl_display_read_events(d) < 0)
      ConnectionLost();
  }
  else
    wl_display_cancel_read(d);
  const int n = wl_display_dispatch_pending(d);
  if (n < 0)
    ConnectionLost();
  return iCount + n + RepeatWaylandKeys();
}

void FlushWayland()
{
  if (s_globals.pDisplay && wl_display_flush(s_globals.pDisplay) < 0 && errno != EAGAIN)
    ConnectionLost();
}

bool RoundtripWayland()
{
  if (!s_globals.pDisplay)
    return false;
  if (wl_display_roundtrip(s_globals.pDisplay) < 0)
    ConnectionLost();
  return true;
}

int WaylandFd() { return s_globals.pDisplay ? wl_display_get_fd(s_globals.pDisplay) : -1; }

void SetWaylandLostHandler(PFN_WAYLAND_LOST pfnHandler) { s_pfnLost = pfnHandler; }

} // namespace zos
