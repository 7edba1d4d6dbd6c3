#include "sdk/core/ptr_list.h"

#include "sdk/core/tracked_memory.h"

CPtrList::CPtrList() : m_pHead(nullptr), m_pTail(nullptr), m_pCurrent(nullptr), m_pPrevious(nullptr) {}

CPtrList::~CPtrList()
{
  SNode* pNode = m_pHead;
  while (pNode)
  {
    SNode* pNext = pNode->pNext;
    TrackedFree(pNode);
    pNode = pNext;
  }
  m_pHead = m_pTail = m_pCurrent = m_pPrevious = nullptr;
}

uint32_t CPtrList::NodeSize() const { return sizeof(SNode); }

CPtrList::SNode* CPtrList::AllocNode(void* pValue)
{
  SNode* pNode = static_cast<SNode*>(TrackedCalloc(1, NodeSize()));
  if (pNode)
    pNode->pValue = pValue;
  return pNode;
}

bool CPtrList::LinkHead(SNode* pNode)
{
  if (!pNode)
    return false;
  pNode->pNext = m_pHead;
  m_pHead = pNode;
  if (!m_pTail)
    m_pTail = pNode;
  m_pCurrent = pNode;
  m_pPrevious = nullptr;
  return true;
}

bool CPtrList::LinkTail(SNode* pNode)
{
  if (!pNode)
    return false;
  pNode->pNext = nullptr;
  if (m_pTail)
    m_pTail->pNext = pNode;
  else
    m_pHead = pNode;
  m_pTail = pNode;
  m_pCurrent = pNode;
  m_pPrevious = nullptr;
  return true;
}

bool CPtrList::AddHead(void* pValue) { return LinkHead(AllocNode(pValue)); }

bool CPtrList::AddTail(void* pValue) { return LinkTail(AllocNode(pValue)); }

void* CPtrList::First()
{
  m_pCurrent = m_pHead;
  m_pPrevious = nullptr;
  return m_pCurrent ? m_pCurrent->pValue : nullptr;
}

void* CPtrList::Next()
{
  if (!m_pCurrent)
    return nullptr;
  m_pPrevious = m_pCurrent;
  m_pCurrent = m_pCurrent->pNext;
  return m_pCurrent ? m_pCurrent->pValue : nullptr;
}

void* CPtrList::RemoveCurrent()
{
  SNode* pNode = m_pCurrent;
  if (!pNode)
    return nullptr;

  if (pNode == m_pHead)
  {
    m_pHead = pNode->pNext;
    m_pPrevious = nullptr;
  }
  else
  {
    // Right after AddTail the previous node is not known; find it rather than
    // unlinking through a null pointer.
    if (!m_pPrevious || m_pPrevious->pNext != pNode)
    {
      m_pPrevious = m_pHead;
      while (m_pPrevious && m_pPrevious->pNext != pNode)
        m_pPrevious = m_pPrevious->pNext;
      if (!m_pPrevious)
        return nullptr; // the cursor is not in this list: nothing to unlink
    }
    m_pPrevious->pNext = pNode->pNext;
  }
  if (pNode == m_pTail)
    m_pTail = m_pPrevious;

  m_pCurrent = pNode->pNext;
  TrackedFree(pNode);
  return m_pCurrent ? m_pCurrent->pValue : nullptr;
}

bool CPtrList::Remove(void* pValue)
{
  for (void* p = First(); p; p = Next())
  {
    if (p == pValue)
    {
      RemoveCurrent();
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------

uint32_t CSharedPtrList::NodeSize() const { return sizeof(SSharedNode); }

bool CSharedPtrList::AddHead(void* pValue) { return AddHead(pValue, false); }

bool CSharedPtrList::AddTail(void* pValue) { return AddTail(pValue, false); }

bool CSharedPtrList::AddHead(void* pValue, bool bShareable)
{
  SSharedNode* pNode = static_cast<SSharedNode*>(AllocNode(pValue));
  if (!pNode)
    return false;
  pNode->bShareable = bShareable ? 1 : 0;
  pNode->dwRefCount = 1;
  return LinkHead(pNode);
}

bool CSharedPtrList::AddTail(void* pValue, bool bShareable)
{
  SSharedNode* pNode = static_cast<SSharedNode*>(AllocNode(pValue));
  if (!pNode)
    return false;
  pNode->bShareable = bShareable ? 1 : 0;
  pNode->dwRefCount = 1;
  return LinkTail(pNode);
}

void CSharedPtrList::AddRefCurrent()
{
  if (SSharedNode* pNode = CurrentShared())
    ++pNode->dwRefCount;
}

uint32_t CSharedPtrList::CurrentRefCount()
{
  SSharedNode* pNode = CurrentShared();
  return pNode ? pNode->dwRefCount : 0;
}

void* CSharedPtrList::ReleaseCurrent(bool bForce)
{
  SSharedNode* pNode = CurrentShared();
  if (!pNode)
    return nullptr;
  uint32_t dwBefore = pNode->dwRefCount;
  if (pNode->dwRefCount)
    --pNode->dwRefCount;
  if (bForce || dwBefore <= 1)
    return RemoveCurrent();
  return Next();
}

bool CSharedPtrList::IsCurrentShareable()
{
  SSharedNode* pNode = CurrentShared();
  return pNode && pNode->bShareable;
}

bool CSharedPtrList::Find(void* pValue)
{
  for (void* p = First(); p; p = Next())
  {
    if (p == pValue)
      return true;
  }
  return false;
}

bool CSharedPtrList::Release(void* pValue, bool bForce)
{
  if (!Find(pValue))
    return false;
  SSharedNode* pNode = CurrentShared();
  uint32_t dwBefore = pNode->dwRefCount;
  if (pNode->dwRefCount)
    --pNode->dwRefCount;
  if (!bForce && dwBefore > 1)
    return false;
  RemoveCurrent();
  return true;
}
