#pragma once

// The platform and display mode a run starts with: read from the engine settings,
// adjusted for a screen saver or an xscreensaver hack, asked in the dialog when the
// settings say so, checked against the platforms found, and saved.

#include "app/platform_dialog.h"
#include "app/platform_select.h"
#include "sdk/core/platform.h"

#include <cstdint>

class CSettingsStore;

struct SPlatformChoiceInput
{
  CSettingsStore* pEngineStore = nullptr;
  CSettingsStore* pRegistry = nullptr; // screen-saver runs only
  int iRunMode = 0;                     // RUN_* of the command line
  bool bHack = false;                   // xscreensaver chose and sized the window
  bool bBackground = false;             // the desktop sizes the window: a wallpaper
  int iPlatformIndex = -1;              // --platform, or -1 for the default
  SPlatformModule* pPlatformTable = nullptr;
  const SPlatformDesc* pDescs = nullptr;
  uint32_t dwDescCount = 0;
  const char* szLog = nullptr;
  // Asked while the dialog waits: true ends the run there (a stop signal).
  PFN_DIALOG_STOP pfnStop = nullptr;
};

// True with the choice and its platform's descriptor when the run goes on.  False when
// it ends here: the dialog was cancelled or stopped, the platform is not among those
// found (all logged), or a screen saver's settings were saved.
bool ChoosePlatform(const SPlatformChoiceInput& in, PlatformChoice* pChoice, SPlatformDesc* pDesc);
