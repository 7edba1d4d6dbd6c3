#pragma once

#include "sdk/core/result.h"

#include <cstdint>

class C3DEngine;

// Bit 0x1000000 marks a video platform; the low bits name which one.
constexpr uint32_t PLATFORM_VIDEO = 0x1000000;
constexpr uint32_t PLATFORM_DIRECTX9 = 0x1000002;
constexpr uint32_t PLATFORM_DIRECTX81 = 0x1000001;
constexpr uint32_t PLATFORM_OPENGL12 = 0x1000004;
constexpr uint32_t PLATFORM_OPENGLES11 = 0x1000008;
constexpr uint32_t PLATFORM_SOFTWARE = 0x1000010;
constexpr uint32_t PLATFORM_PSPGU = 0x1000020;

// Where each platform sits in the platform table and in the application base's
// registration table.
enum EPlatformIndex : int
{
  PLATFORM_INDEX_DIRECTX9 = 0,
  PLATFORM_INDEX_DIRECTX81 = 1,
  PLATFORM_INDEX_OPENGL12 = 2,
  PLATFORM_INDEX_OPENGLES11 = 3,
  PLATFORM_INDEX_SOFTWARE = 4,
  PLATFORM_INDEX_PSPGU = 5,
  PLATFORM_COUNT
};

// What a platform module says of itself: 72 bytes, laid out as the modules fill it.
struct SPlatformDesc
{
  char szBuild[32]; // "%s %s" of the module's build date and time
  char szName[32];  // one of the platform table's names
  uint16_t wMinor;  // 0
  uint16_t wMajor;  // 1
  uint32_t dwFlags; // platform flags
};
static_assert(sizeof(SPlatformDesc) == 72, "the descriptor is 72 bytes");

typedef ZRESULT (*PFN_PLATFORM_DESCRIBE)(SPlatformDesc* pDesc);
typedef C3DEngine* (*PFN_PLATFORM_CREATE)();
typedef void (*PFN_PLATFORM_DESTROY)(C3DEngine* pEngine);

// One slot of the application base's registration table, per platform index.
struct SPlatformModule
{
  PFN_PLATFORM_DESCRIBE pfnDescribe;
  PFN_PLATFORM_CREATE pfnCreate;
  PFN_PLATFORM_DESTROY pfnDestroy;
};

// The fixed platform table, index = platform index.
struct SPlatformInfo
{
  const char* szName;
  uint32_t dwVersion;
  uint32_t dwFlags;
};

inline constexpr SPlatformInfo g_PlatformTable[] = {
  { "DirectX 9.0", 0x10000, PLATFORM_DIRECTX9 },    { "DirectX 8.1", 0x10000, PLATFORM_DIRECTX81 },
  { "OpenGL 1.2", 0x10000, PLATFORM_OPENGL12 },     { "OpenGLES 1.1", 0x10000, PLATFORM_OPENGLES11 },
  { "Zephyro3D zp3D", 0x10000, PLATFORM_SOFTWARE }, { "PSP GU", 0x10000, PLATFORM_PSPGU },
};
static_assert(sizeof(g_PlatformTable) / sizeof(g_PlatformTable[0]) == PLATFORM_COUNT,
              "one table entry per platform index");
