#pragma once

#include <cstdint>

// Singly linked list of non-null pointers with one cursor.  The cursor is the node
// last returned by First, Next, AddHead, AddTail or RemoveCurrent; walking and
// removing go through it, so a walk can unlink as it goes.  A value of 0 cannot be
// told from the end of the list, so null is never stored.  Nodes come from the
// tracked allocator.
class CPtrList
{
public:
  struct SNode
  {
    void* pValue;
    SNode* pNext;
  };

  CPtrList();
  // Frees whatever nodes are left (never the values): a list dropped without being
  // emptied must not leak its nodes.
  virtual ~CPtrList();

  virtual bool AddHead(void* pValue); // slot 1
  virtual bool AddTail(void* pValue); // slot 2
  virtual void* First();              // slot 3
  virtual void* Next();               // slot 4
  virtual void* RemoveCurrent();      // slot 5
  virtual bool Remove(void* pValue);  // slot 6
  virtual uint32_t NodeSize() const;  // slot 7: 8 on the original 32-bit layout

  bool IsEmpty() const { return m_pHead == nullptr; }
  SNode* Head() const { return m_pHead; }
  SNode* Tail() const { return m_pTail; }
  SNode* Current() const { return m_pCurrent; }
  SNode* Previous() const { return m_pPrevious; }

  CPtrList(const CPtrList&) = delete;
  CPtrList& operator=(const CPtrList&) = delete;

protected:
  SNode* AllocNode(void* pValue);
  bool LinkHead(SNode* pNode);
  bool LinkTail(SNode* pNode);

  SNode* m_pHead;
  SNode* m_pTail;
  SNode* m_pCurrent;
  SNode* m_pPrevious;
};

// The device's resource list: each entry also carries a shareable flag and a
// reference count.  Sharing by reference count is how textures loaded twice under
// the same name end up as one object.
class CSharedPtrList : public CPtrList
{
public:
  struct SSharedNode : SNode
  {
    uint32_t bShareable;
    uint32_t dwRefCount;
  };

  // The plain insertions make a non-shareable entry with one reference.
  bool AddHead(void* pValue) override; // slot 1
  bool AddTail(void* pValue) override; // slot 2
  uint32_t NodeSize() const override;  // slot 7: 16

  virtual bool AddHead(void* pValue, bool bShareable); // slot 8
  virtual bool AddTail(void* pValue, bool bShareable); // slot 9
  virtual void AddRefCurrent();                        // slot 10
  virtual uint32_t CurrentRefCount();                  // slot 11
  virtual void* ReleaseCurrent(bool bForce);           // slot 12
  virtual bool IsCurrentShareable();                   // slot 13
  virtual bool Release(void* pValue, bool bForce);     // slot 14

  // Finds the value and makes it the cursor; false when it is not listed.
  bool Find(void* pValue);

private:
  SSharedNode* CurrentShared() const { return static_cast<SSharedNode*>(m_pCurrent); }
};
