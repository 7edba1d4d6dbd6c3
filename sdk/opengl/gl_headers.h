#pragma once

// The OpenGL headers, for code that must not see <windows.h>.  On Windows <GL/gl.h>
// and <GL/glu.h> expect the calling-convention and import macros that <windows.h>
// defines (and include it when they are missing); they are supplied here for the
// length of the includes and taken back afterwards, so that a later <windows.h>
// defines them its own way without a clash.  Elsewhere this is the plain includes.

#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#define ZP_GL_DEFINED_APIENTRY
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#define ZP_GL_DEFINED_WINGDIAPI
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#define ZP_GL_DEFINED_CALLBACK
#endif
#endif

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#ifdef ZP_GL_DEFINED_APIENTRY
#undef APIENTRY
#undef ZP_GL_DEFINED_APIENTRY
#endif
#ifdef ZP_GL_DEFINED_WINGDIAPI
#undef WINGDIAPI
#undef ZP_GL_DEFINED_WINGDIAPI
#endif
#ifdef ZP_GL_DEFINED_CALLBACK
#undef CALLBACK
#undef ZP_GL_DEFINED_CALLBACK
#endif
