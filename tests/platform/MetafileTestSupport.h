#pragma once

#include "MetafileWriters.h"
#include "RecordingCanvas.h"

#include "platform/MetafilePicture.h"

#include <QByteArray>

#include <uemf.h>
#include <uwmf.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qm::test {

// A metafile's bytes as the player takes them.
inline std::vector<char> PlayerBytes(const QByteArray& bytes)
{
    return {bytes.begin(), bytes.end()};
}

inline std::unique_ptr<TMetafilePicture> ReadPicture(const QByteArray& bytes, TMetafileFormat format)
{
    std::string error;
    auto picture = TMetafilePicture::FromBytes(PlayerBytes(bytes), format, error);
    EXPECT_TRUE(picture) << error;
    return picture;
}

// The canvas calls of the picture drawn at (0, 0) at its own size.
inline std::vector<TCanvasCall> Played(const QByteArray& bytes, TMetafileFormat format)
{
    TRecordingCanvas canvas;
    if (const auto picture = ReadPicture(bytes, format))
        picture->DrawOn(canvas, 0, 0);
    return canvas.Calls();
}

inline std::vector<TCanvasCall> CallsOf(const std::vector<TCanvasCall>& calls, TCanvasCall::TKind kind)
{
    std::vector<TCanvasCall> selected;
    for (const TCanvasCall& call : calls) {
        if (call.Kind == kind)
            selected.push_back(call);
    }
    return selected;
}

inline std::vector<TCanvasPoint> Points(std::initializer_list<TCanvasPoint> points)
{
    return points;
}

inline U_COLORREF Colorref(TColor color)
{
    return colorref3_set(static_cast<std::uint8_t>(RedOf(color)), static_cast<std::uint8_t>(GreenOf(color)),
                         static_cast<std::uint8_t>(BlueOf(color)));
}

} // namespace qm::test
