// Which picture each card shows: image files in the program's folder, named for one card (Ah, 10s),
// a rank (A, 10), a suit (h, s), the joker, all fronts (表) or the back (裏). The file names are the
// whole record of what shows where.
#pragma once

#include <cstdint>
#include <string>

#include "deck/card.h"

// The extensions a face picture may have, in the order they are tried.
extern const char16_t* const kPictureExtensions[4];
// A name with its letters A-Z made small, to compare names as the Windows file systems do.
std::u16string foldCase(std::u16string s);

std::u16string pictureFolder();  // the program's folder, without a separator at its end
// The folder and the card's own base name (Ah, 10s, joker); empty for a card of no known face.
std::u16string faceBaseName(int32_t rank, char16_t suit);
// Completes a base path with the first of .jpg, .gif, .bmp, .png that exists (the name as it is on
// disk, whatever its letter case); false, and the path as it was, when none does.
bool probeExtensions(std::u16string& path);
// The file of the card's own picture (the card, its rank, its suit, in that order), or empty.
std::u16string findFacePicture(const Card& card);
// Looks the card's picture up again and decodes it when the file found is another one.
void refreshCardPicture(Card& card);
// The all-fronts and back pictures, once at start-up.
void loadTablePictures();
