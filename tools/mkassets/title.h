// The title banner: text rasterised with FreeType from a font fontconfig finds, in icy lettering.
#pragma once

#include <string>

#include "image.h"

namespace mkassets {

// A 1024 by 256 image with alpha (four square tiles side by side) holding the title.
Image RenderTitle(const std::string& text);

}  // namespace mkassets
