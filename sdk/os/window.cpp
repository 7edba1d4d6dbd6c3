#include "sdk/os/window.h"

// What a window does the same way on every system.

namespace zos
{

// Named properties live beside the window, not in the system's property list: they
// hold pointers of ours, and a destroyed window answers none.
bool CWindow::SetProp(const char* szName, void* pValue)
{
  if (IsDestroyed() || !szName)
    return false;
  m_mapProps[szName] = pValue;
  return true;
}

void* CWindow::GetProp(const char* szName) const
{
  if (IsDestroyed() || !szName)
    return nullptr;
  auto it = m_mapProps.find(szName);
  return it == m_mapProps.end() ? nullptr : it->second;
}

void* CWindow::RemoveProp(const char* szName)
{
  if (IsDestroyed() || !szName)
    return nullptr;
  auto it = m_mapProps.find(szName);
  if (it == m_mapProps.end())
    return nullptr;
  void* p = it->second;
  m_mapProps.erase(it);
  return p;
}

} // namespace zos
