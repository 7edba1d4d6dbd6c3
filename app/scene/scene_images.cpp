#include "app/scene/scene_images.h"

#include "sdk/core/engine_settings.h"
#include "sdk/core/settings_store.h"

#include <strings.h>

#include <cstring>

const SEmbeddedFile* FindSceneImage(const char* pszName)
{
  if (!pszName)
    return nullptr;
  unsigned uCount = 0;
  const SEmbeddedFile* pImages = GetEmbeddedImages(&uCount);
  for (unsigned i = 0; i < uCount; ++i)
  {
    // A request shorter than the entry name compares its terminating zero and fails.
    const char* pszEntry = pImages[i].name;
    if (strncasecmp(pszName, pszEntry, std::strlen(pszEntry)) == 0)
      return &pImages[i];
  }
  return nullptr;
}

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

const SEmbeddedFile* ReadImageName(SEngineSettings* pSettings, const char* pszSection,
                                   const char* pszKey, const char* pszDefault)
{
  ReadSceneString(pSettings, pszSection, pszKey, pszDefault, pSettings->szName,
                  sizeof(pSettings->szName));
  pSettings->pLastImage = FindSceneImage(pSettings->szName);
  return pSettings->pLastImage;
}
