#include "app/scene/orbit_camera.h"

#include "app/scene/planeto_settings.h"
#include "sdk/core/3d_math.h"

#include <cmath>

using namespace zos;

namespace
{
constexpr float PI = 3.1415927f;
constexpr float HALF_PI = 1.5707964f;
constexpr float TWO_PI = 6.2831855f;
} // namespace

void COrbitCamera::Load(const SPlanetoSettings& settings, float fYaw, float fWobble)
{
  m_fSpeedFactor = settings.fSpeedFactor;
  m_fSpeed = settings.fCameraSpeed;
  m_fYaw = fYaw;
  m_fWobble = fWobble;
}

void COrbitCamera::SetRollTarget(uint32_t dwOrientation, float fTarget)
{
  m_dwViewOrientation = dwOrientation;
  m_fRollTarget = fTarget;
  // Whole turns bring the current roll within half a turn of the target, so the roll
  // always takes the short way round.
  while (m_fRollCurrent - m_fRollTarget > PI)
    m_fRollCurrent -= TWO_PI;
  while (m_fRollTarget - m_fRollCurrent > PI)
    m_fRollCurrent += TWO_PI;
}

ZRESULT COrbitCamera::HandleMouseMove(const SMessage* pMsg, bool bScreenSaver, uint16_t wViewWidth,
                                      uint16_t wViewHeight)
{
  int32_t x = GET_X_LPARAM(pMsg->lParam);
  int32_t y = GET_Y_LPARAM(pMsg->lParam);
  switch (m_dwViewOrientation)
  {
    case VIEW_DOWN:
    {
      const int32_t nx = -x, ny = -y;
      x = nx;
      y = ny;
      break;
    }
    case VIEW_RIGHT:
    {
      const int32_t nx = y, ny = -x;
      x = nx;
      y = ny;
      break;
    }
    case VIEW_LEFT:
    {
      const int32_t nx = -y, ny = x;
      x = nx;
      y = ny;
      break;
    }
    default: break;
  }

  if (bScreenSaver)
  {
    // A screen saver ignores the small jitter of a mouse that moves along one axis only.
    if (m_bHasPrevMouse && x != m_iPrevMouseX && y != m_iPrevMouseY)
      return ZP_FAIL;
    m_iPrevMouseX = x;
    m_iPrevMouseY = y;
    m_bHasPrevMouse = 1;
    return ZP_OK;
  }

  if (pMsg->wParam != MK_LBUTTON)
    return ZP_OK;
  if (m_bHasPrevMouse)
  {
    if (wViewHeight)
      m_fMousePitchStep += static_cast<float>(y - m_iPrevMouseY) / wViewHeight;
    if (wViewWidth)
      m_fMouseYawStep += static_cast<float>(x - m_iPrevMouseX) / wViewWidth;
  }
  m_iPrevMouseX = x;
  m_iPrevMouseY = y;
  m_bHasPrevMouse = 1;
  return ZP_OK;
}

ZRESULT COrbitCamera::HandleMessage(const SMessage* pMsg, bool bScreenSaver, uint16_t wViewWidth,
                                    uint16_t wViewHeight)
{
  switch (pMsg->message)
  {
    case WM_KEYDOWN:
      if (pMsg->wParam == VK_ESCAPE || bScreenSaver)
        return ZP_FAIL;
      switch (pMsg->wParam)
      {
        case VK_UP: SetRollTarget(VIEW_UP, 0.0f); break;
        case VK_RIGHT: SetRollTarget(VIEW_RIGHT, HALF_PI); break;
        case VK_DOWN: SetRollTarget(VIEW_DOWN, PI); break;
        case VK_LEFT: SetRollTarget(VIEW_LEFT, -HALF_PI); break;
        case VK_MULTIPLY: m_fSpeedFactor = 0.0006f; break;
        case VK_ADD: m_fSpeedFactor += 0.001f; break;
        case VK_SUBTRACT: m_fSpeedFactor -= 0.001f; break;
        case VK_DIVIDE: m_fSpeedFactor = 0.0f; break;
        default: break;
      }
      return ZP_OK;

    case WM_MOUSEMOVE: return HandleMouseMove(pMsg, bScreenSaver, wViewWidth, wViewHeight);

    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: return bScreenSaver ? ZP_FAIL : ZP_OK;

    case WM_LBUTTONUP:
      m_bHasPrevMouse = 0;
      m_iPrevMouseX = m_iPrevMouseY = -1;
      return ZP_OK;

    case WM_RBUTTONUP: m_bAutoRotation = m_bAutoRotation ? 0 : 1; return ZP_OK;

    case WM_MOUSEWHEEL:
      if (bScreenSaver)
        return ZP_FAIL;
      m_iWheelSteps += GET_WHEEL_DELTA_WPARAM(pMsg->wParam) < 1 ? -1 : 1;
      return ZP_OK;

    default: return ZP_OK;
  }
}

void COrbitCamera::Update(float fStep, C3DMath* pMath, SMatrix* pCamera, const SVector3& vSunOffset)
{
  pMath->Identity(pCamera);

  if (m_bAutoRotation)
  {
    m_fYaw += fStep * m_fSpeed;
    pMath->RotateY(pCamera, m_fYaw);
    m_fWobble += fStep * m_fSpeed;
    pMath->RotateZ(pCamera, std::sin(m_fWobble) * 0.2f);
  }

  m_fDistance += static_cast<float>(m_iWheelSteps) * 50.0f;
  m_fMousePitch += m_fMousePitchStep;
  m_fMouseYaw += m_fMouseYawStep;
  m_iWheelSteps = 0;
  m_fMousePitchStep = 0.0f;
  m_fMouseYawStep = 0.0f;

  pMath->RotateY(pCamera, -HALF_PI);
  pMath->RotateY(pCamera, m_fMouseYaw);
  pMath->RotateX(pCamera, m_fMousePitch);
  pMath->TranslateZ(pCamera, m_fDistance);

  if (m_bAutoRotation)
  {
    const SVector3 vTarget = { vSunOffset.x * 0.035714287f, vSunOffset.y * 0.035714287f,
                               vSunOffset.z * 0.035714287f };
    pMath->LookAt(pCamera, &vTarget);
  }

  const float fRollStep = fStep * 100.0f;
  if (m_fRollCurrent > m_fRollTarget)
  {
    m_fRollCurrent -= fRollStep;
    if (m_fRollCurrent < m_fRollTarget)
      m_fRollCurrent = m_fRollTarget;
  }
  else if (m_fRollCurrent < m_fRollTarget)
  {
    m_fRollCurrent += fRollStep;
    if (m_fRollCurrent > m_fRollTarget)
      m_fRollCurrent = m_fRollTarget;
  }
  pMath->RotateZ(pCamera, m_fRollCurrent);
}
