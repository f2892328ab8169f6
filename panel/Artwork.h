// The panel's pictures, rendered from the SVG sources in the resources, and
// the lamp, which is drawn pixel by pixel. Sizes are in logical pixels: on a
// screen scaled above 1 each picture comes with twice the pixels.
#ifndef ARTWORK_H
#define ARTWORK_H

#include <QIcon>
#include <QPixmap>

namespace Artwork {

QPixmap Logo();    // 173 x 72
QPixmap Banner();  // 518 x 29
QPixmap Slogan();  // 518 x 42
QPixmap Caution(); // 150 x 37
QPixmap Cartoon(); // 320 x 200
QPixmap Lamp();    // 14 x 14 red square with a darker two-pixel rim
QIcon WindowIcon();

} // namespace Artwork

#endif
