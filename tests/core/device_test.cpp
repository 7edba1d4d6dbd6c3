#include "core_fixture.h"

#include <gtest/gtest.h>

namespace
{

const char kImage[] = "PNGDATA";
const char kBad[] = "BADDATA";

TEST(CoreDevice, DestroyOperationsRejectNull)
{
  SLoadedWorld w;
  ASSERT_EQ(w.loadResult, ZP_OK);
  CFakeDevice* dev = w.Device();
  EXPECT_EQ(dev->DestroyObject(nullptr), ZP_FAIL);
  EXPECT_EQ(dev->DestroyTexture(nullptr), ZP_FAIL);
  EXPECT_EQ(dev->DestroyShader(nullptr), ZP_FAIL);
  EXPECT_EQ(dev->DestroyIndexBuffer(nullptr), ZP_FAIL);
  // The application's wrappers do nothing for null.
  EXPECT_EQ(w.world.DestroyObject(nullptr), ZP_OK);
  EXPECT_EQ(w.world.DestroyTexture(nullptr), ZP_OK);
}

TEST(CoreDevice, ObjectClassByFirstKindBit)
{
  EXPECT_EQ(ObjectClassBit(0x12), 0x2u);
  EXPECT_EQ(ObjectClassBit(0x18), 0x8u);
  EXPECT_EQ(ObjectClassBit(0x810), 0x10u);
  EXPECT_EQ(ObjectClassBit(0x1), 0u);

  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  auto* o = static_cast<CFakeObject*>(w.world.CreateObject(0x12, 0x808));
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->ClassBit(), 0x2u);
  EXPECT_EQ(o->GetRenderFlags(), 0x808u);
  EXPECT_EQ(o->GetSettings(), w.S());
  EXPECT_EQ(w.world.CreateObject(0x1, 0), nullptr);
  EXPECT_EQ(dev->Count(dev->m_plistObjects), 1u);

  // A kind without a class bit is refused by DestroyObject and left alone.
  o->SetFlags(0x1, 0);
  EXPECT_EQ(dev->DestroyObject(o), ZP_FAIL);
  o->SetFlags(0x2, 0);
  int deleted = ObjectsDeleted();
  EXPECT_EQ(dev->DestroyObject(o), ZP_OK);
  EXPECT_EQ(ObjectsDeleted(), deleted + 1);
  EXPECT_EQ(dev->Count(dev->m_plistObjects), 0u);
}

TEST(CoreDevice, IndexBuffers)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  EXPECT_EQ(dev->CreateIndexBuffer(0, 0, 3), nullptr);
  CIndexBuffer* b16 = dev->CreateIndexBuffer(0, 0, 1);
  CIndexBuffer* b32 = dev->CreateIndexBuffer(0, 0, 2);
  ASSERT_TRUE(b16 && b32);
  EXPECT_EQ(b16->GetType(), INDEX_TYPE_16);
  EXPECT_EQ(dev->Count(dev->m_plistObjectsIndex), 2u);

  ASSERT_EQ(b16->Allocate(2, 4), ZP_OK);
  b16->SetIndex(3, 70000);
  EXPECT_EQ(b16->GetIndex(3), 70000u & 0xFFFF);
  b16->SetIndex(4, 1); // outside: ignored
  EXPECT_EQ(b16->GetIndex(4), 0xFFFFFFFFu);
  EXPECT_EQ(b16->GetPart(2), nullptr);
  uint32_t first = 99;
  b16->GetPart(1)->dwFirstIndex = 2;
  EXPECT_EQ(b16->GetPartInfo(1, nullptr, nullptr, &first, nullptr, nullptr, nullptr, nullptr, nullptr),
            ZP_OK);
  EXPECT_EQ(first, 2u);

  EXPECT_EQ(dev->DestroyIndexBuffer(b16), ZP_OK);
  EXPECT_EQ(dev->Count(dev->m_plistObjectsIndex), 1u);
  CIndexBuffer16 unlisted;
  EXPECT_EQ(dev->DestroyIndexBuffer(&unlisted), ZP_OK); // not listed: harmless
  unlisted.SetType(7);
  EXPECT_EQ(dev->DestroyIndexBuffer(&unlisted), ZP_FAIL);
  (void)b32; // left for Destroy
}

TEST(CoreDevice, TextureSharingByBaseName)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  int deleted = TexturesDeleted();

  CTexture* t1 = dev->LoadTexture(1, 3, kImage, sizeof(kImage), "data\\maps\\Earth.png");
  CTexture* t2 = dev->LoadTexture(1, 3, kImage, sizeof(kImage), "other/dir/Earth.png");
  ASSERT_NE(t1, nullptr);
  EXPECT_EQ(t1, t2);
  EXPECT_STREQ(t1->GetName(), "Earth.png");

  // Backslash wins over slash when both are present.
  CTexture* t3 = dev->LoadTexture(1, 3, kImage, sizeof(kImage), "a/b\\Earth.png");
  EXPECT_EQ(t3, t1);

  // Case-sensitive, and flags and kind must match.
  CTexture* upper = dev->LoadTexture(1, 3, kImage, sizeof(kImage), "EARTH.png");
  EXPECT_NE(upper, t1);
  CTexture* otherFlags = dev->LoadTexture(1, 11, kImage, sizeof(kImage), "Earth.png");
  EXPECT_NE(otherFlags, t1);

  // Without kind bit 0x1 nothing is shared, not even with itself.
  CTexture* p1 = dev->LoadTexture(0, 3, kImage, sizeof(kImage), "Moon.png");
  CTexture* p2 = dev->LoadTexture(0, 3, kImage, sizeof(kImage), "Moon.png");
  EXPECT_NE(p1, p2);
  EXPECT_EQ(dev->Count(dev->m_plistTextures), 5u);

  // Three references on t1: two destroys keep it, the third deletes it.
  EXPECT_EQ(dev->DestroyTexture(t1), ZP_OK);
  EXPECT_EQ(dev->DestroyTexture(t1), ZP_OK);
  EXPECT_EQ(TexturesDeleted(), deleted);
  EXPECT_EQ(dev->DestroyTexture(t1), ZP_OK);
  EXPECT_EQ(TexturesDeleted(), deleted + 1);
  EXPECT_EQ(dev->Count(dev->m_plistTextures), 4u);
}

