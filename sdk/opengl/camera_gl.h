#pragma once

#include "sdk/core/camera.h"

// The OpenGL camera: the view is folded into the projection matrix, so that each
// object loads only its own world matrix as model-view.  Gamma (slot 6) and Refresh
// (slot 7) keep the base's no-operations: there is no gamma correction on OpenGL.
class CCameraGL : public CCamera
{
public:
  ZRESULT ApplyPerspective() override; // 4
  ZRESULT ApplyOrtho() override;       // 5
  ZRESULT ResetModelView() override;   // 8
  ZRESULT Resize() override;           // 9
};
