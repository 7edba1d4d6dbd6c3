#include "sdk/core/ptr_list.h"
#include "sdk/core/tracked_memory.h"

#include <gtest/gtest.h>

namespace
{

int a, b, c, d;
void* A = &a;
void* B = &b;
void* C = &c;
void* D = &d;

std::vector<void*> Values(CPtrList& list)
{
  std::vector<void*> v;
  for (void* p = list.First(); p; p = list.Next())
    v.push_back(p);
  return v;
}

TEST(CorePtrList, InsertionOrderAndCursor)
{
  CPtrList list;
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Next(), nullptr);
  EXPECT_EQ(list.RemoveCurrent(), nullptr);

  ASSERT_TRUE(list.AddTail(B));
  EXPECT_EQ(list.Current()->pValue, B);
  EXPECT_EQ(list.Previous(), nullptr);
  ASSERT_TRUE(list.AddHead(A));
  ASSERT_TRUE(list.AddTail(C));
  EXPECT_EQ(list.Current()->pValue, C);
  EXPECT_EQ(list.Previous(), nullptr);
  EXPECT_EQ(Values(list), (std::vector<void*>{ A, B, C }));
  EXPECT_EQ(list.NodeSize(), sizeof(CPtrList::SNode));
}

TEST(CorePtrList, RemoveCurrentHeadMiddleTail)
{
  CPtrList list;
  list.AddTail(A);
  list.AddTail(B);
  list.AddTail(C);
  list.AddTail(D);

  // Head: the head moves on, the successor becomes the cursor.
  EXPECT_EQ(list.First(), A);
  EXPECT_EQ(list.RemoveCurrent(), B);
  EXPECT_EQ(list.Head()->pValue, B);
  EXPECT_EQ(list.Previous(), nullptr);

  // Middle: previous is linked past it.
  EXPECT_EQ(list.Next(), C);
  EXPECT_EQ(list.RemoveCurrent(), D);
  EXPECT_EQ(Values(list), (std::vector<void*>{ B, D }));

  // Tail: previous becomes the tail, the walk ends.
  list.First();
  EXPECT_EQ(list.Next(), D);
  EXPECT_EQ(list.RemoveCurrent(), nullptr);
  EXPECT_EQ(list.Tail()->pValue, B);
  list.AddTail(C);
  EXPECT_EQ(Values(list), (std::vector<void*>{ B, C }));
}

TEST(CorePtrList, RemoveCurrentRightAfterAddTailFindsPredecessor)
{
  CPtrList list;
  list.AddTail(A);
  list.AddTail(B);
  list.AddTail(C); // cursor C, previous unknown
  EXPECT_EQ(list.RemoveCurrent(), nullptr);
  EXPECT_EQ(Values(list), (std::vector<void*>{ A, B }));
  EXPECT_EQ(list.Tail()->pValue, B);
}

TEST(CorePtrList, RemoveByValueAndWalkWhileRemoving)
{
  CPtrList list;
  EXPECT_FALSE(list.Remove(A));
  list.AddTail(A);
  list.AddTail(B);
  list.AddTail(C);
  EXPECT_TRUE(list.Remove(B));
  EXPECT_FALSE(list.Remove(B));
  EXPECT_EQ(Values(list), (std::vector<void*>{ A, C }));

  int n = 0;
  for (void* p = list.First(); p; p = list.RemoveCurrent())
    ++n;
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.Tail(), nullptr);
  list.AddHead(D);
  EXPECT_EQ(Values(list), (std::vector<void*>{ D }));
}

TEST(CorePtrList, NodesComeFromTrackedMemoryAndAreFreed)
{
  uint32_t before = TrackedMemoryTotal();
  {
    CSharedPtrList list;
    list.AddTail(A, true);
    list.AddTail(B, false);
    EXPECT_GE(TrackedMemoryTotal(), before + 2 * list.NodeSize());
    list.Remove(A);
    // B is left for the destructor.
  }
  EXPECT_EQ(TrackedMemoryTotal(), before);
}

TEST(CoreSharedPtrList, ReferenceCountsAndRelease)
{
  CSharedPtrList list;
  EXPECT_EQ(list.NodeSize(), sizeof(CSharedPtrList::SSharedNode));
  list.AddTail(A, true);
  EXPECT_EQ(list.CurrentRefCount(), 1u);
  EXPECT_TRUE(list.IsCurrentShareable());
  list.AddRefCurrent();
  list.AddRefCurrent();
  EXPECT_EQ(list.CurrentRefCount(), 3u);
  list.AddHead(B, false);
  EXPECT_FALSE(list.IsCurrentShareable());
  list.AddTail(C); // plain insertion: one reference, not shareable
  EXPECT_EQ(list.CurrentRefCount(), 1u);
  EXPECT_FALSE(list.IsCurrentShareable());

  // Unforced release keeps an entry that had more than one reference.
  EXPECT_FALSE(list.Release(A, false));
  EXPECT_FALSE(list.Release(A, false));
  EXPECT_TRUE(list.Release(A, false));
  EXPECT_FALSE(list.Release(A, false)); // gone
  EXPECT_EQ(Values(list), (std::vector<void*>{ B, C }));

  // Forced release unlinks whatever the count.
  list.First();
  list.AddRefCurrent();
  EXPECT_TRUE(list.Release(B, true));
  EXPECT_EQ(Values(list), (std::vector<void*>{ C }));
}

TEST(CoreSharedPtrList, ReleaseCurrentStepsOrUnlinks)
{
  CSharedPtrList list;
  list.AddTail(A, true);
  list.AddRefCurrent();  // A: 2
  list.AddTail(B, true); // B: 1
  list.AddTail(C, true);

  EXPECT_EQ(list.First(), A);
  EXPECT_EQ(list.ReleaseCurrent(false), B); // A drops to 1 and stays; the cursor moves on
  EXPECT_EQ(list.ReleaseCurrent(false), C); // B was 1: unlinked
  EXPECT_EQ(Values(list), (std::vector<void*>{ A, C }));

  list.First();
  list.AddRefCurrent();
  list.AddRefCurrent();
  int n = 0;
  for (void* p = list.First(); p; p = list.ReleaseCurrent(true))
    ++n;
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.ReleaseCurrent(true), nullptr);
  EXPECT_EQ(list.CurrentRefCount(), 0u);
}

} // namespace
