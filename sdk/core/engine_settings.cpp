#include "sdk/core/engine_settings.h"

#include "sdk/core/settings_store.h"

#include <cstdio>
#include <cstring>

namespace
{

#define ES_OFF(field) offsetof(SEngineSettings, field)

typedef SEngineSettingDef D;

// Table order is read order.  Defaults are the code's; the built-in text usually
// gives other values, and the text's value is what runs.
const SEngineSettingDef s_aDefs[] = {
  { "FOG", "FOG_ENABLE", D::SWITCH, 1.0f, {}, ES_OFF(swFog) },
  { "FOG", "FOG_START", D::FLOAT, 1000.0f, {}, ES_OFF(fFogStart) },
  { "FOG", "FOG_END", D::FLOAT, 2000.0f, {}, ES_OFF(fFogEnd) },
  { "FOG", "FOG_DENSITY", D::FLOAT, 1.0f, {}, ES_OFF(fFogDensity) },
  { "FOG", "FOG_COLOR", D::COLOR, 0.0f, { 255, 212, 221, 238 }, ES_OFF(dwFogColor) },

  { "CAMERA", "VIEW_DEG_FIELD", D::FLOAT, 45.0f, {}, ES_OFF(fFov) },
  { "CAMERA", "VIEW_NEAR_DISTANCE", D::FLOAT, 1.0f, {}, ES_OFF(fNear) },
  { "CAMERA", "VIEW_FAR_DISTANCE", D::FLOAT, 50000.0f, {}, ES_OFF(fFar) },

  { "LIGHT", "LIGHT_1_ENABLE", D::SWITCH, 1.0f, {}, ES_OFF(light1.swEnable) },
  { "LIGHT", "LIGHT_1_TYPE", D::INT, 1.0f, {}, ES_OFF(light1.iType) },
  { "LIGHT", "LIGHT_1_POS_X", D::FLOAT, -10000.0f, {}, ES_OFF(light1.vPosition.x) },
  { "LIGHT", "LIGHT_1_POS_Y", D::FLOAT, 8000.0f, {}, ES_OFF(light1.vPosition.y) },
  { "LIGHT", "LIGHT_1_POS_Z", D::FLOAT, -10000.0f, {}, ES_OFF(light1.vPosition.z) },
  { "LIGHT", "LIGHT_1_DIFFUSE", D::FLOAT, 1.0f, {}, ES_OFF(light1.fDiffuse) },
  { "LIGHT", "LIGHT_1_SPECULAR", D::FLOAT, 0.6f, {}, ES_OFF(light1.fSpecular) },
  { "LIGHT", "LIGHT_1_AMBIENT", D::FLOAT, 0.3f, {}, ES_OFF(light1.fAmbient) },
  { "LIGHT", "MATERIAL_1_DIFFUSE", D::FLOAT, 1.0f, {}, ES_OFF(light1.fMaterialDiffuse) },
  { "LIGHT", "MATERIAL_1_SPECULAR", D::FLOAT, 1.0f, {}, ES_OFF(light1.fMaterialSpecular) },
  { "LIGHT", "MATERIAL_1_AMBIENT", D::FLOAT, 1.0f, {}, ES_OFF(light1.fMaterialAmbient) },

  { "LIGHT", "LIGHT_2_ENABLE", D::SWITCH, 1.0f, {}, ES_OFF(light2.swEnable) },
  { "LIGHT", "LIGHT_2_TYPE", D::INT, 1.0f, {}, ES_OFF(light2.iType) },
  { "LIGHT", "LIGHT_2_POS_X", D::FLOAT, -10000.0f, {}, ES_OFF(light2.vPosition.x) },
  { "LIGHT", "LIGHT_2_POS_Y", D::FLOAT, 8000.0f, {}, ES_OFF(light2.vPosition.y) },
  { "LIGHT", "LIGHT_2_POS_Z", D::FLOAT, -10000.0f, {}, ES_OFF(light2.vPosition.z) },
  { "LIGHT", "LIGHT_2_DIFFUSE", D::FLOAT, 1.0f, {}, ES_OFF(light2.fDiffuse) },
  { "LIGHT", "LIGHT_2_SPECULAR", D::FLOAT, 0.6f, {}, ES_OFF(light2.fSpecular) },
  { "LIGHT", "LIGHT_2_AMBIENT", D::FLOAT, 0.3f, {}, ES_OFF(light2.fAmbient) },
  { "LIGHT", "MATERIAL_2_DIFFUSE", D::FLOAT, 1.0f, {}, ES_OFF(light2.fMaterialDiffuse) },
  { "LIGHT", "MATERIAL_2_SPECULAR", D::FLOAT, 1.0f, {}, ES_OFF(light2.fMaterialSpecular) },
  { "LIGHT", "MATERIAL_2_AMBIENT", D::FLOAT, 1.0f, {}, ES_OFF(light2.fMaterialAmbient) },

  { "LIGHT", "LIGHTING_ENABLE", D::SWITCH, 1.0f, {}, ES_OFF(swLighting) },
  { "LIGHT", "COLOR_CLEAR", D::COLOR, 0.0f, { 150, 150, 150, 150 }, ES_OFF(dwClearColor) },
  { "LIGHT", "AMBIENT_COLOR", D::COLOR, 0.0f, { 150, 150, 150, 150 }, ES_OFF(dwAmbientColor) },
  { "LIGHT", "SPECULAR_ENABLE", D::SWITCH, 1.0f, {}, ES_OFF(swSpecular) },
  { "LIGHT", "ALPHA_ENABLE", D::SWITCH, 1.0f, {}, ES_OFF(swAlpha) },

  { "WIREFRAME", "RENDER_WIREFRAME_ENABLE", D::BOOL, 0.0f, {}, ES_OFF(bWireframe) },
  { "WIREFRAME", "WIREFRAME_COLOR", D::COLOR, 0.0f, { 0, 0, 150, 0 }, ES_OFF(dwWireframeColor) },

  { "TEXT", "TEXT_ENABLE", D::BOOL, 0.0f, {}, ES_OFF(bText) },
  { "TEXT", "COLOR_TEXT", D::COLOR, 0.0f, { 0, 0, 255, 255 }, ES_OFF(dwTextColor) },

  { "GAMMA_CORRECTION", "GAMMA_INITIAL", D::INT, 128.0f, {}, ES_OFF(iGammaInitial) },
  { "GAMMA_CORRECTION", "GAMMA_CORRECT_RED", D::INT, 0.0f, {}, ES_OFF(iGammaRed) },
  { "GAMMA_CORRECTION", "GAMMA_CORRECT_GREEN", D::INT, 0.0f, {}, ES_OFF(iGammaGreen) },
  { "GAMMA_CORRECTION", "GAMMA_CORRECT_BLUE", D::INT, 0.0f, {}, ES_OFF(iGammaBlue) },

  { "POINT_SPRITE", "MIN_SIZE", D::FLOAT, 0.0f, {}, ES_OFF(fPointSpriteMin) },
  { "POINT_SPRITE", "MAX_SIZE", D::FLOAT, 100.0f, {}, ES_OFF(fPointSpriteMax) },

  { "STENCIL_SHADOW", "STENCIL_SHADOW", D::SWITCH, 1.0f, {}, ES_OFF(swStencilShadow) },
  { "GAMMA_CORRECTION", "GAMMA_CORRECTION_ENABLE", D::BOOL, 0.0f, {}, ES_OFF(bGammaCorrection) },
};

#undef ES_OFF

} // namespace

