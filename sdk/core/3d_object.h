#pragma once

#include "sdk/core/3d_math.h"
#include "sdk/core/result.h"

#include <cstdint>

class CIndexBuffer;
class CTexture;
struct SEngineSettings;

// clang-format off
// Engine primitive types; each platform maps them to its own codes and back.
constexpr uint32_t PRIMITIVE_TRIANGLE_STRIP = 0;
constexpr uint32_t PRIMITIVE_TRIANGLE_LIST  = 1;
constexpr uint32_t PRIMITIVE_TRIANGLE_FAN   = 2;
constexpr uint32_t PRIMITIVE_LINE_LIST      = 3;
constexpr uint32_t PRIMITIVE_LINE_STRIP     = 4;
constexpr uint32_t PRIMITIVE_POINT_LIST     = 5;

// Engine cull modes.
constexpr uint32_t CULL_NONE = 0;
constexpr uint32_t CULL_CCW  = 1;    // the Direct3D default: counter-clockwise triangles culled
constexpr uint32_t CULL_CW   = 2;

// Render flags (second argument of CreateObject).
constexpr uint32_t RENDER_LIGHT          = 0x00001;
constexpr uint32_t RENDER_LIGHTING       = 0x00002;
constexpr uint32_t RENDER_FOG            = 0x00004;
constexpr uint32_t RENDER_ALPHA          = 0x00008;
constexpr uint32_t RENDER_SPECULAR       = 0x00010;
constexpr uint32_t RENDER_COLOR_MATERIAL = 0x00020;
constexpr uint32_t RENDER_SHAPE_CULL_NONE = 0x00040;
constexpr uint32_t RENDER_SHAPE_CULL_CCW = 0x00080;
constexpr uint32_t RENDER_SHAPE_CULL_CW  = 0x00100;
constexpr uint32_t RENDER_STATES         = 0x00400;
constexpr uint32_t RENDER_TEXTURE        = 0x00800;
constexpr uint32_t RENDER_MULTITEXTURE   = 0x01000;
constexpr uint32_t RENDER_WIREFRAME      = 0x04000;
constexpr uint32_t RENDER_DEPTH_TEST     = 0x08000;
constexpr uint32_t RENDER_DEPTH_WRITE    = 0x10000;
constexpr uint32_t RENDER_FACTOR_ALPHA   = 0x20000;

constexpr uint32_t TEXTURE_STAGES = 4;

// A part count or part index of -1 means all parts.
constexpr int32_t ALL_PARTS = -1;
// clang-format on

// Seventeen floats: diffuse, ambient, specular, emissive (r, g, b, a each), power.
struct SMaterial
{
  float afDiffuse[4];
  float afAmbient[4];
  float afSpecular[4];
  float afEmissive[4];
  float fPower;
};
static_assert(sizeof(SMaterial) == 68, "a material is seventeen floats");

// The root of every scene object: all 73 operations in their fixed slot order, each a
// do-nothing default here.  C3DMeshObject implements what does not depend on the
// platform; each platform derives its classes from C3DMeshObject.  Callers hold
// C3DObject pointers only.
class C3DObject
{
public:
  C3DObject();
  virtual ~C3DObject(); // 0

