#pragma once

#include "sdk/core/index_buffer.h"

// The OpenGL index buffers: the engine's zero-filled 16-bit and 32-bit arrays, read
// directly when parts are drawn or compiled.
class CIndexBufferGL16 : public CIndexBuffer16
{
public:
  CIndexBufferGL16() { m_dwType = INDEX_TYPE_16; }
};

class CIndexBufferGL32 : public CIndexBuffer32
{
public:
  CIndexBufferGL32() { m_dwType = INDEX_TYPE_32; }
};
