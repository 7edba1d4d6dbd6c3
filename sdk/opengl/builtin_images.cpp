#include "sdk/opengl/builtin_images.h"

#include <strings.h>

#include <cstring>

const SEmbeddedFile* FindBuiltInImage(const char* name)
{
  if (!name)
    return nullptr;
  unsigned count = 0;
  const SEmbeddedFile* images = GetEmbeddedImages(&count);
  for (unsigned i = 0; i < count; ++i)
  {
    // strncasecmp stops at the end of the shorter string, so a request shorter than the
    // entry name compares its terminating zero and does not match.
    const char* entry = images[i].name;
    if (strncasecmp(name, entry, std::strlen(entry)) == 0)
      return &images[i];
  }
  return nullptr;
}
