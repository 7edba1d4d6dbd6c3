#pragma once

#include "sdk/core/3d_math.h"
#include "sdk/core/world_base.h"

#include <cstdint>

class C3DObject;
class CConstellations;
class CFont;
class CLensFlareSimple;
class CSceneElement;
class CStencilShadow;
class CSunMasking;
class CSunSimple;
class CTexture;

// Render flags of the world's objects (all of kind 0xC03).
constexpr uint32_t WORLD_SPHERE_RENDER_FLAGS = 0x19C3F;
constexpr uint32_t WORLD_ATMOSPHERE_RENDER_FLAGS = 0x18C2B;
constexpr uint32_t WORLD_DIFRACTION_RENDER_FLAGS = 0x20C29;
constexpr uint32_t WORLD_OCCLUDER_RENDER_FLAGS = 0x18C3F;
constexpr uint32_t WORLD_SKYBOX_RENDER_FLAGS = 0xC21;

// The view orientations the arrow keys choose (0 is the start, the same as up).
enum EViewOrientation
{
  VIEW_START = 0,
  VIEW_UP = 1,
  VIEW_DOWN = 2,
  VIEW_RIGHT = 3,
  VIEW_LEFT = 4
};

// The difraction glow of one planet and what it leaves of the sun, from the projected
// sun centre S, sun rim V, planet centre E and planet rim P.
struct SDifraction
{
  float fGap;       // |S - E| - |E - P| - |S - V|: negative once the discs overlap
  float fIntensity; // 0 apart, 1 with the sun centre on the rim, 0 again fully covered
  float fAngle;     // direction from the planet to the sun on screen
  float fSunLeft;   // gap / (2 rS) + 1 when the discs overlap, else 1
};
SDifraction ComputeDifraction(const SVector3& s, const SVector3& v, const SVector3& e, const SVector3& p);

// Which sun element the world makes: the masking one when it is enabled and the device
// can measure the sun's occlusion.
enum ESunChoice
{
  SUN_CHOICE_SIMPLE,
  SUN_CHOICE_MASKING
};
ESunChoice ChooseSunElement(bool bMaskingEnabled, bool bOcclusionService);
// Whether the settings ask for stencil shadows (the device must then offer the service).
bool WantsStencilShadow(bool bEngineSwitch, bool bEarthShadow, bool bMoonShadow);

// The planet scene: the Earth with night side, clouds, atmosphere and difraction glow,
// the Moon on its orbit, the sky box, the sun and its flares and the optional stars,
// seen by a camera that turns slowly around the Earth.
class CPlanetoWorld : public CWorldBase
{
public:
  CPlanetoWorld();
  ~CPlanetoWorld() override;

  ZRESULT Load(zos::HWND hWnd, uint32_t dwWidth, uint32_t dwHeight, uint32_t dwColorDepth, bool bFullscreen,
               bool bDesktop, uint32_t dwPlatformFlags, const char* szPath) override;
  ZRESULT Unload() override;
  ZRESULT HandleMessage(const zos::SMessage* pMsg) override;
  ZRESULT Update() override;
  ZRESULT Draw() override;

  void SetScreenSaver(bool bScreenSaver) { m_bScreenSaver = bScreenSaver ? 1 : 0; }
  bool IsScreenSaver() const { return m_bScreenSaver != 0; }

