#include "ui/DibImage.h"

#include "imaging/Dib.h"

#include <QtTest>

namespace {

// A picture whose stored rows are given bottom row first, as bitmaps keep
// them; each row is padded here to the bitmap's stride.
SwDib Picture(int width, int bitCount, const std::vector<std::vector<std::uint8_t>>& bottomUp,
              std::vector<SwRgbQuad> palette = {}) {
    SwDib dib;
    dib.Allocate(width, static_cast<int>(bottomUp.size()), bitCount);
    const std::size_t stride = static_cast<std::size_t>(dib.Stride());
    for (std::size_t row = 0; row < bottomUp.size(); ++row)
        std::copy(bottomUp[row].begin(), bottomUp[row].end(), dib.pixels.begin() + row * stride);
    dib.palette = std::move(palette);
    dib.header.clrUsed = static_cast<std::uint32_t>(dib.palette.size());
    return dib;
}

SwRgbQuad Quad(int r, int g, int b) {
    return SwRgbQuad{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                     static_cast<std::uint8_t>(r), 0};
}

// Pixels top-down, left to right, as 0xRRGGBB.
std::vector<unsigned> Pixels(const QImage& image) {
    std::vector<unsigned> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.push_back(image.pixel(x, y) & 0xFFFFFFu);
    return out;
}

using Colours = std::vector<unsigned>;

} // namespace

class DibImageTest : public QObject {
    Q_OBJECT
private slots:
    void PalettePictures() {
        const std::vector<SwRgbQuad> two{Quad(0, 0, 0), Quad(255, 255, 255)};
        // 1 bit, 10 wide: the leftmost pixel in the highest bit.
        const QImage mono = sw::ui::DibToQImage(
            Picture(10, 1, {{0b10000000, 0b01000000}, {0b01111111, 0b10000000}}, two));
        QCOMPARE(mono.size(), QSize(10, 2));
        QCOMPARE(Pixels(mono),
                 (Colours{0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                          0xFFFFFF, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0x000000, 0x000000,
                          0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0xFFFFFF}));

        const std::vector<SwRgbQuad> four{Quad(255, 0, 0), Quad(0, 255, 0), Quad(0, 0, 255),
                                          Quad(10, 20, 30)};
        const QImage nibbles =
            sw::ui::DibToQImage(Picture(3, 4, {{0x01, 0x20}, {0x32, 0x10}}, four));
        QCOMPARE(Pixels(nibbles),
                 (Colours{0x0A141E, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FF00, 0x0000FF}));

        // An index past the palette's end shows black.
        const QImage bytes = sw::ui::DibToQImage(Picture(3, 8, {{3, 1, 200}}, four));
        QCOMPARE(Pixels(bytes), (Colours{0x0A141E, 0x00FF00, 0x000000}));
    }

    void DirectColourPictures() {
        // 16 bits 5-5-5: red 31, green 0, blue 0 is 0x7C00; grey 16,16,16.
        const QImage high = sw::ui::DibToQImage(Picture(2, 16, {{0x00, 0x7C, 0x10, 0x42}}));
        QCOMPARE(Pixels(high), (Colours{0xFF0000, 0x848484}));

        // 24 bits, blue green red, 2 wide (rows padded to 8 bytes), 2 high.
        const QImage rgb = sw::ui::DibToQImage(
            Picture(2, 24, {{1, 2, 3, 4, 5, 6}, {0x30, 0x20, 0x10, 0xFF, 0x80, 0x00}}));
        QCOMPARE(Pixels(rgb), (Colours{0x102030, 0x0080FF, 0x030201, 0x060504}));

        const QImage quads = sw::ui::DibToQImage(Picture(1, 32, {{9, 8, 7, 0xAA}}));
        QCOMPARE(Pixels(quads), (Colours{0x070809}));
    }

    void UnusableBitmapsGiveNoImage() {
        QVERIFY(sw::ui::DibToQImage(SwDib{}).isNull());
        SwDib truncated = Picture(4, 24, {{0}, {0}});
        truncated.pixels.resize(truncated.pixels.size() - 1);
        QVERIFY(sw::ui::DibToQImage(truncated).isNull());
        SwDib odd = Picture(4, 24, {{0}});
        odd.header.bitCount = 12;
        QVERIFY(sw::ui::DibToQImage(odd).isNull());
    }
};

QTEST_APPLESS_MAIN(DibImageTest)
#include "DibImageTest.moc"
