#pragma once

#include "sdk/core/result.h"

struct SEngineSettings;
class CWorldBase;

// Base of the scene's elements (sun, lens flares, stars, shadows).  Construction only
// stores the engine settings record; Load acquires, Unload releases, and Unload may run
// on a half-loaded element.  The base operations do nothing and succeed.
class CSceneElement
{
public:
  explicit CSceneElement(SEngineSettings* pSettings) : m_pSettings(pSettings) {}
  virtual ~CSceneElement() {} // 0

  virtual ZRESULT Load() { return ZP_OK; }   // 1
  virtual ZRESULT Unload() { return ZP_OK; } // 2
  virtual void Update() {}                   // 3
  virtual void Draw() {}                     // 4

  SEngineSettings* GetSettings() const { return m_pSettings; }

protected:
  // The application, reached through the record's back pointer: its wrappers create
  // and destroy the device's objects and textures.
  CWorldBase* App() const;

  SEngineSettings* m_pSettings;
};
