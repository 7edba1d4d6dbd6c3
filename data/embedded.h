#pragma once

// A file compiled into the program (settings texts, images).  The bytes are followed
// by a NUL that `size` does not count.
struct SEmbeddedFile
{
  const char* name;
  const unsigned char* data;
  unsigned int size;
};

// The three settings texts, in the order engine, application, font.
const SEmbeddedFile* GetEmbeddedTexts(unsigned* count);
// The images of the built-in image table, in table order.
const SEmbeddedFile* GetEmbeddedImages(unsigned* count);
// The star catalogues (the image table holds none).
const SEmbeddedFile* GetEmbeddedCatalogs(unsigned* count);

// Replaces a text's bytes for the rest of the run (command-line overrides).  The bytes
// must stay alive and be followed by a NUL.  False when no text has that name.
bool ReplaceEmbeddedText(const char* name, const unsigned char* data, unsigned size);

// The built-in image lookup: the first table entry whose whole name begins the
// requested name, compared without regard to letter case ("EarthDay.png" and
// "earthday.png.bak" find "earthday.png"); null when none does, so a ".tga" name
// resolves to nothing.
const SEmbeddedFile* FindBuiltInImage(const char* name);

// The same lookup in the catalogue table ("Constellations.catalog.txt").
const SEmbeddedFile* FindBuiltInCatalog(const char* name);

// Looks a text up by its exact file name ("Planeto.Engine.ini"); null when absent.
const SEmbeddedFile* FindEmbeddedText(const char* name);
