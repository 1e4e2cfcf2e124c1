#pragma once

// Compares two pictures of one drawing made by different painters (the
// raster canvas, an SVG or PDF reader, a zoomed view scaled back): edges
// are smoothed by some and hard by others, so pixels are not compared one
// for one. Ink is what differs clearly from the background; a picture's ink
// is matched when the other has ink of a like colour within `reach` pixels.
#include <QImage>

#include <algorithm>
#include <cstdlib>

namespace qm::test {

struct TInkMatch {
    long long Ink = 0;     // ink pixels of the first picture
    long long Matched = 0; // of them, matched by the second
    double Share() const { return Ink == 0 ? 1.0 : static_cast<double>(Matched) / static_cast<double>(Ink); }
};

inline bool IsInk(QRgb pixel, QRgb background)
{
    return std::max({std::abs(qRed(pixel) - qRed(background)), std::abs(qGreen(pixel) - qGreen(background)),
                     std::abs(qBlue(pixel) - qBlue(background))})
        >= 48;
}

// A smoothed edge pixel lies between the ink's colour and the background:
// colours match when they are close, or when both lean the same way from
// the background in every channel.
inline bool LikeColours(QRgb a, QRgb b, QRgb background)
{
    const int distance = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
    if (distance <= 96)
        return true;
    const auto sameWay = [](int x, int y, int ground) { return (x - ground) * (y - ground) >= 0 || std::abs(x - y) <= 32; };
    return sameWay(qRed(a), qRed(b), qRed(background)) && sameWay(qGreen(a), qGreen(b), qGreen(background))
        && sameWay(qBlue(a), qBlue(b), qBlue(background));
}

// How much of `first`'s ink `second` has within `reach` pixels, over the
// area both cover.
inline TInkMatch InkOfFirstInSecond(const QImage& firstImage, const QImage& secondImage, int reach = 1,
                                    QRgb background = qRgb(255, 255, 255))
{
    const QImage first = firstImage.convertToFormat(QImage::Format_RGB32);
    const QImage second = secondImage.convertToFormat(QImage::Format_RGB32);
    const int width = std::min(first.width(), second.width());
    const int height = std::min(first.height(), second.height());
    TInkMatch match;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = first.pixel(x, y);
            if (!IsInk(pixel, background))
                continue;
            ++match.Ink;
            bool found = false;
            for (int dy = -reach; dy <= reach && !found; ++dy) {
                for (int dx = -reach; dx <= reach && !found; ++dx) {
                    const int sx = x + dx;
                    const int sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= width || sy >= height)
                        continue;
                    const QRgb other = second.pixel(sx, sy);
                    found = IsInk(other, background) && LikeColours(pixel, other, background);
                }
            }
            if (found)
                ++match.Matched;
        }
    }
    return match;
}

} // namespace qm::test
