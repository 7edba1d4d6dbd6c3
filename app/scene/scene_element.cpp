#include "app/scene/scene_element.h"

#include "sdk/core/engine_settings.h"

CWorldBase* CSceneElement::App() const { return m_pSettings ? m_pSettings->pApplication : nullptr; }
