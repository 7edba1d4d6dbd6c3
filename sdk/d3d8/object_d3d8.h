#pragma once

#include "sdk/core/3d_mesh_object.h"

#include "sdk/d3d8/d3d8_headers.h"

#include <vector>

struct SPartRecord;

// The objects' vertices are the flexible vertex format below as they stand.  The
// engine's space and texture coordinates are Direct3D's: nothing is converted but the
// 3D objects' normals, kept reversed.
using SVertexD3D8 = SMeshVertex;
constexpr DWORD FVF_VERTEX_D3D8 = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

// Engine codes to Direct3D ones and back.
uint32_t PrimitiveTypeToD3D8(uint32_t dwEngineType);
uint32_t PrimitiveTypeFromD3D8(uint32_t dwType);
uint32_t CullModeToD3D8(uint32_t dwEngineMode);
uint32_t CullModeFromD3D8(uint32_t dwCull);
// Primitives that dwIndexCount positions make in a primitive type (Direct3D's code).
uint32_t PrimitiveCountD3D8(uint32_t dwType, uint32_t dwIndexCount);

// The Direct3D 8 object base.  As a class of its own it is the bare object of kind 0x4:
// it keeps no vertices, accepts every operation and draws nothing.  The derived classes
// keep their vertices in memory and, from Commit on, in a vertex and an index buffer
// of the managed pool, which the draws use; objects whose alpha follows the colour
// factor (render flag 0x20000) are drawn from memory at every draw instead.
class CObjectD3D8 : public C3DMeshObject
{
public:
  CObjectD3D8();
  ~CObjectD3D8() override;

  ZRESULT Release() override;                         // 2
  ZRESULT ApplyProjection() override;                 // 4
  ZRESULT Draw(int32_t iPartCount) override;          // 5
  ZRESULT DrawPart(uint32_t dwPart) override;         // 6
  ZRESULT DrawGeometry(int32_t iPartCount) override;  // 7
  ZRESULT DrawPartGeometry(uint32_t dwPart) override; // 8
  ZRESULT PreparePart(uint32_t dwPart) override;      // 9
  ZRESULT DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                    int32_t iCullMode) override; // 10
  ZRESULT RecordRenderStates() override;                                  // 71
  void ApplyRenderStates() override;                                      // 72

  ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount) override;
  ZRESULT Upload() override;

  // The buffers Commit made, null before (and for objects drawn from memory).
  IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_pVertexBuffer; }
  IDirect3DIndexBuffer8* GetIndexBufferD3D8() const { return m_pIndexBufferD3D; }

protected:
  void FreeBuffers();
  // The projection, then the world transform from the matrix the world matrix pointer
  // designates.
  void ApplyTransforms(IDirect3DDevice8* pDevice);
  // Every stage off, then the row's textures as the render flags ask.
  virtual void ApplyTextures(IDirect3DDevice8* pDevice, uint32_t dwMaterial);
  void DrawIndexed(IDirect3DDevice8* pDevice, const SPartRecord& part);
  void CountPart(const SPartRecord* pPart);
  ZRESULT DrawParts(uint32_t dwFirst, uint32_t dwCount, bool bFull);

  IDirect3DVertexBuffer8* m_pVertexBuffer;
  IDirect3DIndexBuffer8* m_pIndexBufferD3D;
  uint32_t m_dwBufferVertices; // what the buffers were made for
  uint32_t m_dwBufferIndices;
  uint32_t m_dwBufferIndexType;
  uint32_t m_dwUploadedAt; // the change count the buffers were filled at
};

// Kind 0x2: a mesh drawn with the perspective projection.
class CObjectD3D83D : public CObjectD3D8
{
public:
  CObjectD3D83D();
};

// Kind 0x10: drawn in pixel space (ApplyOrtho).
class CObjectD3D82D : public CObjectD3D8
{
public:
  CObjectD3D82D();
};

// Kind 0x8: square points of (MAX_SIZE - MIN_SIZE) x 0.01 x a size in percent pixels,
// untextured.  Slot 9 puts the render states, the transforms and the vertex stream
// into effect; slot 10
// draws points of the user value's size (D3DRS_POINTSIZE) in the colour factor
// (D3DRS_TEXTUREFACTOR).  Draw and its kin draw every point of the parts, each of its
// own size (the vertex's texture coordinate u) in its vertex colour, one draw per size.
class CObjectD3D8Sprites : public CObjectD3D83D
{
public:
  ZRESULT Draw(int32_t iPartCount) override;          // 5
  ZRESULT DrawPart(uint32_t dwPart) override;         // 6
  ZRESULT DrawGeometry(int32_t iPartCount) override;  // 7
  ZRESULT DrawPartGeometry(uint32_t dwPart) override; // 8
  ZRESULT PreparePart(uint32_t dwPart) override;      // 9
  ZRESULT DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                    int32_t iCullMode) override; // 10

  float PixelSize(float fPercent) const;

private:
  // Point states, every texture stage off, the colour from dwColorSource.
  void ApplySprites(IDirect3DDevice8* pDevice, DWORD dwColorSource);
  ZRESULT DrawPoints(uint32_t dwFirstPart, uint32_t dwPartCount, bool bFull);
};
