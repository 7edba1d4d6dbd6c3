#include "sdk/core/device_services.h"

#include "sdk/core/3d_object.h"

void DrawOccluders(const SOccluder* pOccluders, uint32_t dwCount)
{
  for (uint32_t i = 0; pOccluders && i < dwCount; ++i)
  {
    C3DObject* pObject = pOccluders[i].pObject;
    if (!pObject || !pOccluders[i].pMatrix)
      continue;
    SMatrix* pKept = pObject->GetWorldMatrix();
    pObject->SetWorldMatrix(pOccluders[i].pMatrix);
    pObject->DrawGeometry(ALL_PARTS);
    pObject->SetWorldMatrix(pKept);
  }
}
