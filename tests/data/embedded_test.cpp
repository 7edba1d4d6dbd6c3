#include "data/embedded.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Embedded, TablesHoldEveryFileWithATerminatingNul)
{
  unsigned n = 0;
  const SEmbeddedFile* texts = GetEmbeddedTexts(&n);
  ASSERT_EQ(n, 3u);
  EXPECT_STREQ(texts[0].name, "Planeto.Engine.ini");
  EXPECT_STREQ(texts[2].name, "Planeto.Font.ini");
  for (unsigned i = 0; i < n; ++i)
  {
    EXPECT_GT(texts[i].size, 0u);
    EXPECT_EQ(texts[i].data[texts[i].size], 0) << texts[i].name;
  }
  EXPECT_EQ(FindEmbeddedText("Planeto.Appli.ini"), &texts[1]);
  EXPECT_EQ(FindEmbeddedText("planeto.appli.ini"), nullptr);

  const SEmbeddedFile* images = GetEmbeddedImages(&n);
  ASSERT_EQ(n, 20u);
  EXPECT_STREQ(images[0].name, "earthday.png");
  EXPECT_STREQ(images[19].name, "flare4.png");
  for (unsigned i = 0; i < n; ++i)
    EXPECT_EQ(std::memcmp(images[i].data, "\x89PNG", 4), 0) << images[i].name;
}
