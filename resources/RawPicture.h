// The raw picture files the build renders the artwork into and the panel
// wraps in place, with nothing to decode: width, height and the QImage
// format as 32-bit little-endian numbers, then the rows, four bytes a pixel.
// A picture with no transparent pixel is RGB32, any other premultiplied
// ARGB32, so the panel need not look for transparency at start-up.
#ifndef RAWPICTURE_H
#define RAWPICTURE_H

namespace RawPicture {
constexpr int HeaderSize = 12;
} // namespace RawPicture

#endif
