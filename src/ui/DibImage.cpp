#include "ui/DibImage.h"

#include "imaging/Dib.h"

namespace sw::ui {

namespace {

QRgb PaletteColour(const SwDib& dib, unsigned index) {
    if (index >= dib.palette.size())
        return qRgb(0, 0, 0);
    const SwRgbQuad& entry = dib.palette[index];
    return qRgb(entry.red, entry.green, entry.blue);
}

int Expand5(unsigned value) {
    return static_cast<int>((value << 3) | (value >> 2));
}

QRgb PixelAt(const SwDib& dib, const std::uint8_t* row, int x) {
    switch (dib.BitCount()) {
    case 1:
        return PaletteColour(dib, (row[x / 8] >> (7 - x % 8)) & 1u);
    case 4:
        return PaletteColour(dib, (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xFu);
    case 8:
        return PaletteColour(dib, row[x]);
    case 16: {
        const unsigned v = row[2 * x] | (unsigned{row[2 * x + 1]} << 8);
        return qRgb(Expand5((v >> 10) & 0x1Fu), Expand5((v >> 5) & 0x1Fu), Expand5(v & 0x1Fu));
    }
    case 24:
        return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: // 32: blue, green, red, unused
        return qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
}

} // namespace

QImage DibToQImage(const SwDib& dib) {
    const int width = dib.Width();
    const int height = dib.Height();
    const std::int64_t stride = sw::imaging::DibStride(width, dib.BitCount());
    if (height < 1 || stride == 0 || static_cast<std::int64_t>(dib.pixels.size()) < stride * height)
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = dib.Row(y);
        QRgb* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            target[x] = PixelAt(dib, source, x);
    }
    return image;
}

} // namespace sw::ui