  virtual ZRESULT Attach(SEngineSettings* pSettings); // 1
  virtual ZRESULT Release();                          // 2
  virtual void Reserved3();                           // 3
  virtual ZRESULT ApplyProjection();                  // 4
  virtual ZRESULT Draw(int32_t iPartCount);           // 5
  virtual ZRESULT DrawPart(uint32_t dwPart);          // 6
  virtual ZRESULT DrawGeometry(int32_t iPartCount);   // 7
  virtual ZRESULT DrawPartGeometry(uint32_t dwPart);  // 8
  virtual ZRESULT PreparePart(uint32_t dwPart);       // 9
  virtual ZRESULT DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                            int32_t iCullMode);       // 10
  virtual ZRESULT Reserved11(uint32_t a, uint32_t b); // 11
  virtual ZRESULT Reserved12(uint32_t a, uint32_t b); // 12
  virtual ZRESULT Reserved13(uint32_t a);             // 13
  virtual ZRESULT Reserved14(uint32_t a);             // 14
  virtual ZRESULT Reserved15(uint32_t a, uint32_t b); // 15
  virtual ZRESULT Reserved16(uint32_t a, uint32_t b); // 16
  virtual void* GetIndexData();                       // 17
  virtual void* GetVertexData();                      // 18
  virtual SMatrix* ResetMatrix();                     // 19
  virtual ZRESULT SetupGeometry(uint32_t dwPartCount, uint32_t dwVertexCount,
                                uint32_t dwIndexCount);         // 20
  virtual ZRESULT LockIndices();                                // 21
  virtual void SetIndex(uint32_t dwPosition, uint32_t dwValue); // 22
  virtual uint32_t GetIndex(uint32_t dwPosition);               // 23
  virtual void SetVertex(uint32_t dwVertex, float x, float y, float z, uint32_t dwDiffuse, float u, float v,
                         float nx, float ny, float nz,
                         uint32_t dwSpecular);                            // 24
  virtual void SetPosition(uint32_t dwVertex, const SVector3* pPosition); // 25
  virtual void SetTexCoord(uint32_t dwVertex, const SVector2* pTexCoord); // 26
  virtual void SetNormal(uint32_t dwVertex, const SVector3* pNormal);     // 27
  virtual void SetDiffuse(uint32_t dwVertex, uint32_t dwColor);           // 28
  virtual void SetSpecular(uint32_t dwVertex, uint32_t dwColor);          // 29
  virtual void GetVertex(uint32_t dwVertex, SVector3* pPosition, uint32_t* pDiffuse, SVector2* pTexCoord,
                         SVector3* pNormal,
                         uint32_t* pSpecular);                 // 30
  virtual SVector3* GetPositionAddress(uint32_t dwVertex);     // 31
  virtual void GetPosition(uint32_t dwVertex, SVector3* pOut); // 32
  virtual SVector2* GetTexCoordAddress(uint32_t dwVertex);     // 33
  virtual void GetTexCoord(uint32_t dwVertex, SVector2* pOut); // 34
  virtual SVector3* GetNormalAddress(uint32_t dwVertex);       // 35
  virtual void GetNormal(uint32_t dwVertex, SVector3* pOut);   // 36
  virtual uint32_t* GetDiffuseAddress(uint32_t dwVertex);      // 37
  virtual void GetDiffuse(uint32_t dwVertex, uint32_t* pOut);  // 38
  virtual uint32_t* GetSpecularAddress(uint32_t dwVertex);     // 39
  virtual void GetSpecular(uint32_t dwVertex, uint32_t* pOut); // 40
  // 41: the part's record in record order, type and cull mode as engine codes.
  virtual ZRESULT GetPart(uint32_t dwPart, uint32_t* pRecord /* eight words */);
  virtual ZRESULT GetPartInfo(uint32_t dwPart, uint32_t* pBaseVertex, uint32_t* pVertexCount,
                              uint32_t* pFirstIndex, uint32_t* pIndexCount, uint32_t* pPrimitiveCount,
                              uint32_t* pPrimitiveType, uint32_t* pCullMode, uint32_t* pMaterial); // 42
  virtual ZRESULT Commit();                                                                        // 43
  virtual void SetPrimitiveTypeAll(uint32_t dwType, int32_t iPartCount);                           // 44
  virtual void SetPrimitiveType(uint32_t dwPart, uint32_t dwType);                                 // 45
  virtual uint32_t GetPrimitiveType(uint32_t dwPart);                                              // 46
  virtual void QueryPrimitiveType(uint32_t dwPart, uint32_t* pType);                               // 47
  virtual void SetCullModeAll(uint32_t dwMode, int32_t iPartCount);                                // 48
  virtual void SetCullMode(uint32_t dwPart, uint32_t dwMode);                                      // 49
  virtual uint32_t GetCullMode(uint32_t dwPart);                                                   // 50
  virtual void QueryCullMode(uint32_t dwPart, uint32_t* pMode);                                    // 51
  virtual ZRESULT ComputeNormals();                                                                // 52
  virtual uint32_t SetColorFactor(uint32_t dwLevel);                                               // 53
  virtual void SetUserValue(float fValue);                                                         // 54
  virtual ZRESULT SetTextureFromMemory(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData,
                                       uint32_t dwSize, int32_t iPartCount, uint32_t dwStage,
                                       const char* szName); // 55
  virtual ZRESULT SetPartTextureFromMemory(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData,
                                           uint32_t dwSize, int32_t iPart, uint32_t dwStage,
                                           const char* szName); // 56
  virtual ZRESULT SetTextureFromFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath,
                                     int32_t iPartCount, uint32_t dwStage); // 57
  virtual ZRESULT SetPartTextureFromFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath,
                                         int32_t iPart,
                                         uint32_t dwStage);                             // 58
  virtual ZRESULT Reserved59(uint32_t a, uint32_t b);                                   // 59: ZP_FAIL
  virtual void SetTextureAll(CTexture* pTexture, int32_t iPartCount, uint32_t dwStage); // 60
  virtual void SetTexture(CTexture* pTexture, uint32_t dwRow, uint32_t dwStage);        // 61
  virtual CTexture* GetTexture(uint32_t dwRow, uint32_t dwStage);                       // 62
  virtual ZRESULT ReleaseTextureAll(int32_t iPartCount, uint32_t dwStage);              // 63
  virtual ZRESULT ReleasePartTexture(uint32_t dwRow, uint32_t dwStage);                 // 64
  virtual ZRESULT ImportModel(uint32_t a, uint32_t b, const char* szPath);              // 65
  virtual ZRESULT ImportModel(const char* szPath);                                      // 66
  virtual ZRESULT ExportModel(uint32_t a);                                              // 67
  virtual ZRESULT BuildFromModel(const void* pModel);                                   // 68
  virtual ZRESULT Reserved69(const void* pModel);                                       // 69: ZP_FAIL
  virtual ZRESULT BuildShape(uint32_t dwType, void* pParams);                           // 70
  virtual ZRESULT RecordRenderStates();                                                 // 71
  virtual void ApplyRenderStates();                                                     // 72

  // Index i = i for every index position of the drawing index buffer.
  void SetSequentialIndices();
  // Writes a part record (material -1 = the part's own number), then stores the type
  // and cull mode through the platform's setters.
  void SetPart(uint32_t dwPart, uint32_t dwBaseVertex, uint32_t dwVertexCount, uint32_t dwFirstIndex,
               uint32_t dwIndexCount, uint32_t dwPrimitiveCount, uint32_t dwPrimitiveType,
               uint32_t dwCullMode, int32_t iMaterial);

  uint32_t GetKind() const { return m_dwKind; }
  uint32_t GetRenderFlags() const { return m_dwRenderFlags; }
  void SetFlags(uint32_t dwKind, uint32_t dwRenderFlags)
  {
    m_dwKind = dwKind;
    m_dwRenderFlags = dwRenderFlags;
    ++m_dwChangeCount;
  }
  void SetRenderFlags(uint32_t dwRenderFlags)
  {
    m_dwRenderFlags = dwRenderFlags;
    ++m_dwChangeCount;
  }
  // Moves on with every change to what the object draws (vertices, indices, part
  // records, render flags), and whenever a writable address into them is handed out:
  // a platform that keeps a copy of the geometry (display lists, device buffers) makes
  // it again only when the count has moved since.
  uint32_t GetChangeCount() const { return m_dwChangeCount; }
  uint32_t GetVertexCount() const { return m_dwVertexCount; }
  uint32_t GetPartCount() const { return m_dwPartCount; }
  SMatrix* GetMatrix() { return &m_matObject; }
  SMatrix* GetWorldMatrix() const { return m_pWorldMatrix; }
  // Draws use this matrix until the next ResetMatrix.
  void SetWorldMatrix(SMatrix* pMatrix) { m_pWorldMatrix = pMatrix; }
  uint32_t GetColorFactor() const { return m_dwColorFactor; }
  // The whole colour word, alpha included (SetColorFactor copies its level into alpha).
  void SetColorFactorWord(uint32_t dwColor) { m_dwColorFactor = dwColor; }
  float GetUserValue() const { return m_fUserValue; }
  CIndexBuffer* GetIndexBuffer() const { return m_pIndexBuffer; }
  CIndexBuffer* GetDrawIndexBuffer() const { return m_pDrawIndexBuffer; }
  SMaterial* GetMaterials() const { return m_pMaterials; }
  SEngineSettings* GetSettings() const { return m_pSettings; }

  C3DObject(const C3DObject&) = delete;
  C3DObject& operator=(const C3DObject&) = delete;

protected:
  SEngineSettings* m_pSettings;
  uint32_t m_dwVertexCount;
  uint32_t m_dwPartCount;
  uint8_t m_abyReserved[256];
  uint32_t m_dwKind;
  uint32_t m_dwRenderFlags;
  SMatrix m_matObject;              // own world matrix
  SMatrix* m_pWorldMatrix;          // the matrix used when drawing
  CIndexBuffer* m_pIndexBuffer;     // owned
  CIndexBuffer* m_pDrawIndexBuffer; // the one drawing and index access use
  SMaterial* m_pMaterials;          // part count materials
  CTexture** m_ppTextures;          // part count x TEXTURE_STAGES, row = material
  uint32_t m_dwColorFactor;
  float m_fUserValue;
  uint32_t m_dwChangeCount = 0;
};
