#pragma once

#include "sdk/core/3d_mesh_object.h"

#include "sdk/d3d8/d3d8_headers.h"

#include <vector>

struct SPartRecord;

// One vertex as the Direct3D 8 objects store it (40 bytes, the flexible vertex format
// below).  The engine's space and texture coordinates are Direct3D's: nothing is
// converted but the 3D objects' normals, kept reversed.
struct SVertexD3D8
{
  float x, y, z;
  float nx, ny, nz;
  uint32_t dwDiffuse;  // ARGB
  uint32_t dwSpecular; // ARGB
  float u, v;
};
static_assert(sizeof(SVertexD3D8) == 40, "a Direct3D 8 vertex is 40 bytes");
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
  void* GetVertexData() override;                // 18
  void SetVertex(uint32_t dwVertex, float x, float y, float z, uint32_t dwDiffuse, float u, float v, float nx,
                 float ny, float nz, uint32_t dwSpecular) override;        // 24
  void SetPosition(uint32_t dwVertex, const SVector3* pPosition) override; // 25
  void SetTexCoord(uint32_t dwVertex, const SVector2* pTexCoord) override; // 26
  void SetNormal(uint32_t dwVertex, const SVector3* pNormal) override;     // 27
  void SetDiffuse(uint32_t dwVertex, uint32_t dwColor) override;           // 28
  void SetSpecular(uint32_t dwVertex, uint32_t dwColor) override;          // 29
  void GetVertex(uint32_t dwVertex, SVector3* pPosition, uint32_t* pDiffuse, SVector2* pTexCoord,
                 SVector3* pNormal, uint32_t* pSpecular) override;        // 30
  SVector3* GetPositionAddress(uint32_t dwVertex) override;               // 31
  void GetPosition(uint32_t dwVertex, SVector3* pOut) override;           // 32
  SVector2* GetTexCoordAddress(uint32_t dwVertex) override;               // 33
  void GetTexCoord(uint32_t dwVertex, SVector2* pOut) override;           // 34
  SVector3* GetNormalAddress(uint32_t dwVertex) override;                 // 35
  void GetNormal(uint32_t dwVertex, SVector3* pOut) override;             // 36
  uint32_t* GetDiffuseAddress(uint32_t dwVertex) override;                // 37
  void GetDiffuse(uint32_t dwVertex, uint32_t* pOut) override;            // 38
  uint32_t* GetSpecularAddress(uint32_t dwVertex) override;               // 39
  void GetSpecular(uint32_t dwVertex, uint32_t* pOut) override;           // 40
  void SetPrimitiveTypeAll(uint32_t dwType, int32_t iPartCount) override; // 44
  void SetPrimitiveType(uint32_t dwPart, uint32_t dwType) override;       // 45
  uint32_t GetPrimitiveType(uint32_t dwPart) override;                    // 46
  void QueryPrimitiveType(uint32_t dwPart, uint32_t* pType) override;     // 47
  void SetCullModeAll(uint32_t dwMode, int32_t iPartCount) override;      // 48
  void SetCullMode(uint32_t dwPart, uint32_t dwMode) override;            // 49
  uint32_t GetCullMode(uint32_t dwPart) override;                         // 50
  void QueryCullMode(uint32_t dwPart, uint32_t* pMode) override;          // 51
  ZRESULT RecordRenderStates() override;                                  // 71
  void ApplyRenderStates() override;                                      // 72

  ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount) override;
  ZRESULT Upload() override;

  // The buffers Commit made, null before (and for objects drawn from memory).
  IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_pVertexBuffer; }
  IDirect3DIndexBuffer8* GetIndexBufferD3D8() const { return m_pIndexBufferD3D; }

protected:
  SVertexD3D8* Vertex(uint32_t dwVertex) const;
  // The 3D objects keep their normals reversed (see the device's lighting); the
  // getters give the engine's normal back.
  float NormalSign() const { return m_bEngineLayout ? 1.0f : -1.0f; }
  SPartRecord* Part(uint32_t dwPart) const;
  void FreeVertices();
  void FreeBuffers();
  // The projection, then the world transform from the matrix the world matrix pointer
  // designates.
  void ApplyTransforms(IDirect3DDevice8* pDevice);
  // Every stage off, then the row's textures as the render flags ask.
  virtual void ApplyTextures(IDirect3DDevice8* pDevice, uint32_t dwMaterial);
  void DrawIndexed(IDirect3DDevice8* pDevice, const SPartRecord& part);
  void CountPart(const SPartRecord* pPart);
  ZRESULT DrawParts(uint32_t dwFirst, uint32_t dwCount, bool bFull);

  SVertexD3D8* m_pVertices; // owned; null in the bare object
  IDirect3DVertexBuffer8* m_pVertexBuffer;
  IDirect3DIndexBuffer8* m_pIndexBufferD3D;
  uint32_t m_dwBufferVertices; // what the buffers were made for
  uint32_t m_dwBufferIndices;
  uint32_t m_dwBufferIndexType;
  bool m_bKeepsVertices; // set by the classes that store vertices
  bool m_bEngineLayout;  // 2D: position, texture and normal addresses are handed out
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
