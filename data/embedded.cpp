#include "data/embedded.h"

#include <cstring>

const SEmbeddedFile* FindEmbeddedText(const char* name)
{
  unsigned count = 0;
  const SEmbeddedFile* texts = GetEmbeddedTexts(&count);
  for (unsigned i = 0; name && i < count; ++i)
    if (std::strcmp(texts[i].name, name) == 0)
      return &texts[i];
  return nullptr;
}

bool ReplaceEmbeddedText(const char* name, const unsigned char* data, unsigned size)
{
  SEmbeddedFile* text = const_cast<SEmbeddedFile*>(FindEmbeddedText(name));
  if (!text || !data)
    return false;
  text->data = data;
  text->size = size;
  return true;
}
