#pragma once

#include <QPaintDevice>
#include <QString>

#include <memory>

namespace qm {

class TSvgPaintEngine;

// A paint device that writes what a QPainter draws on it as an SVG
// document of width x height pixels (96 per inch), UTF-8: each path, polygon
// or rectangle one element with its own fill, stroke and transform, Qt's
// 8 x 8 hatch patterns as SVG patterns with transparent gaps (one
// definition per pattern and colour), text as text elements in every family
// of the font's family list, pictures as embedded PNG images.
//
// Written for the drawing exports: a drawing of 10 000 items gives about a
// quarter of the bytes QSvgGenerator writes for it, in a fraction of the
// time, since its elements carry no group of repeated state each.
class TSvgPaintDevice final : public QPaintDevice {
public:
    TSvgPaintDevice(int width, int height, QString title);
    ~TSvgPaintDevice() override;
    TSvgPaintDevice(const TSvgPaintDevice&) = delete;
    TSvgPaintDevice& operator=(const TSvgPaintDevice&) = delete;

    QPaintEngine* paintEngine() const override;
    // The document, complete once the painter has ended.
    const QByteArray& Document() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int width_;
    int height_;
    std::unique_ptr<TSvgPaintEngine> engine_;
};

} // namespace qm