const SEngineSettingDef* GetEngineSettingDefs(uint32_t* pCount)
{
  if (pCount)
    *pCount = sizeof(s_aDefs) / sizeof(s_aDefs[0]);
  return s_aDefs;
}

void ReadEngineSettings(SEngineSettings* pSettings, CSettingsStore* pStore)
{
  if (!pSettings)
    return;
  CSettingsStore base; // answers every Get with its default
  CSettingsStore* pFrom = pStore ? pStore : &base;
  uint8_t* pRecord = reinterpret_cast<uint8_t*>(pSettings);

  for (const SEngineSettingDef& d : s_aDefs)
  {
    void* pField = pRecord + d.uOffset;
    switch (d.eType)
    {
      case SEngineSettingDef::SWITCH:
        static_cast<SEngineSwitch*>(pField)->Set(pFrom->GetBool(d.szSection, d.szKey, d.fDefault != 0.0f));
        break;
      case SEngineSettingDef::BOOL:
        *static_cast<uint8_t*>(pField) = pFrom->GetBool(d.szSection, d.szKey, d.fDefault != 0.0f) ? 1 : 0;
        break;
      case SEngineSettingDef::INT:
        *static_cast<int32_t*>(pField) =
            pFrom->GetInt(d.szSection, d.szKey, static_cast<int32_t>(d.fDefault));
        break;
      case SEngineSettingDef::FLOAT:
        *static_cast<float*>(pField) = pFrom->GetFloat(d.szSection, d.szKey, d.fDefault);
        break;
      case SEngineSettingDef::COLOR:
      {
        static const char* const s_aszSuffix[4] = { "_A", "_R", "_G", "_B" };
        int32_t ai[4];
        for (int i = 0; i < 4; ++i)
        {
          char szKey[64];
          snprintf(szKey, sizeof(szKey), "%s%s", d.szKey, s_aszSuffix[i]);
          ai[i] = pFrom->GetInt(d.szSection, szKey, d.aiColor[i]);
        }
        *static_cast<uint32_t*>(pField) = PackColor(ai[0], ai[1], ai[2], ai[3]);
        break;
      }
    }
  }

  pSettings->adwFixed[0] = 1;
  pSettings->adwFixed[1] = 0;
  pSettings->adwFixed[2] = 1;
  pSettings->swDepth.Set(true);
  pSettings->swExtra.Set(true);
}
