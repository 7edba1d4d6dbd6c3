#pragma once

#include "sdk/core/3d_math.h"
#include "sdk/core/result.h"

struct SEngineSettings;

// A view seen in place of the record's for a while (a device service measuring through
// the camera): its view matrix, the projection matrix for the platforms that load one,
// and that perspective's parameters for those that build it (the field in degrees).
struct SCameraView
{
  SMatrix matView;
  SMatrix matProjection;
  float fFov, fAspect, fNear, fFar;
};

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

  // Not slots: while a view is set the perspective projection shows it, in place of the
  // record's view and projection; null gives the record's back.
  void SetView(const SCameraView* pView) { m_pView = pView; }
  const SCameraView* GetView() const { return m_pView; }

protected:
  SEngineSettings* m_pSettings;
  const SCameraView* m_pView = nullptr;
};
