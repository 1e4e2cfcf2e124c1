#include "Canvas.h"

namespace qm {

namespace {

// A 1920 x 1080 screen at 96 pixels per inch: 508 x 286 millimetres.
constexpr std::int32_t kReferenceWidthPixels = 1920;
constexpr std::int32_t kReferenceHeightPixels = 1080;
constexpr std::int32_t kReferenceWidthMm = 508;
constexpr std::int32_t kReferenceHeightMm = 286;

} // namespace

std::int32_t TCanvas::GetDeviceCaps(int index) const
{
    switch (index) {
    case HORZSIZE:
        return kReferenceWidthMm;
    case VERTSIZE:
        return kReferenceHeightMm;
    case HORZRES:
        return kReferenceWidthPixels;
    case VERTRES:
        return kReferenceHeightPixels;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return kPixelsPerInch;
    default:
        return 0;
    }
}

} // namespace qm
