#pragma once

#include "sdk/core/result.h"

#include <cstdint>

struct SEngineSettings;

// One drawing batch of an index buffer (eight 32-bit words, in this order).  The
// primitive type and cull mode hold the platform's own codes; objects convert.
struct SPartRecord
{
  uint32_t dwMaterial;
  uint32_t dwBaseVertex;
  uint32_t dwVertexCount;
  uint32_t dwFirstIndex;
  uint32_t dwIndexCount;
  uint32_t dwPrimitiveCount;
  uint32_t dwPrimitiveType;
  uint32_t dwCullMode;
};
static_assert(sizeof(SPartRecord) == 32, "a part record is eight words");

constexpr uint32_t INDEX_TYPE_16 = 1;
constexpr uint32_t INDEX_TYPE_32 = 2;

// Base of every platform's 16-bit and 32-bit index buffers: the part table and the
// counts.  Derived classes add the index array and its access cursor.
class CIndexBuffer
{
public:
  CIndexBuffer();
  virtual ~CIndexBuffer(); // 0: frees the part table

  virtual ZRESULT Attach(SEngineSettings* pSettings); // 1
  virtual ZRESULT Release();                          // 2: frees the part table
  virtual void* GetData();                            // 3: index array (null here)
  virtual ZRESULT Reserved4();                        // 4: 0
  // 5: stores both counts, allocates a zero-filled part table; derived classes then
  // allocate the zero-filled index array.
  virtual ZRESULT Allocate(uint32_t dwPartCount, uint32_t dwIndexCount);
  virtual ZRESULT BeginAccess();                                // 6
  virtual void SetIndex(uint32_t dwPosition, uint32_t dwValue); // 7
  virtual uint32_t GetIndex(uint32_t dwPosition);               // 8: 0xFFFFFFFF here
  virtual ZRESULT EndAccess();                                  // 9
  virtual SPartRecord* GetPart(uint32_t dwPart);                // 10: null when out of range
  // 11: any output may be null.  ZP_FAIL for a part out of range.
  virtual ZRESULT GetPartInfo(uint32_t dwPart, uint32_t* pBaseVertex, uint32_t* pVertexCount,
                              uint32_t* pFirstIndex, uint32_t* pIndexCount, uint32_t* pPrimitiveCount,
                              uint32_t* pPrimitiveType, uint32_t* pCullMode, uint32_t* pMaterial);

  uint32_t GetType() const { return m_dwType; }
  void SetType(uint32_t dwType) { m_dwType = dwType; }
  uint32_t GetPartCount() const { return m_dwPartCount; }
  uint32_t GetIndexCount() const { return m_dwIndexCount; }

  CIndexBuffer(const CIndexBuffer&) = delete;
  CIndexBuffer& operator=(const CIndexBuffer&) = delete;

protected:
  SEngineSettings* m_pSettings;
  uint32_t m_dwType; // INDEX_TYPE_16 or INDEX_TYPE_32, set by the derived class
  SPartRecord* m_pParts;
  uint32_t m_dwPartCount;
  uint32_t m_dwIndexCount;
};

// The index array every platform keeps: 16 or 32 bits per index, zero-filled, through
// the tracked allocator.  Platforms derive their own classes from these (or use them
// as they are).  Positions outside the array are ignored on write and read as
// 0xFFFFFFFF.
template <typename TIndex> class CIndexBufferT : public CIndexBuffer
{
public:
  CIndexBufferT();
  ~CIndexBufferT() override;

  ZRESULT Release() override;
  void* GetData() override { return m_pIndices; }
  ZRESULT Allocate(uint32_t dwPartCount, uint32_t dwIndexCount) override;
  ZRESULT BeginAccess() override;
  void SetIndex(uint32_t dwPosition, uint32_t dwValue) override;
  uint32_t GetIndex(uint32_t dwPosition) override;
  ZRESULT EndAccess() override;

  TIndex* GetCursor() const { return m_pCursor; }

protected:
  void FreeIndices();

  TIndex* m_pIndices;
  TIndex* m_pCursor;
};

typedef CIndexBufferT<uint16_t> CIndexBuffer16;
typedef CIndexBufferT<uint32_t> CIndexBuffer32;

extern template class CIndexBufferT<uint16_t>;
extern template class CIndexBufferT<uint32_t>;
