#pragma once

#include "Canvas.h"
#include "EnhancedMetafile.h"
#include "WindowsMetafile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace qm {

enum class TMetafileFormat { Enhanced, Windows };

// An enhanced (EMF) or Windows (WMF) metafile picture. It keeps the file's
// bytes and plays their records through the canvas each time it is drawn,
// so its size is only a number: a huge declared size allocates nothing.
class TMetafilePicture final : public TGraphic {
public:
    // The picture, or null with `error` saying why the bytes are not one.
    static std::unique_ptr<TMetafilePicture> FromBytes(std::vector<char> bytes, TMetafileFormat format,
                                                       std::string& error);

    // The picture's size on the canvas, cut to kMaxSide each way: drawn at
    // its own size, no canvas shows more of it than that.
    std::int32_t Width() const override;
    std::int32_t Height() const override;
    void DrawOn(TCanvas& canvas, std::int32_t x, std::int32_t y) const override;
    // Stretched so that the part Width() and Height() cover fills the box.
    void DrawStretched(TCanvas& canvas, std::int32_t x, std::int32_t y, std::int32_t width,
                       std::int32_t height) const;

    static constexpr std::int32_t kMaxSide = 16384;

private:
    using TInfo = std::variant<TEnhancedMetafileInfo, TWindowsMetafileInfo>;

    TMetafilePicture(std::vector<char> bytes, TInfo info);
    const TMetafileFrame& Frame() const;
    void Play(TCanvas& canvas, double left, double top, double width, double height) const;

    std::vector<char> bytes_;
    TInfo info_;
};

} // namespace qm
