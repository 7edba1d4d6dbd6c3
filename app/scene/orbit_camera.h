#pragma once

// The camera that circles the Earth: it turns on its own about the Earth (yaw and a
// slow wobble), follows mouse drags, the wheel and the arrow keys' roll, and keeps the
// scene's speed factor that the keypad changes.  Each frame it builds the record's
// camera matrix from identity.

#include "sdk/core/3d_math.h"
#include "sdk/core/result.h"
#include "sdk/os/messages.h"

#include <cstdint>

class C3DMath;
struct SPlanetoSettings;

// The view orientations the arrow keys choose (0 is the start, the same as up).
enum EViewOrientation
{
  VIEW_START = 0,
  VIEW_UP = 1,
  VIEW_DOWN = 2,
  VIEW_RIGHT = 3,
  VIEW_LEFT = 4
};

class COrbitCamera
{
public:
  // The speeds from the settings, and the start of the yaw and the wobble.
  void Load(const SPlanetoSettings& settings, float fYaw, float fWobble);

  // Keys, mouse and wheel.  Negative asks the program to quit: Escape, and in a screen
  // saver any key, button, wheel or a move along both axes.  The drag is measured in
  // parts of the viewport's width and height.
  ZRESULT HandleMessage(const zos::SMessage* pMsg, bool bScreenSaver, uint16_t wViewWidth, uint16_t wViewHeight);

  // The frame's camera matrix from the pending input and the step, the automatic turn
  // facing a 28th of the way to the sun (sun offset given).
  void Update(float fStep, C3DMath* pMath, SMatrix* pCamera, const SVector3& vSunOffset);

  float GetSpeedFactor() const { return m_fSpeedFactor; }
  bool IsAutoRotation() const { return m_bAutoRotation != 0; }
  uint32_t GetViewOrientation() const { return m_dwViewOrientation; }
  float GetRollTarget() const { return m_fRollTarget; }
  float GetRollCurrent() const { return m_fRollCurrent; }
  float GetMousePitchStep() const { return m_fMousePitchStep; }
  float GetMouseYawStep() const { return m_fMouseYawStep; }
  float GetMousePitch() const { return m_fMousePitch; }
  float GetMouseYaw() const { return m_fMouseYaw; }
  int32_t GetWheelSteps() const { return m_iWheelSteps; }
  float GetDistance() const { return m_fDistance; }
  float GetYaw() const { return m_fYaw; }
  float GetWobble() const { return m_fWobble; }
  float GetSpeed() const { return m_fSpeed; }

private:
  void SetRollTarget(uint32_t dwOrientation, float fTarget);
  ZRESULT HandleMouseMove(const zos::SMessage* pMsg, bool bScreenSaver, uint16_t wViewWidth,
                          uint16_t wViewHeight);

  // Pending input
  float m_fMousePitchStep = 0.0f;
  float m_fMouseYawStep = 0.0f;
  int32_t m_iWheelSteps = 0;
  // Accumulated
  float m_fMousePitch = 0.0f;
  float m_fMouseYaw = 0.0f;
  float m_fDistance = -1000.0f;
  float m_fSpeed = 0.0f;
  float m_fYaw = 0.0f;
  float m_fWobble = 0.0f;
  float m_fRollTarget = 0.0f;
  float m_fRollCurrent = 0.0f;
  uint32_t m_dwViewOrientation = VIEW_START;
  float m_fSpeedFactor = 0.0f;
  uint8_t m_bAutoRotation = 1;
  // Previous mouse position of a drag (mapped by the orientation); unset at start and
  // after the left button is released.
  int32_t m_iPrevMouseX = -1;
  int32_t m_iPrevMouseY = -1;
  uint8_t m_bHasPrevMouse = 0;
};