  // State, for the shell and the tests.
  float GetSpeedFactor() const { return m_fSpeedFactor; }
  bool IsAutoRotation() const { return m_bAutoRotation != 0; }
  uint32_t GetViewOrientation() const { return m_dwViewOrientation; }
  float GetRollTarget() const { return m_fRollTarget; }
  float GetRollCurrent() const { return m_fRollCurrent; }
  float GetMousePitchStep() const { return m_fMousePitchStep; }
  float GetMouseYawStep() const { return m_fMouseYawStep; }
  float GetMousePitch() const { return m_fMousePitch; }
  float GetMouseYaw() const { return m_fMouseYaw; }
  int32_t GetWheelSteps() const { return m_iWheelSteps; }
  float GetCameraDistance() const { return m_fCameraDistance; }
  float GetCameraYaw() const { return m_fCameraYaw; }
  float GetCameraWobble() const { return m_fCameraWobble; }
  float GetCameraSpeed() const { return m_fCameraSpeed; }
  float GetMoonOrbitAngle() const { return m_fMoonOrbitAngle; }
  float GetMoonTiltPhase() const { return m_fMoonTiltPhase; }
  float GetMoonDistance() const { return m_fMoonDistance; }
  float GetMoonRatio() const { return m_fMoonRatio; }
  float GetEarthSpeed() const { return m_fEarthSpeed; }
  float GetCloudsSpeed() const { return m_fCloudsSpeed; }
  float GetMoonSpeed() const { return m_fMoonSpeed; }
  float GetSunIntensity() const { return m_fSunIntensity; }
  float GetEarthDifractionIntensity() const { return m_fEarthDifIntensity; }
  float GetMoonDifractionIntensity() const { return m_fMoonDifIntensity; }
  float GetEarthDifractionAngle() const { return m_fEarthDifAngle; }
  bool IsSunVisible() const { return m_bSunVisible != 0; }
  bool IsAtmosphereEnabled() const { return m_bAtmosphere != 0; }
  bool IsEarthDifractionEnabled() const { return m_bEarthDifraction != 0; }
  bool IsMoonDifractionEnabled() const { return m_bMoonDifraction != 0; }
  float GetAtmosphereRatio() const { return m_fAtmosphereRatio; }
  float GetEarthDifractionRatio() const { return m_fEarthDifRatio; }
  float GetMoonDifractionRatio() const { return m_fMoonDifRatio; }
  float GetEarthRatio() const { return m_fEarthRatio; }
  float GetCloudsRatio() const { return m_fCloudsRatio; }
  const SMatrix& GetEarthMatrix() const { return m_matEarth; }
  const SMatrix& GetCloudsMatrix() const { return m_matClouds; }
  const SMatrix& GetMoonMatrix() const { return m_matMoon; }
  const SMatrix& GetEarthFacingMatrix() const { return m_matEarthFacing; }
  const SMatrix& GetMoonFacingMatrix() const { return m_matMoonFacing; }
  const SMatrix& GetEarthSunMatrix() const { return m_matEarthSun; }
  const SMatrix& GetEarthSunSmallMatrix() const { return m_matEarthSunSmall; }
  const SMatrix& GetMoonSunMatrix() const { return m_matMoonSun; }
  const SMatrix& GetMoonSunSmallMatrix() const { return m_matMoonSunSmall; }

  CFont* GetFont() const { return m_pFont; }
  C3DObject* GetSphere() const { return m_pSphere; }
  C3DObject* GetAtmosphere() const { return m_pAtmosphere; }
  C3DObject* GetDifractionQuad() const { return m_pDifraction; }
  C3DObject* GetOccluder() const { return m_pOccluder; }
  C3DObject* GetSkybox() const { return m_pSkybox; }
  CTexture* GetEarthDayTexture() const { return m_pTexEarthDay; }
  CTexture* GetEarthNightTexture() const { return m_pTexEarthNight; }
  CTexture* GetCloudsTexture() const { return m_pTexClouds; }
  CTexture* GetMoonTexture() const { return m_pTexMoon; }
  CTexture* GetAtmosphereTexture() const { return m_pTexAtmosphere; }
  CTexture* GetEarthDifractionTexture() const { return m_pTexEarthDifraction; }
  CTexture* GetMoonDifractionTexture() const { return m_pTexMoonDifraction; }
  CConstellations* GetConstellations() const { return m_pConstellations; }
  CSunMasking* GetSunMasking() const { return m_pSunMasking; }
  CStencilShadow* GetStencilShadow() const { return m_pStencilShadow; }
  CSunSimple* GetSunSimple() const { return m_pSunSimple; }
  CLensFlareSimple* GetLensFlare() const { return m_pLensFlare; }