TEST(CoreDevice, FailedLoadIsDestroyedAndUnlisted)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  int deleted = TexturesDeleted();
  EXPECT_EQ(dev->LoadTexture(1, 3, kBad, sizeof(kBad), "x.png"), nullptr);
  EXPECT_EQ(dev->LoadTextureFile(1, 3, "dir/missing.tga"), nullptr);
  EXPECT_EQ(TexturesDeleted(), deleted + 2);
  EXPECT_EQ(dev->Count(dev->m_plistTextures), 0u);

  CTexture* f1 = dev->LoadTextureFile(1, 3, "dir\\sky.tga");
  CTexture* f2 = w.world.LoadTextureFile(1, 3, "sky.tga");
  ASSERT_NE(f1, nullptr);
  EXPECT_EQ(f1, f2);
}

TEST(CoreDevice, ShadersAreListedAndShared)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  CShader* s = dev->CreateShader(1, 0);
  ASSERT_NE(s, nullptr);
  s->CreateFromFile(0, 0, "shaders/glow.frag");
  EXPECT_STREQ(s->GetName(), "glow.frag");
  EXPECT_EQ(dev->DestroyShader(s), ZP_OK);
  EXPECT_EQ(dev->Count(dev->m_plistShaders), 0u);
}

TEST(CoreDevice, DestroyEmptiesListsInOrderWithoutLeakLines)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  int objectsDeleted = ObjectsDeleted();
  int texturesDeleted = TexturesDeleted();

  CTexture* t = w.world.LoadTexture(1, 3, kImage, sizeof(kImage), "t.png");
  w.world.LoadTexture(1, 3, kImage, sizeof(kImage), "t.png"); // two references
  C3DObject* o = w.world.CreateObject(0xC03, 0);
  ASSERT_EQ(o->SetupGeometry(1, 4, 4), ZP_OK);
  o->SetTexture(t, 0, 0);
  w.world.CreateObject(0x10, 0);
  dev->CreateIndexBuffer(0, 0, 2);
  dev->CreateShader(0, 0);

  ASSERT_EQ(dev->Destroy(), ZP_OK);
  EXPECT_EQ(ObjectsDeleted(), objectsDeleted + 2);
  EXPECT_EQ(TexturesDeleted(), texturesDeleted + 1);
  EXPECT_TRUE(dev->m_plistObjects.IsEmpty());
  EXPECT_TRUE(dev->m_plistTextures.IsEmpty());
  EXPECT_TRUE(dev->m_plistShaders.IsEmpty());
  EXPECT_TRUE(dev->m_plistObjectsIndex.IsEmpty());
  EXPECT_EQ(ReadFile(w.strLog).find("detected memory leaks"), std::string::npos);
}

class CLoggedTexture : public CFakeTexture
{
public:
  ZRESULT Release() override
  {
    LogCall("texture");
    return CFakeTexture::Release();
  }
};
class CLoggedShader : public CShader
{
public:
  ZRESULT Release() override
  {
    LogCall("shader");
    return CShader::Release();
  }
};
class CLoggedIndexBuffer : public CIndexBuffer16
{
public:
  ZRESULT Release() override
  {
    LogCall("index");
    return CIndexBuffer16::Release();
  }
};
class CLoggedObject : public CFakeObject
{
public:
  ZRESULT Release() override
  {
    LogCall("object");
    return CFakeObject::Release();
  }
};

TEST(CoreDevice, DestroyOrderObjectsIndexBuffersTexturesShaders)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  // Listed in the reverse of the emptying order.
  dev->m_plistShaders.AddTail(new CLoggedShader(), false);
  dev->m_plistTextures.AddTail(new CLoggedTexture(), true);
  dev->m_plistTextures.AddRefCurrent(); // shared twice: force still frees it
  dev->m_plistObjectsIndex.AddTail(new CLoggedIndexBuffer());
  auto* o1 = new CLoggedObject();
  auto* o2 = new CLoggedObject();
  o1->Attach(w.S());
  o2->Attach(w.S());
  dev->m_plistObjects.AddTail(o1, false);
  dev->m_plistObjects.AddTail(o2, false);

  CallLog().clear();
  ASSERT_EQ(dev->Destroy(), ZP_OK);
  EXPECT_EQ(CallLog(),
            (std::vector<std::string>{ "Destroy", "object", "object", "index", "texture", "shader" }));
  EXPECT_EQ(ReadFile(w.strLog).find("detected memory leaks"), std::string::npos);
}

} // namespace
