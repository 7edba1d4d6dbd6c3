#pragma once

// The OpenGL device's platform block.  The engine settings record points at it from
// Create until Destroy, so that textures, shaders and objects, which only hold the
// record, reach the context and the extension entry points.

#include "sdk/opengl/gl_headers.h"

class CCamera;
class CStateGL;
namespace zos
{
class CWindow;
}
struct SEngineSettings;

struct SPlatformGL
{
  zos::CWindow* hWnd; // the window given to Create
  // The context's system handles, opaque (gl_context.h says what each system puts
  // there).  hRC is null whenever no context exists.
  void* hDC;      // the window's drawing connection
  void* hRC;      // the rendering context
  void* hPalette; // the logical palette; null unless the pixel format needs one

  // Extension entry points, null when the extension is missing.  Every user checks
  // before each call.
  PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
  PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
  PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB;
  PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB;
  PFNGLDELETEOBJECTARBPROC glDeleteObjectARB;
  PFNGLSHADERSOURCEARBPROC glShaderSourceARB;
  PFNGLCOMPILESHADERARBPROC glCompileShaderARB;
  PFNGLATTACHOBJECTARBPROC glAttachObjectARB;
  PFNGLDETACHOBJECTARBPROC glDetachObjectARB;
  PFNGLLINKPROGRAMARBPROC glLinkProgramARB;
  PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB;
  PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB;
  PFNGLUNIFORM1IARBPROC glUniform1iARB;
  // Frame-buffer objects (core or EXT_framebuffer_object, the same calls), all or none:
  // the sun's occlusion is measured in one.
  PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT;
  PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT;
  PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT;
  PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT;
  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT;
  PFNGLGENERATEMIPMAPEXTPROC glGenerateMipmapEXT;

  // The device's camera, for the objects' projections.
  CCamera* pCamera;
  // The device's record of the state it set (state_gl.h).
  CStateGL* pState;
};

// The block published in the record, or null when no OpenGL device runs.
SPlatformGL* GetPlatformGL(const SEngineSettings* pSettings);
