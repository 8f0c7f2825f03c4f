#pragma once

// Decoded bitmaps as Qt images, for the chart icons and the picture previews.

#include <QImage>

struct SwDib;

namespace sw::ui {

// The picture as a top-down RGB32 image; a null image when the bitmap holds
// no pixels or fewer bytes than its size needs. Palette indices past the
// palette's end show black.
QImage DibToQImage(const SwDib& dib);

} // namespace sw::ui
