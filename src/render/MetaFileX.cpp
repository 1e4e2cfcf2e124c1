#include "MetaFileX.h"

namespace qm {

TMetaFileX::TMetaFileX() : TSurfaceX(kMetafileTraits), canvas_(std::make_unique<TMetafileCanvas>(0, 0)) {}

void TMetaFileX::InitMeta(std::int32_t width, std::int32_t height)
{
    canvas_ = std::make_unique<TMetafileCanvas>(width, height);
}

std::vector<char> TMetaFileX::FinishMetafile()
{
    std::vector<char> bytes = canvas_->Finish();
    InitMeta(canvas_->Width(), canvas_->Height());
    return bytes;
}

} // namespace qm
