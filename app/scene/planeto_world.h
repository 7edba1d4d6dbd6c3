#pragma once

#include "app/scene/frame_rate_line.h"
#include "app/scene/earth_now.h"
#include "app/scene/orbit_camera.h"
#include "app/scene/planeto_bodies.h"
#include "app/scene/planeto_settings.h"
#include "app/scene/sun_test.h"
#include "app/scene/texture_table.h"
#include "sdk/core/3d_math.h"
#include "sdk/core/world_base.h"

#include <cstdint>

class C3DObject;
class CConstellations;
class CFont;
class CLensFlareSimple;
class CStencilShadow;
class CSunMasking;
class CSunSimple;
class CTextOverlay;
class CUserMaps;

// Render flags of the world's objects (all of kind 0xC03).
constexpr uint32_t WORLD_SPHERE_RENDER_FLAGS = 0x19C3F;
constexpr uint32_t WORLD_ATMOSPHERE_RENDER_FLAGS = 0x18C2B;
constexpr uint32_t WORLD_DIFRACTION_RENDER_FLAGS = 0x20C29;
constexpr uint32_t WORLD_OCCLUDER_RENDER_FLAGS = 0x18C3F;
constexpr uint32_t WORLD_SKYBOX_RENDER_FLAGS = 0xC21;

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
// seen by a camera that turns slowly around the Earth.  Its parts: the settings it
// read, the camera, the bodies, the sun test and the textures; the world makes the
// objects and the elements and runs the frame in its fixed order.
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
  // The Earth now (--time, --view, --clock) and the user's maps, before Load.
  void SetEarthNow(const SEarthNowOptions& options) { m_earthNow.Configure(options); }
  void SetUserMaps(CUserMaps* pMaps) { m_pMaps = pMaps; }
  // -fps: the frame-rate line in the top-left corner, before Load.  The software
  // platform has its own line and gets none.
  void SetFrameRateLine(bool bShow) { m_bFrameRateLine = bShow; }
  bool IsScreenSaver() const { return m_bScreenSaver != 0; }

  // The parts, for the shell and the tests.
  const SPlanetoSettings& GetSceneSettings() const { return m_scene; }
  const COrbitCamera& Camera() const { return m_camera; }
  const CPlanetoBodies& Bodies() const { return m_bodies; }
  const CSunTest& SunTest() const { return m_sunTest; }
  const CTextureTable& Textures() const { return m_textures; }
  const CEarthNow& EarthNow() const { return m_earthNow; }
  CTextOverlay* GetClockOverlay() const { return m_pClock; }
  CTextOverlay* GetFrameRateOverlay() const { return m_pFrameRate; }
  // Scene units in one Earth radius.
  float UnitsPerEarthRadius() const { return m_scene.fSphereRadius * m_scene.fEarthRatio; }

  CFont* GetFont() const { return m_pFont; }
  C3DObject* GetSphere() const { return m_pSphere; }
  C3DObject* GetAtmosphere() const { return m_pAtmosphere; }
  C3DObject* GetDifractionQuad() const { return m_pDifraction; }
  C3DObject* GetOccluder() const { return m_pOccluder; }
  C3DObject* GetSkybox() const { return m_pSkybox; }
  CConstellations* GetConstellations() const { return m_pConstellations; }
  CSunMasking* GetSunMasking() const { return m_pSunMasking; }
  CStencilShadow* GetStencilShadow() const { return m_pStencilShadow; }
  CSunSimple* GetSunSimple() const { return m_pSunSimple; }
  CLensFlareSimple* GetLensFlare() const { return m_pLensFlare; }

protected:
  // The sun test of the frame, with the Sun and the Moon where they stand now.
  void RunSunTest(const SVector3& vSun, const SVector3& vMoon);

private:
  ZRESULT LoadFont();
  ZRESULT LoadObjects();
  ZRESULT LoadSkybox();
  ZRESULT LoadElements();
  // The bodies' motion and the elements' updates between it and the sun-facing matrices.
  void UpdateBodies(float fStep, const SVector3& vCamera, const SVector3& vSun);
  // The Earth now: the user's maps, the far plane for the true Moon and the viewpoint,
  // the clock; each frame the bodies and the stars where the clock puts them.
  ZRESULT LoadUserMaps();
  void FitFarPlane();
  void PlaceRealBodies(double dRealSeconds);
  void PickUpFreshClouds();
  // A text overlay in the built-in font, or none (logged) when it cannot be loaded.
  CTextOverlay* LoadOverlay();
  // The difraction quad facing the camera at a planet, turned to the sun's side.
  void DrawDifraction(const SVector3& vAt, const SVector3& vCamera, float fRatio, float fAngle,
                      CTexture* pTexture);

  SPlanetoSettings m_scene;
  COrbitCamera m_camera;
  CPlanetoBodies m_bodies;
  CSunTest m_sunTest;
  CTextureTable m_textures;
  CEarthNow m_earthNow;
  CUserMaps* m_pMaps;     // not owned
  CTextOverlay* m_pClock; // with --clock in the real-time mode
  CTextOverlay* m_pFrameRate = nullptr; // with -fps
  CFrameRateLine m_frameRateLine;
  bool m_bFrameRateLine = false;
  int m_iSkyStatus = 0;   // the ephemeris' last answer, logged when it changes
  // Font
  CFont* m_pFont;
  // Objects
  C3DObject* m_pSphere;
  C3DObject* m_pAtmosphere;
  C3DObject* m_pDifraction;
  C3DObject* m_pOccluder;
  C3DObject* m_pSkybox;
  // Elements (owned)
  CConstellations* m_pConstellations;
  CSunMasking* m_pSunMasking;       // only on a device with the occlusion service
  CStencilShadow* m_pStencilShadow; // only on a device with the shadow-volume service
  CSunSimple* m_pSunSimple;
  CLensFlareSimple* m_pLensFlare;
  // Mode
  uint8_t m_bScreenSaver;
};