  // Screen positions of the last sun test: sun centre, sun rim, Earth centre, Earth rim,
  // Moon centre, Moon rim.
  enum EScreenPoint
  {
    SP_SUN,
    SP_SUN_RIM,
    SP_EARTH,
    SP_EARTH_RIM,
    SP_MOON,
    SP_MOON_RIM,
    SP_COUNT
  };
  const SVector3& GetScreenPoint(int i) const { return m_avScreen[i]; }

protected:
  // The steps of the frame update, in their order.
  void UpdateCamera(float fStep);
  void UpdateBodies(float fStep, const SVector3& vCamera, const SVector3& vSun);
  void SunTest(const SVector3& vSun, const SVector3& vMoon);

private:
  ZRESULT LoadFont();
  ZRESULT LoadTextures();
  ZRESULT LoadObjects(bool bSkybox);
  ZRESULT LoadSkybox();
  ZRESULT LoadElements(bool bConstellations);
  ZRESULT LoadWorldTexture(CTexture** ppTexture, uint32_t dwTextureFlags, const char* pszSection,
                           const char* pszKey, const char* pszDefault);
  void SetRollTarget(uint32_t dwOrientation, float fTarget);
  ZRESULT HandleMouseMove(const zos::SMessage* pMsg);
  void ProjectVertex0(SVector3* pOut, C3DObject* pObject, const SMatrix* pMatrix);

  // Font
  CFont* m_pFont;
  // Objects
  C3DObject* m_pSphere;
  C3DObject* m_pAtmosphere;
  C3DObject* m_pDifraction;
  C3DObject* m_pOccluder;
  C3DObject* m_pSkybox;
  // Textures
  CTexture* m_pTexEarthDay;
  CTexture* m_pTexEarthNight;
  CTexture* m_pTexClouds;
  CTexture* m_pTexMoon;
  CTexture* m_pTexAtmosphere;
  CTexture* m_pTexEarthDifraction;
  CTexture* m_pTexMoonDifraction;
  // Earth
  SMatrix m_matEarth;
  SMatrix m_matEarthFacing;
  SMatrix m_matEarthSun;
  SMatrix m_matEarthSunSmall;
  float m_fEarthRatio;
  float m_fEarthSpeed;
  float m_fSphereRadius; // of the shared sphere and the occluder disc
  // Clouds
  SMatrix m_matClouds;
  float m_fCloudsRatio;
  float m_fCloudsSpeed;
  // Moon
  SMatrix m_matMoon;
  SMatrix m_matMoonFacing;
  SMatrix m_matMoonSun;
  SMatrix m_matMoonSunSmall;
  float m_fMoonRatio;
  float m_fMoonDistance;
  float m_fMoonSpeed;
  float m_fMoonTiltPhase;
  float m_fMoonOrbitAngle;
  // Halo switches
  uint8_t m_bAtmosphere;
  uint8_t m_bEarthDifraction;
  uint8_t m_bMoonDifraction;
  float m_fAtmosphereRatio;
  float m_fEarthDifRatio;
  float m_fMoonDifRatio;
  // Camera
  float m_fMousePitchStep;
  float m_fMouseYawStep;
  int32_t m_iWheelSteps;
  float m_fMousePitch;
  float m_fMouseYaw;
  float m_fCameraDistance;
  float m_fCameraSpeed;
  float m_fCameraYaw;
  float m_fCameraWobble;
  float m_fRollTarget;
  float m_fRollCurrent;
  uint32_t m_dwViewOrientation;
  float m_fSpeedFactor;
  uint8_t m_bAutoRotation;
  // Previous mouse position of a drag (mapped by the orientation); unset at start and
  // after the left button is released.
  int32_t m_iPrevMouseX;
  int32_t m_iPrevMouseY;
  uint8_t m_bHasPrevMouse;
  // Elements (owned)
  CConstellations* m_pConstellations;
  CSunMasking* m_pSunMasking;       // only on a device with the occlusion service
  CStencilShadow* m_pStencilShadow; // only on a device with the shadow-volume service
  CSunSimple* m_pSunSimple;
  CLensFlareSimple* m_pLensFlare;
  // Sun test
  uint8_t m_bSunVisible;
  SVector3 m_avScreen[SP_COUNT];
  float m_fEarthDifIntensity;
  float m_fEarthDifAngle;
  float m_fMoonDifIntensity;
  float m_fMoonDifAngle;
  float m_fSunIntensity;
  // Mode
  uint8_t m_bScreenSaver;
};
