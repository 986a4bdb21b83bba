#pragma once
// A presented picture as a picture file at its native size: BMP (24 bits, rows bottom-up, as
// every viewer reads it) or JPEG (quality about 90). The file appears whole or not at all.
#include <string>

#include "Engine/VideoDecoder.h"

namespace MOVRA {

bool WritePictureFile(const DecodedPicture& picture, const std::string& path, bool jpeg, std::string* error);

}  // namespace MOVRA
