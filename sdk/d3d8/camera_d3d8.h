#pragma once

#include "sdk/core/camera.h"

// The Direct3D 8 camera: the record's projection and view become the device's
// projection and view transforms; each object sets only its own world transform.
class CCameraD3D8 : public CCamera
{
public:
  ZRESULT ApplyPerspective() override; // 4
  ZRESULT ApplyOrtho() override;       // 5
  ZRESULT ResetModelView() override;   // 8
  ZRESULT Resize() override;           // 9
};
