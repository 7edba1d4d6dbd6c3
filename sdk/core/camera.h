#pragma once

#include "sdk/core/result.h"

struct SEngineSettings;

// The device's camera and projection object.  Each platform derives its own; the base
// keeps the record's view and projection matrices up to date.
class CCamera
{
public:
  CCamera();
  virtual ~CCamera(); // 0

  virtual ZRESULT Attach(SEngineSettings* pSettings); // 1: store the record
  virtual ZRESULT Release();                          // 2: no operation
  // 3: view matrix = camera matrix, inverted in place.
  virtual ZRESULT UpdateView();
  // 4: platform projection = record's projection combined with its view matrix.
  virtual ZRESULT ApplyPerspective();
  // 5: pixel-space projection, origin top-left, y downwards.
  virtual ZRESULT ApplyOrtho();
  // 6: gamma correction (called by Load when GAMMA_CORRECTION_ENABLE is set).
  virtual ZRESULT ApplyGamma();
  // 7: no operation in the base; Load calls it after the gamma step.
  virtual ZRESULT Refresh();
  // 8: model-view transform = identity (no operation in the base).
  virtual ZRESULT ResetModelView();
  // 9: aspect ratio = width / height; projection = perspective of VIEW_DEG_FIELD,
  // VIEW_NEAR_DISTANCE and VIEW_FAR_DISTANCE.  Platforms add their own set-up after it.
  virtual ZRESULT Resize();

  SEngineSettings* GetSettings() const { return m_pSettings; }

protected:
  SEngineSettings* m_pSettings;
};
