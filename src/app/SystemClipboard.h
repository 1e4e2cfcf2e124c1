#pragma once

#include "model/ObjectTree.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class QMimeData;

namespace qm {

// The desktop's clipboard beside the drawing's own (the Temp node): copy and
// cut put the Temp node's items there as a drawing of their own, as a PNG of
// their pixels and as SVG; paste takes a drawing another editor put there,
// or another program's text as a text item.
class TSystemClipboard {
public:
    static constexpr const char* kMimeType = "application/x-quillmark-drawing";
    // The newest layout of the drawing's clipboard data this editor reads.
    static constexpr std::uint32_t kVersion = 1;

    explicit TSystemClipboard(TObjectTree& tree) : tree_(tree) {}

    // The Temp node's items onto the desktop's clipboard.
    void Publish();

    enum class TContent { Own, Drawing, Text, Image, Nothing };
    // Before a paste: a drawing or text from elsewhere takes the place of the
    // Temp node's items (as part of the caller's step). Throws TFileError,
    // with nothing changed, for drawing data that is damaged, cut short or
    // of a newer version.
    TContent TakeIntoTemp();
    // Whether the desktop's clipboard holds something a paste can use.
    static bool OffersPaste();

private:
    // The data: the version, then the drawing as a document file.
    void DecodeIntoTemp(const QByteArray& data);
    void TextIntoTemp(const QString& text);

    TObjectTree& tree_;
    QByteArray published_; // what Publish put there last
};

} // namespace qm
