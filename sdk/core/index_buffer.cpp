#include "sdk/core/index_buffer.h"

#include "sdk/core/tracked_memory.h"

CIndexBuffer::CIndexBuffer()
    : m_pSettings(nullptr), m_dwType(0), m_pParts(nullptr), m_dwPartCount(0), m_dwIndexCount(0)
{
}

CIndexBuffer::~CIndexBuffer()
{
  TrackedFree(m_pParts);
  m_pParts = nullptr;
}

ZRESULT CIndexBuffer::Attach(SEngineSettings* pSettings)
{
  m_pSettings = pSettings;
  return ZP_OK;
}

ZRESULT CIndexBuffer::Release()
{
  TrackedFree(m_pParts);
  m_pParts = nullptr;
  return ZP_OK;
}

void* CIndexBuffer::GetData() { return nullptr; }

ZRESULT CIndexBuffer::Reserved4() { return ZP_OK; }

ZRESULT CIndexBuffer::Allocate(uint32_t dwPartCount, uint32_t dwIndexCount)
{
  TrackedFree(m_pParts);
  m_pParts = nullptr;
  m_dwPartCount = dwPartCount;
  m_dwIndexCount = dwIndexCount;
  if (dwPartCount)
  {
    m_pParts = static_cast<SPartRecord*>(TrackedCalloc(dwPartCount, sizeof(SPartRecord)));
    if (!m_pParts)
    {
      m_dwPartCount = 0;
      return ZP_FAIL;
    }
  }
  return ZP_OK;
}

ZRESULT CIndexBuffer::BeginAccess() { return ZP_OK; }

void CIndexBuffer::SetIndex(uint32_t, uint32_t) {}

uint32_t CIndexBuffer::GetIndex(uint32_t) { return 0xFFFFFFFFu; }

ZRESULT CIndexBuffer::EndAccess() { return ZP_OK; }

SPartRecord* CIndexBuffer::GetPart(uint32_t dwPart)
{
  if (!m_pParts || dwPart >= m_dwPartCount)
    return nullptr;
  return &m_pParts[dwPart];
}

ZRESULT CIndexBuffer::GetPartInfo(uint32_t dwPart, uint32_t* pBaseVertex, uint32_t* pVertexCount,
                                  uint32_t* pFirstIndex, uint32_t* pIndexCount, uint32_t* pPrimitiveCount,
                                  uint32_t* pPrimitiveType, uint32_t* pCullMode, uint32_t* pMaterial)
{
  const SPartRecord* p = GetPart(dwPart);
  if (!p)
    return ZP_FAIL;
  if (pBaseVertex)
    *pBaseVertex = p->dwBaseVertex;
  if (pVertexCount)
    *pVertexCount = p->dwVertexCount;
  if (pFirstIndex)
    *pFirstIndex = p->dwFirstIndex;
  if (pIndexCount)
    *pIndexCount = p->dwIndexCount;
  if (pPrimitiveCount)
    *pPrimitiveCount = p->dwPrimitiveCount;
  if (pPrimitiveType)
    *pPrimitiveType = p->dwPrimitiveType;
  if (pCullMode)
    *pCullMode = p->dwCullMode;
  if (pMaterial)
    *pMaterial = p->dwMaterial;
  return ZP_OK;
}

// ---------------------------------------------------------------------------

template <typename TIndex> CIndexBufferT<TIndex>::CIndexBufferT() : m_pIndices(nullptr), m_pCursor(nullptr)
{
  m_dwType = sizeof(TIndex) == 2 ? INDEX_TYPE_16 : INDEX_TYPE_32;
}

template <typename TIndex> CIndexBufferT<TIndex>::~CIndexBufferT() { FreeIndices(); }

template <typename TIndex> void CIndexBufferT<TIndex>::FreeIndices()
{
  TrackedFree(m_pIndices);
  m_pIndices = nullptr;
  m_pCursor = nullptr;
}

template <typename TIndex> ZRESULT CIndexBufferT<TIndex>::Release()
{
  FreeIndices();
  return CIndexBuffer::Release();
}

template <typename TIndex>
ZRESULT CIndexBufferT<TIndex>::Allocate(uint32_t dwPartCount, uint32_t dwIndexCount)
{
  FreeIndices();
  if (ZP_FAILED(CIndexBuffer::Allocate(dwPartCount, dwIndexCount)))
    return ZP_FAIL;
  if (dwIndexCount)
  {
    m_pIndices = static_cast<TIndex*>(TrackedCalloc(dwIndexCount, sizeof(TIndex)));
    if (!m_pIndices)
    {
      m_dwIndexCount = 0;
      return ZP_FAIL;
    }
  }
  return ZP_OK;
}

template <typename TIndex> ZRESULT CIndexBufferT<TIndex>::BeginAccess()
{
  m_pCursor = m_pIndices;
  return ZP_OK;
}

template <typename TIndex> void CIndexBufferT<TIndex>::SetIndex(uint32_t dwPosition, uint32_t dwValue)
{
  if (m_pIndices && dwPosition < m_dwIndexCount)
    m_pIndices[dwPosition] = static_cast<TIndex>(dwValue);
}

template <typename TIndex> uint32_t CIndexBufferT<TIndex>::GetIndex(uint32_t dwPosition)
{
  if (!m_pIndices || dwPosition >= m_dwIndexCount)
    return 0xFFFFFFFFu;
  return m_pIndices[dwPosition];
}

template <typename TIndex> ZRESULT CIndexBufferT<TIndex>::EndAccess()
{
  m_pCursor = nullptr;
  return ZP_OK;
}

template class CIndexBufferT<uint16_t>;
template class CIndexBufferT<uint32_t>;
