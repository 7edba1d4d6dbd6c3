#pragma once

#include "sdk/core/3d_math.h"
#include "sdk/core/platform.h"
#include "sdk/core/random.h"
#include "sdk/core/result.h"

#include <cstddef>
#include <cstdint>

class C3DMath;
class CFrameTimer;
class CSettingsStore;
class CWorldBase;
struct SEmbeddedFile;

// A switch the devices read when drawing.  The current copy is what is applied; the
// configured copy keeps the settings' value so that a caller can turn a switch off for
// one draw and put it back (bCurrent = bConfigured).
struct SEngineSwitch
{
  uint8_t bCurrent;
  uint8_t bConfigured;

  void Set(bool b) { bCurrent = bConfigured = b ? 1 : 0; }
  void Restore() { bCurrent = bConfigured; }
};

struct SLightSettings
{
  SEngineSwitch swEnable;
  int32_t iType; // 0 directional, 1 point
  SVector3 vPosition;
  float fDiffuse;
  float fSpecular;
  float fAmbient;
  float fMaterialDiffuse;
  float fMaterialSpecular;
  float fMaterialAmbient;
};

// Mouse button flags, indexes into SEngineSettings::abButtons.
enum EMouseButton
{
  BUTTON_LEFT_DOWN = 0,
  BUTTON_MIDDLE_DOWN,
  BUTTON_RIGHT_DOWN,
  BUTTON_LEFT_RELEASED,
  BUTTON_MIDDLE_RELEASED,
  BUTTON_RIGHT_RELEASED,
  BUTTON_COUNT
};

// The one record the engine's parts share.  The application base owns it (zero-filled
// through the tracked allocator); every device, camera, object, texture, shader, font
// and scene element holds a plain pointer to it.
struct SEngineSettings
{
  SMatrix matProjection; // identity after Load, then the camera's Resize
  SMatrix matCamera;     // the camera's placement in the world
  SMatrix matView;       // inverse of matCamera (UpdateView)
  uint32_t dwViewWord;   // 0 after Load
  void* pPlatform;       // the running device's platform block (first field: window)
  C3DMath* pMath;
  CFrameTimer* pFrameTimer;
  CSettingsStore* pEngineStore;
  CSettingsStore* pAppliStore;
  CWorldBase* pApplication;   // back pointer
  SPlatformDesc descPlatform; // the running platform's descriptor
  uint32_t dwSdkVersion;      // 0x30000
  char szSdkBuild[32];
  char szLogPath[256];
  char szDataPath[256];
  char szName[256];                // last settings name read for an image; fps line
  const SEmbeddedFile* pLastImage; // last resolved built-in image

  // Input, kept by CWorldBase::HandleMessage; the released flags live for one frame.
  uint8_t byReleasedKeyCount;
  uint8_t abKeyDown[256];
  uint8_t abKeyReleased[256];
  uint8_t abButtons[BUTTON_COUNT];
  float fMouseX;
  float fMouseY;

  // Display
  uint16_t wWidth;
  uint16_t wHeight;
  uint8_t byColorDepth; // always 32
  uint8_t bFullscreen;
  uint8_t bDesktop;

  int32_t iGammaInitial;
  int32_t iGammaRed;
  int32_t iGammaGreen;
  int32_t iGammaBlue;

  SEngineSwitch swFog;
  uint32_t dwFogColor;
  float fFogStart;
  float fFogEnd;
  float fFogDensity;

  uint32_t adwFixed[3]; // 1, 0, 1: read by the devices that want them

  float fPointSpriteMin;
  float fPointSpriteMax;

  SEngineSwitch swLighting;
  SEngineSwitch swSpecular;
  SEngineSwitch swAlpha;
  SEngineSwitch swStencilShadow;
  SEngineSwitch swDepth; // depth comparison (fixed true)
  SEngineSwitch swExtra; // fixed true
  uint8_t bWireframe;
  uint8_t bText;
  uint8_t bGammaCorrection;

  uint32_t dwTextColor;
  uint32_t dwClearColor;
  uint32_t dwAmbientColor;
  uint32_t dwWireframeColor;

  float fNear;
  float fFar;
  float fFov; // degrees
  float fAspect;

  SLightSettings light1;
  SLightSettings light2; // moved to the Moon every frame by the scene

  double dFrameRate;       // frames per second
  double dFrameStep;       // elapsed time of the frame, in 1/30 s
  uint32_t adwCounters[3]; // vertices, indices, primitives drawn this frame

  SRandomState random;

  uintptr_t uStackBase;
  uint32_t dwStackDepthMax;

  // A line the scene shows over the frame (the real-time mode's clock), empty when
  // none: a platform that draws no text of the scene's puts it on its own status line.
  char szOverlayText[64];
};

// A colour word from its four keys: A << 24 | R << 16 | G << 8 | B, each cut to 8 bits.
inline uint32_t PackColor(int32_t a, int32_t r, int32_t g, int32_t b)
{
  return (static_cast<uint32_t>(a & 0xFF) << 24) | (static_cast<uint32_t>(r & 0xFF) << 16) |
         (static_cast<uint32_t>(g & 0xFF) << 8) | static_cast<uint32_t>(b & 0xFF);
}

// One engine setting and where it goes in the record.
struct SEngineSettingDef
{
  enum EType
  {
    SWITCH,
    BOOL,
    INT,
    FLOAT,
    COLOR
  };

  const char* szSection;
  const char* szKey; // for COLOR the key stem: "_A", "_R", "_G", "_B" are appended
  EType eType;
  float fDefault;     // bool, int and float defaults
  int32_t aiColor[4]; // COLOR defaults, A R G B
  size_t uOffset;     // into SEngineSettings
};

// The engine settings in the order Load reads them.
const SEngineSettingDef* GetEngineSettingDefs(uint32_t* pCount);

// Reads every engine setting of the table into the record, in table order (each
// switch sets both its copies), then the fixed words 1, 0, 1 and the two further
// switch pairs (true).  A null store leaves the code defaults.
void ReadEngineSettings(SEngineSettings* pSettings, CSettingsStore* pStore);
