#pragma once

#include "sdk/core/camera.h"

// The OpenGL camera: the view is folded into the projection matrix, so that each
// object loads only its own world matrix as model-view.
class CCameraGL : public CCamera
{
public:
  ZRESULT ApplyPerspective() override;   // 4
  ZRESULT ApplyOrtho() override;         // 5
  ZRESULT ApplyGamma() override;         // 6: no gamma on this platform
  ZRESULT Refresh() override;            // 7
  ZRESULT ResetModelView() override;     // 8
  ZRESULT Resize() override;             // 9
};
