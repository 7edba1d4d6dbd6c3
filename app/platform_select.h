#pragma once

// The platform and display-mode choice made before the window opens: the tables, the
// matching and validation steps, saving, and the dialog's logic (kept apart from its
// FLTK and Win32 views so that it can be driven without a display).

#include "sdk/core/platform.h"
#include "sdk/core/result.h"

#include <cstdint>
#include <string>
#include <vector>

class CSettingsStore;

struct SDisplayMode
{
  uint16_t wWidth;
  uint16_t wHeight;
  const char* szLabel;
};

struct SColorDepth
{
  uint8_t byBits;
  const char* szLabel;
};

constexpr int DISPLAY_MODE_COUNT = 11;
constexpr int COLOR_DEPTH_COUNT = 2;
extern const SDisplayMode g_DisplayModes[DISPLAY_MODE_COUNT];
extern const SColorDepth g_ColorDepths[COLOR_DEPTH_COUNT];

// Bits of the dialog flags: each disables one control; 0x100 turns OK into "SAVE AND EXIT".
constexpr uint32_t DLGFLAG_NO_ASK_CHECK = 0x001;
constexpr uint32_t DLGFLAG_NO_INPUT = 0x002;
constexpr uint32_t DLGFLAG_NO_AUDIO = 0x004;
constexpr uint32_t DLGFLAG_NO_PLATFORM = 0x008;
constexpr uint32_t DLGFLAG_NO_MODE = 0x010;
constexpr uint32_t DLGFLAG_NO_DEPTH = 0x020;
constexpr uint32_t DLGFLAG_NO_FULLSCREEN = 0x040;
constexpr uint32_t DLGFLAG_NO_DESKTOP = 0x080;
constexpr uint32_t DLGFLAG_SAVE_AND_EXIT = 0x100;
constexpr uint32_t DLGFLAGS_SCREEN_SAVER = 0x18F;
// Offers the real-time check box (the screen saver's settings): its choice is saved as
// "REAL_TIME" beside the others.
constexpr uint32_t DLGFLAG_REAL_TIME = 0x200;

constexpr uint16_t PLATFORM_INDEX_NONE = 0xFFFF;

struct PlatformChoice
{
  uint8_t bAsk;            // show the dialog at start ("ASK_ME_ON_START")
  uint16_t wInputIndex;    // input list selection (only "-Disable-")
  uint16_t wAudioIndex;    // audio list selection (only "-Disable-")
  uint16_t wPlatformIndex; // platform table index; after ValidPlatform, descriptor index
  uint16_t wWidth;
  uint16_t wHeight;
  uint16_t wModeIndex;  // into g_DisplayModes
  uint8_t byColorDepth; // bits per pixel
  uint16_t wDepthIndex; // into g_ColorDepths
  uint8_t bFullscreen;
  uint8_t bDesktop;
  uint32_t dwDialogFlags;          // DLGFLAG_*
  SPlatformModule* pPlatformTable; // the application base's registration table, or null
  uint8_t bRealTime;               // the Earth as it is now ("REAL_TIME", screen saver)
};

// Mode index from the first mode of exactly the choice's size, depth index from its
// colour depth; an unmatched size or depth keeps its index.  Always succeeds.
ZRESULT MatchDisplayMode(PlatformChoice* pChoice);

// Replaces the platform table index by the index of the first descriptor carrying that
// platform's name.  ZP_FAIL when there are no descriptors, the index is outside the
// table, or no descriptor matches.
ZRESULT ValidPlatform(PlatformChoice* pChoice, const SPlatformDesc* pDescs, uint32_t dwCount);

// Writes ask, size, depth, full screen and desktop mode to section "WORLD", and the
// real-time choice where the dialog offers it; the store's answers are ignored (the
// engine store is read-only).
ZRESULT SavePlatformChoice(const PlatformChoice* pChoice, CSettingsStore* pStore);

// Reads back what SavePlatformChoice wrote (the screen saver's registry): each value
// found replaces the choice's.  True when a choice was saved there, that is when its
// size and depth are found.
bool LoadSavedPlatformChoice(PlatformChoice* pChoice, CSettingsStore* pStore);

// What the dialog shows and how its controls read back, without any toolkit.
class CPlatformDialogModel
{
public:
  struct SPlatformItem
  {
    std::string strName;
    uint16_t wTableIndex;
    bool bAvailable; // false: its module gave no descriptor (shown, not pickable)
  };

  // Fills the controls from the choice, as the dialog does when it opens.  The
  // descriptors, when given, tell which listed platforms can be picked.
  CPlatformDialogModel(const PlatformChoice& choice, const SPlatformDesc* pDescs = nullptr,
                       uint32_t dwDescCount = 0);

  // List contents.
  const std::vector<SPlatformItem>& PlatformItems() const { return m_platforms; }
  static std::vector<std::string> ModeLabels();
  static std::vector<std::string> DepthLabels();
  static std::vector<std::string> InputLabels(); // {"-Disable-"}
  static std::vector<std::string> AudioLabels(); // {"-Disable-"}

  // Selections (-1: none) and check boxes, as the controls hold them.
  int m_iPlatformSel = -1;
  int m_iModeSel = -1;
  int m_iDepthSel = -1;
  int m_iInputSel = -1;
  int m_iAudioSel = -1;
  bool m_bFullscreen = false;
  bool m_bDesktop = false;
  bool m_bDontAsk = false;
  bool m_bRealTime = false;

  // Control states from the dialog flags.
  bool PlatformEnabled() const { return !(m_dwFlags & DLGFLAG_NO_PLATFORM); }
  bool AudioEnabled() const { return !(m_dwFlags & DLGFLAG_NO_AUDIO); }
  bool InputEnabled() const { return !(m_dwFlags & DLGFLAG_NO_INPUT); }
  bool ModeEnabled() const { return !(m_dwFlags & DLGFLAG_NO_MODE); }
  bool DepthEnabled() const { return !(m_dwFlags & DLGFLAG_NO_DEPTH); }
  bool FullscreenEnabled() const { return !(m_dwFlags & DLGFLAG_NO_FULLSCREEN); }
  bool DesktopEnabled() const { return !(m_dwFlags & DLGFLAG_NO_DESKTOP); }
  bool DontAskEnabled() const { return !(m_dwFlags & DLGFLAG_NO_ASK_CHECK); }
  bool RealTimeEnabled() const { return (m_dwFlags & DLGFLAG_REAL_TIME) != 0; }
  const char* OkCaption() const;

  // Selecting a platform the user may not pick is refused (false).
  bool SelectPlatform(int iSel);

  // OK: the choice edited by the controls.
  PlatformChoice Accept() const;

  static const char* const CAPTION;

private:
  PlatformChoice m_choice;
  uint32_t m_dwFlags;
  std::vector<SPlatformItem> m_platforms;
};
