#include "data/embedded.h"

#include <strings.h>

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

namespace
{

// The first entry whose whole name begins the requested name, case aside.
const SEmbeddedFile* FindByPrefix(const SEmbeddedFile* table, unsigned count, const char* name)
{
  if (!name)
    return nullptr;
  for (unsigned i = 0; i < count; ++i)
  {
    // strncasecmp stops at the end of the shorter string, so a request shorter than the
    // entry name compares its terminating zero and does not match.
    const char* entry = table[i].name;
    if (strncasecmp(name, entry, std::strlen(entry)) == 0)
      return &table[i];
  }
  return nullptr;
}

} // namespace

const SEmbeddedFile* FindBuiltInImage(const char* name)
{
  unsigned count = 0;
  const SEmbeddedFile* images = GetEmbeddedImages(&count);
  return FindByPrefix(images, count, name);
}

const SEmbeddedFile* FindBuiltInCatalog(const char* name)
{
  unsigned count = 0;
  const SEmbeddedFile* catalogs = GetEmbeddedCatalogs(&count);
  return FindByPrefix(catalogs, count, name);
}
