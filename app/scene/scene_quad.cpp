#include "app/scene/scene_quad.h"

#include "sdk/core/3d_object.h"

ZRESULT BuildSceneQuad(C3DObject* pObject, float a, float b, uint32_t dwColor)
{
  ZRESULT r = pObject->SetupGeometry(1, 4, 4);
  if (ZP_FAILED(r))
    return ZP_FAIL;
  pObject->LockIndices();
  pObject->SetSequentialIndices();
  pObject->SetVertex(0, +a, -a, 0.0f, dwColor, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0);
  pObject->SetVertex(1, -a, -a, 0.0f, dwColor, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0);
  pObject->SetVertex(2, +a, +b, 0.0f, dwColor, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0);
  pObject->SetVertex(3, -a, +b, 0.0f, dwColor, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0);
  pObject->SetPart(0, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_NONE, -1);
  pObject->Commit();
  return ZP_OK;
}
