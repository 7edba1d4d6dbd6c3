#pragma once

// The OpenGL state the device's objects, textures and camera set, kept beside the
// driver's as they set it, so that the objects decide what a draw needs from what they
// know, and never read the driver back during a frame.  Every change of the states
// below goes through here; code that changes them behind its back (the device
// services, which push and pop all of it) brackets that with Push and Pop: in between
// nothing is known, afterwards what was known before holds again.

#include "sdk/opengl/gl_headers.h"

#include <cstdint>

class CObjectGL;

// The projection the camera last loaded: a perspective with the view folded in, or the
// pixel-space one.
struct SProjectionGL
{
  bool bOrtho = false;
  float fFov = 0.0f, fAspect = 0.0f, fNear = 0.0f, fFar = 0.0f; // degrees, as gluPerspective takes them
  float afView[16] = {};                                         // the view matrix multiplied in
  uint16_t wWidth = 0, wHeight = 0;                              // of the pixel space
  bool operator==(const SProjectionGL& o) const;
};

// The last draw whose every fragment left its depth in the buffer: the same triangles
// drawn again the same way let no fragment through a less-than test.
struct SDepthWriterGL
{
  const CObjectGL* pObject = nullptr;
  GLuint uList = 0;
  uint64_t qwDraw = 0;        // its number among the device's draws; later draws move on
  bool bWholeSurface = false; // every face drawn, or only a closed far side left out
  bool bCull = false;         // the culling it drew with
  GLenum eCullFace = GL_BACK, eFrontFace = GL_CCW;
  SProjectionGL projection;
  float afModelView[16] = {};
};

class CStateGL
{
public:
  // The capabilities the objects and textures switch.
  enum ECap
  {
    CAP_BLEND,
    CAP_ALPHA_TEST,
    CAP_DEPTH_TEST,
    CAP_STENCIL_TEST,
    CAP_CULL_FACE,
    CAP_FOG,
    CAP_LIGHTING,
    CAP_COLOR_MATERIAL,
    CAP_LIGHT0,
    CAP_LIGHT1,
    CAP_COUNT
  };
  static constexpr uint32_t UNITS = 4;

  // The state of a new context, as OpenGL defines it.
  void Reset();

  // Each setter makes the call and keeps what it set.
  void Enable(GLenum eCap, bool bOn);
  void DepthFunc(GLenum eFunc);
  void DepthMask(bool bWrite);
  void BlendFunc(GLenum eSource, GLenum eDest);
  void CullFace(GLenum eFace);
  void FrontFace(GLenum eWinding);
  void PolygonMode(GLenum eMode); // front and back alike
  // The texture unit later texture calls go to (without the entry point, unit 0 only).
  void ActiveTexture(PFNGLACTIVETEXTUREARBPROC pfnActive, uint32_t dwUnit);
  void Texture2D(bool bOn); // on the active unit
  void TexEnvMode(GLenum eMode);
  void Projection(const SProjectionGL& projection) { m_projection = projection; }
  void Viewport(GLint x, GLint y, GLsizei w, GLsizei h);
  // A fragment program in use decides what its fragments do: nothing is known of them.
  void Program(bool bInUse) { m_bProgram = bInUse; }

  // Raw state changes by others from Push to Pop (nested as deep as need be).
  void Push();
  void Pop();
  // Whether the record holds: outside every Push.
  bool Known() const { return m_iForeign == 0 && !m_bProgram; }

  bool IsOn(ECap e) const { return m_abCap[e]; }
  GLenum GetDepthFunc() const { return m_eDepthFunc; }
  bool GetDepthMask() const { return m_bDepthMask; }
  GLenum GetBlendSource() const { return m_eBlendSource; }
  GLenum GetBlendDest() const { return m_eBlendDest; }
  GLenum GetCullFace() const { return m_eCullFace; }
  GLenum GetFrontFace() const { return m_eFrontFace; }
  GLenum GetPolygonMode() const { return m_ePolygonMode; }
  bool IsTexture2D(uint32_t dwUnit) const { return dwUnit < UNITS && m_abTexture2D[dwUnit]; }
  GLenum GetTexEnvMode(uint32_t dwUnit) const { return dwUnit < UNITS ? m_aeTexEnv[dwUnit] : GL_MODULATE; }
  const SProjectionGL& GetProjection() const { return m_projection; }

  // Draws, counted so that a record of one can tell whether another came after it.
  uint64_t CountDraw() { return ++m_qwDraws; }
  // Parts left out whole because they lay outside the view.
  void CountLeftOut() { ++m_qwLeftOut; }
  uint64_t GetLeftOut() const { return m_qwLeftOut; }
  uint64_t GetDraws() const { return m_qwDraws; }
  // The depth buffer was cleared or written behind the objects' backs.
  void ForgetDepth() { m_writer = SDepthWriterGL{}; }
  SDepthWriterGL& Writer() { return m_writer; }

private:
  static int CapIndex(GLenum eCap);

  bool m_abCap[CAP_COUNT] = {};
  GLenum m_eDepthFunc = GL_LESS;
  bool m_bDepthMask = true;
  GLenum m_eBlendSource = GL_ONE, m_eBlendDest = GL_ZERO;
  GLenum m_eCullFace = GL_BACK, m_eFrontFace = GL_CCW;
  GLenum m_ePolygonMode = GL_FILL;
  uint32_t m_dwActiveUnit = 0;
  bool m_abTexture2D[UNITS] = {};
  GLenum m_aeTexEnv[UNITS] = { GL_MODULATE, GL_MODULATE, GL_MODULATE, GL_MODULATE };
  GLint m_aiViewport[4] = {};
  SProjectionGL m_projection;

  int m_iForeign = 0; // open Pushes
  bool m_bProgram = false;
  static constexpr int SAVED = 4;

  uint64_t m_qwDraws = 0;
  uint64_t m_qwLeftOut = 0;
  SDepthWriterGL m_writer;

  // The record as each open Push found it, by depth (deeper ones only nest: nothing
  // is known inside them anyway).
  struct SSnapshot
  {
    bool abCap[CAP_COUNT];
    GLenum eDepthFunc;
    bool bDepthMask;
    GLenum eBlendSource, eBlendDest, eCullFace, eFrontFace, ePolygonMode;
    uint32_t dwActiveUnit;
    bool abTexture2D[UNITS];
    GLenum aeTexEnv[UNITS];
    GLint aiViewport[4];
    SProjectionGL projection;
  };
  SSnapshot m_aSaved[SAVED] = {};
  SSnapshot Take() const;
  void Restore(const SSnapshot& s);
};
