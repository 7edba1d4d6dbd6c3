#include "app/scene/scene_images.h"

#include "sdk/core/engine_settings.h"
#include "sdk/core/settings_store.h"

#include <cstring>

void ReadSceneString(SEngineSettings* pSettings, const char* pszSection, const char* pszKey,
                     const char* pszDefault, char* pszOut, unsigned uSize)
{
  if (!pszOut || uSize == 0)
    return;
  std::strncpy(pszOut, pszDefault ? pszDefault : "", uSize - 1);
  pszOut[uSize - 1] = 0;
  if (pSettings && pSettings->pAppliStore)
    pSettings->pAppliStore->GetString(pszSection, pszKey, pszDefault, pszOut, uSize);
}

const SEmbeddedFile* ReadImageName(SEngineSettings* pSettings, const char* pszSection, const char* pszKey,
                                   const char* pszDefault)
{
  ReadSceneString(pSettings, pszSection, pszKey, pszDefault, pSettings->szName, sizeof(pSettings->szName));
  pSettings->pLastImage = FindBuiltInImage(pSettings->szName);
  return pSettings->pLastImage;
}
