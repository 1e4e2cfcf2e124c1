#pragma once

#include "SurfaceX.h"

#include "qtplatform/MetafileCanvas.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace qm {

// How the metafile surface differs from the raster one: a closing stroke
// only where the walker stopped short of the end point, and every primitive
// starting from the platform's default pen, brush and font.
inline constexpr TSurfaceTraits kMetafileTraits{
    .AlwaysCloseStroke = false, .DefaultStatePerPrimitive = true, .LeavesOutHiddenStrokes = false};

// The vector twin of TBitmapX: the primitives of TSurfaceX recorded into an
// enhanced metafile, stroke by stroke and character by character, in canvas
// coordinates. Every primitive is recorded once into the one picture, so a
// drawing costs time in proportion to its size.
class TMetaFileX final : public TSurfaceX {
public:
    TMetaFileX();

    TCanvas& Canvas() override { return *canvas_; }

    // Starts an empty metafile of that size in pixels; draws nothing.
    void InitMeta(std::int32_t width, std::int32_t height);
    // Ends the picture and returns the bytes of its metafile file (empty when
    // it could not be built); then starts an empty one of the same size.
    std::vector<char> FinishMetafile();

private:
    std::unique_ptr<TMetafileCanvas> canvas_;
};

} // namespace qm
