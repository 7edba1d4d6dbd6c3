#pragma once

#include "sdk/core/3d_mesh_object.h"

#include "sdk/opengl/gl_headers.h"

#include <vector>

struct SPartRecord;

// One vertex as the OpenGL objects store it (40 bytes).  z is mirrored and v flipped
// for OpenGL's conventions; the setters and getters convert, so callers see engine values.
struct SVertexGL
{
  float x, y, z;       // z stored as -z
  float nx, ny, nz;    // nz stored as -nz by the 3D classes
  uint32_t dwDiffuse;  // ARGB
  uint32_t dwSpecular; // ARGB
  float u, v;          // v stored as 1 - v
};
static_assert(sizeof(SVertexGL) == 40, "an OpenGL vertex is 40 bytes");

// Front-face value that stands for "culling off".
constexpr uint32_t CULL_OFF_GL = 0xFFFF;

// The depth buffer was cleared, raised behind the objects' backs or swapped for another
// (a different drawable made current): no earlier draw may stand for a later one's
// depth any more.  The device calls it with every clear; code that clears depth or
// switches drawables elsewhere calls it too.  Framebuffer objects and draw buffers are
// told apart without it.
void ForgetDepthWrites();

// How many triangles have been left out since the start because they lay wholly behind
// a closed surface drawn just before them.
uint64_t TrianglesLeftOutBehindDepth();

// Engine codes to OpenGL ones and back.
uint32_t PrimitiveTypeToGL(uint32_t dwEngineType);
uint32_t PrimitiveTypeFromGL(uint32_t dwMode);
uint32_t CullModeToGL(uint32_t dwEngineMode);
uint32_t CullModeFromGL(uint32_t dwFrontFace);

// The OpenGL object base.  As a class of its own it is the bare object of kind 0x4: it
// keeps no vertices, accepts every operation and draws nothing.  The derived classes
// keep vertices and draw them, in immediate mode or from display lists compiled at
// Commit (one per part).
class CObjectGL : public C3DMeshObject
{
public:
  CObjectGL();
  ~CObjectGL() override;

  ZRESULT Release() override;                         // 2
  ZRESULT ApplyProjection() override;                 // 4
  ZRESULT Draw(int32_t iPartCount) override;          // 5
  ZRESULT DrawPart(uint32_t dwPart) override;         // 6
  ZRESULT DrawGeometry(int32_t iPartCount) override;  // 7
  ZRESULT DrawPartGeometry(uint32_t dwPart) override; // 8
  void* GetVertexData() override;                     // 18
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

  CIndexBuffer* NewIndexBuffer(uint32_t dwType) override;
  ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount) override;
  ZRESULT Upload() override;

  // The display list of a part's material row, 0 for none.
  GLuint GetDisplayList(uint32_t dwMaterial) const;

