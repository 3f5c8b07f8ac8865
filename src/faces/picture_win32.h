// Decoding picture files (JPEG, GIF, BMP, PNG) with the system's GDI+ into Pictures, and drawing
// them. The library starts with the first load and stops when no picture is held any more.
#pragma once

#include "desk/windows_win32.h"

#include <string>

#include "faces/picture.h"

enum class PictureLoad { Ok, Failed, OutOfMemory };

// The picture must be empty; on failure it stays empty (out of memory for the palette: it holds
// its blank bitmap).
PictureLoad loadPicture(Picture& picture, const std::u16string& path);
// Frees what the picture holds and empties it; an empty picture stays as it is.
void destroyPicture(Picture& picture);
// Stretches the source rectangle of the picture over the destination rectangle: blended by its
// alpha (result = picture x a + destination x (1 - a)) when it has one, copied otherwise.
bool drawPicture(Picture& picture, HDC dest, int x, int y, int w, int h, int sx, int sy, int sw, int sh);
// Program end: deletes the spare contexts and stops the library.
void endPictures();

// Test seams: every load fails after decoding, where it copies the pixels; decoded images that were
// disposed of after the library had stopped (a fault).
void failPictureCopies(bool fail);
int imagesDisposedAfterShutdown();
// The spare memory contexts (four slots), for tests: how many a slot holds.
int cachedPictureContexts();
// Borrowing a context for a picture; nested borrowings share one.
HDC borrowPictureContext(Picture& picture);
void returnPictureContext(Picture& picture);
