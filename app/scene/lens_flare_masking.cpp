#include "app/scene/lens_flare_masking.h"

#include "sdk/core/device_services.h"

void CLensFlareMasking::Draw()
{
  if (!m_pModulation)
    return;
  Place();
  const SAdditiveDraw how = { 16, false, true, true };
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
    if (C3DObject* pObject = GetFlare(i).pObject)
      m_pModulation->DrawAdditive(pObject, how);
}