protected:
  SVertexGL* Vertex(uint32_t dwVertex) const;
  SPartRecord* Part(uint32_t dwPart) const;
  void FreeVertices();
  // Model-view = the matrix the world matrix pointer designates, after the projection.
  void ApplyTransforms();
  // Culling from a part record's stored front face.
  static void ApplyCulling(const SPartRecord* pPart);
  // Every texture unit off, then the row's textures as the render flags ask.
  void ApplyTextures(uint32_t dwMaterial);
  // glBegin .. glEnd of one part's vertices.
  void EmitPart(const SPartRecord* pPart, bool bAlphaFromFactor);
  // One vertex as the lists hold it; its alpha replaced by iAlpha when that is 0..255.
  void EmitVertex(uint32_t dwIndex, bool bMulti, int iAlpha) const;
  bool MultiTexCoords() const;
  // Triangles (three vertex numbers each) drawn as a list, the vertices as EmitPart sends them.
  void EmitTriangles(const std::vector<uint32_t>& tri) const;
  void CountPart(const SPartRecord* pPart);
  ZRESULT DrawParts(uint32_t dwFirst, uint32_t dwCount, bool bFull);
  std::vector<uint8_t> ListSource() const;
  // What a part's triangles, as they stand, tell of its surface (see SSurface).
  struct SSurface;
  SSurface SurfaceOf(const SPartRecord& part) const;
  // The faces (GL_FRONT or GL_BACK, as glCullFace takes them) that form the far side
  // of the part's closed surface in this draw, or 0 when they could show.
  GLenum HiddenSide(uint32_t dwMaterial) const;
  // The object's colour factor makes every fragment fully transparent under the
  // blending in effect: drawing changes the depth (and stencil) buffer only.
  bool OnlyDepthLands() const;
  void EmitDepthOnly(const SPartRecord* pPart);
  // The part's list drawn again right after itself, placed alike, under a less-than
  // depth test: every fragment would fail, so the draw can be left out.
  bool RepeatsDepthWriter(GLuint uList) const;
  // Remembers a draw that left the depth of all its fragments, for RepeatsDepthWriter
  // and TrianglesInSight.
  void NoteDepthWriter(GLuint uList, uint32_t dwMaterial, bool bFarSideLeftOut);
  // Right after a closed surface was laid whole (NoteDepthWriter), the triangles of
  // this part that lie wholly behind it fail the depth test, fragment by fragment:
  // true, with the others in *pKept in their order, when there are such triangles.
  bool TrianglesInSight(uint32_t dwMaterial, std::vector<uint32_t>* pKept) const;

  // What Upload learnt of a part's triangles: whether they close a surface (and which
  // winding faces out), and a sphere that bounds them.
  struct SSurface
  {
    int8_t iOutward; // +1 counter-clockwise seen from outside, -1 clockwise, 0 not closed
    float afCentre[3];
    float fRadius;   // reaches every vertex
    float fInRadius; // a ball around the centre inside the surface; 0 when unknown
  };

  SVertexGL* m_pVertices;              // owned; null in the bare object
  std::vector<SSurface> m_surfaces;    // by material row, filled by Upload with the lists
  std::vector<uint8_t> m_compiledFrom; // ListSource() when the lists were compiled
  GLuint* m_puLists;                   // one name per part, 0 = none; owned
  GLuint m_uListBase;                  // the reserved block, 0 when none
  uint32_t m_dwListCount;              // names in the block
  bool m_bKeepsVertices;               // set by the classes that store vertices
  bool m_bMirrorNormalZ;               // 3D classes: the normal's z is stored mirrored
  bool m_bEngineLayout;                // 2D: position, texture and normal addresses are handed out
};

// Kind 0x2: a mesh drawn with the perspective projection.
class CObjectGL3D : public CObjectGL
{
public:
  CObjectGL3D();
};

// Kind 0x10: drawn in pixel space (ApplyOrtho); normals stored as given.
class CObjectGL2D : public CObjectGL
{
public:
  CObjectGL2D();
};

// Kind 0x8: the star field's point sprites, of (MAX_SIZE - MIN_SIZE) x 0.01 x a size in
// percent pixels, rounded to whole pixels as OpenGL does for aliased points.  Slot 9
// puts the object's render states, projection and matrix into effect; slot 10 draws
// points of the user value's size in the colour factor.  Draw and its kin draw every
// point of the parts, each of its own size (the vertex's texture coordinate u) in its
// vertex colour: Commit keeps the points sorted by size in one vertex array, and a
// draw costs one glDrawArrays per point size, smallest first.
class CObjectGLSprites : public CObjectGL3D
{
public:
  ~CObjectGLSprites() override;

  ZRESULT Release() override;                         // 2
  ZRESULT Draw(int32_t iPartCount) override;          // 5
  ZRESULT DrawPart(uint32_t dwPart) override;         // 6
  ZRESULT DrawGeometry(int32_t iPartCount) override;  // 7
  ZRESULT DrawPartGeometry(uint32_t dwPart) override; // 8
  ZRESULT PreparePart(uint32_t dwPart) override;      // 9
  ZRESULT DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                    int32_t iCullMode) override; // 10
  ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount) override;
  ZRESULT Upload() override;

private:
  // One point of the vertex array (the arrays' stride).
  struct SPoint
  {
    float x, y, z;
    uint8_t abColor[4]; // r, g, b, a
    float fPercent;     // the size
  };

  float PixelSize(float fPercent) const;
  void FreePoints();
  ZRESULT DrawPoints(uint32_t dwFirstPart, uint32_t dwPartCount, bool bFull);

  SPoint* m_pPoints = nullptr;        // sorted by size within each part; owned
  uint32_t* m_pdwPartStart = nullptr; // part i's points: [start[i], start[i + 1]); owned
  uint32_t m_dwPointParts = 0;        // parts the array was built for
};
