#include "RasterFonts.h"

#include "platform/Cp932Characters.h"
#include "platform/ShiftJis.h"

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

namespace qm {

namespace {

// Masks kept per face before the oldest set is dropped; documents turn text
// to a handful of angles, so this is only reached by damaged ones.
constexpr std::size_t kMaxMasksPerFace = 8192;
// Coverage bytes kept over all faces: a damaged file naming thousands of
// large characters would otherwise hold gigabytes.
constexpr std::size_t kMaxMaskBytes = std::size_t{256} << 20;
// Faces kept; a document uses a few, a damaged one any number of sizes and names.
constexpr std::size_t kMaxFaces = 256;

// GDI picks a default size for height 0.
constexpr int kDefaultFontPixels = 12;
// Bigger glyphs only come from damaged files: a character taller than the
// largest canvas the settings offer, whose mask would cost tens of
// megabytes and a noticeable time each.
constexpr int kMaxFontPixels = 1024;

// Windows face names, UTF-8, and the IPA faces that stand in for them.
constexpr std::pair<const char*, const char*> kSubstitutes[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
};

int PixelSizeOf(const TFont& font)
{
    const std::int64_t height = font.Height;
    if (height == 0)
        return kDefaultFontPixels;
    if (height < 0)
        return static_cast<int>(std::min<std::int64_t>(-height, kMaxFontPixels));
    // A positive height is the whole cell, internal leading included: scale
    // the character height so that the cell comes out that tall.
    const int cell = static_cast<int>(std::min<std::int64_t>(height, kMaxFontPixels));
    QFont probe = ToQFont(TFont{font.Name, -cell, font.Style, font.Color, font.Charset});
    const int probeCell = std::max(1, QFontMetrics(probe).height());
    return std::clamp(static_cast<int>((static_cast<std::int64_t>(cell) * cell + probeCell / 2) / probeCell), 1,
                      kMaxFontPixels);
}

std::string FaceKey(const TFont& font)
{
    std::string key = font.Name;
    key += '\0';
    key += std::to_string(font.Height);
    key += '\0';
    key += std::to_string(font.Style);
    return key;
}

bool SameFace(const TFont& a, const TFont& b)
{
    return a.Height == b.Height && a.Style == b.Style && a.Name == b.Name;
}

} // namespace

void InstallFontSubstitutes()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        for (const auto& [windowsName, ipaName] : kSubstitutes)
            QFont::insertSubstitution(QString::fromUtf8(windowsName), QString::fromUtf8(ipaName));
    });
}

QFont ToQFont(const TFont& font)
{
    InstallFontSubstitutes();
    QFont qfont;
    if (!font.Name.empty())
        qfont.setFamily(QString::fromStdString(Cp932ToUtf8(font.Name)));
    qfont.setPixelSize(PixelSizeOf(font));
    qfont.setBold(font.Has(fsBold));
    qfont.setItalic(font.Has(fsItalic));
    qfont.setUnderline(font.Has(fsUnderline));
    qfont.setStrikeOut(font.Has(fsStrikeOut));
    qfont.setKerning(false);
    // Grayscale smoothing only: small rotated kana lose their marks without
    // it, and colour fringes would depend on the screen.
    qfont.setStyleStrategy(static_cast<QFont::StyleStrategy>(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    return qfont;
}

namespace {

QFont WithoutDecorations(QFont font)
{
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

} // namespace

TRasterFontCache::TFace::TFace(const QFont& qfont)
    : plainFont(WithoutDecorations(qfont)), metrics(qfont), rawFont(QRawFont::fromFont(plainFont)),
      underline(qfont.underline()), strikeOut(qfont.strikeOut())
{
    const QFontMetricsF exactMetrics(qfont);
    textMetrics = {exactMetrics.ascent(), exactMetrics.descent()};
}

TRasterFontCache::TFace& TRasterFontCache::Face(const TFont& font)
{
    if (lastFace_ && SameFace(font, lastFont_))
        return *lastFace_;
    const std::string key = FaceKey(font);
    if (faces_.size() >= kMaxFaces && !faces_.contains(key)) {
        faces_.clear();
        maskBytes_ = 0;
    }
    std::unique_ptr<TFace>& face = faces_[key];
    if (!face)
        face = std::make_unique<TFace>(ToQFont(font));
    lastFace_ = face.get();
    lastFont_ = font;
    return *face;
}

std::int32_t TRasterFontCache::TextWidth(const TFont& font, std::string_view text)
{
    TFace& face = Face(font);
    std::int64_t width = 0;
    ForEachCp932Character(text, [&](std::string_view one) { width += Glyph(face, one).advance; });
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(width, 0, std::numeric_limits<std::int32_t>::max()));
}

TTextMetrics TRasterFontCache::TextMetrics(const TFont& font)
{
    return Face(font).textMetrics;
}

const TRasterFontCache::TGlyph& TRasterFontCache::Glyph(TFace& face, std::string_view character)
{
    const auto [entry, added] = face.glyphs.try_emplace(Cp932CharCode(character));
    TGlyph& glyph = entry->second;
    if (!added)
        return glyph;
    glyph.text = QString::fromStdString(Cp932ToUtf8(character));
    glyph.advance = face.metrics.horizontalAdvance(glyph.text);
    // Characters the face lacks are left to the painter's font fallback.
    const QList<quint32> indexes = face.rawFont.glyphIndexesForString(glyph.text);
    if (indexes.size() == 1 && indexes.front() != 0) {
        glyph.run.setRawFont(face.rawFont);
        glyph.run.setGlyphIndexes(indexes);
        glyph.run.setPositions({QPointF(0, 0)});
    }
    return glyph;
}


namespace {

// The non-zero part of an 8-bit image, as a mask whose box is offset by
// `origin`.
TRasterFontCache::TGlyphMask Trimmed(const QImage& image, QPoint origin)
{
    const int width = image.width();
    const int height = image.height();
    int left = width;
    int right = -1;
    int top = height;
    int bottom = -1;
    // Blank rows are passed over whole, and a row with ink is only read in
    // from both ends up to its first ink: most of a large glyph's box is
    // never looked at byte by byte.
    const std::vector<uchar> blank(static_cast<std::size_t>(width), 0);
    for (int y = 0; y < height; ++y) {
        const uchar* row = image.constScanLine(y);
        if (std::memcmp(row, blank.data(), blank.size()) == 0)
            continue;
        int first = 0;
        while (row[first] == 0)
            ++first;
        int last = width - 1;
        while (row[last] == 0)
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
    }
    TRasterFontCache::TGlyphMask mask;
    if (right < left)
        return mask;
    mask.left = origin.x() + left;
    mask.top = origin.y() + top;
    mask.width = right - left + 1;
    mask.height = bottom - top + 1;
    mask.coverage.reserve(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height));
    for (int y = top; y <= bottom; ++y) {
        const uchar* row = image.constScanLine(y);
        mask.coverage.insert(mask.coverage.end(), row + left, row + right + 1);
    }
    return mask;
}

std::uint64_t MaskKey(std::string_view character, std::int32_t escapement)
{
    return (static_cast<std::uint64_t>(escapement) << 32) | Cp932CharCode(character);
}

// Cell coordinates turned as GDI turns the text, counter-clockwise.
QTransform TurnOf(std::int32_t escapement)
{
    QTransform turn;
    turn.rotate(-escapement / 10.0);
    return turn;
}

} // namespace

const TRasterFontCache::TGlyphMask* TRasterFontCache::FindMask(const TFace& face, std::string_view character,
                                                               std::int32_t escapement) const
{
    const auto found = face.masks.find(MaskKey(character, escapement));
    return found == face.masks.end() ? nullptr : &found->second;
}

QRect TRasterFontCache::MaskBox(TFace& face, std::string_view character, std::int32_t escapement)
{
    const TGlyph& glyph = Glyph(face, character);
    const double height = face.metrics.height();
    // The pixels the character covers, by the metrics' promise, with the cell
    // and a margin for smoothing. (A box of the cell's whole surroundings
    // made a large character cost tens of milliseconds.)
    // One character's ink: the text form would lay a tab out to a tab stop.
    const QRect ink = glyph.text.size() == 1 ? face.metrics.boundingRect(glyph.text.front())
                                             : face.metrics.boundingRect(glyph.text);
    QRectF covered = QRectF(ink).translated(0, face.metrics.ascent());
    covered |= QRectF(0, 0, glyph.advance, height);
    const double margin = 2 + height / 16;
    return TurnOf(escapement).mapRect(covered.adjusted(-margin, -margin, margin, margin)).toAlignedRect();
}

const TRasterFontCache::TGlyphMask& TRasterFontCache::Mask(TFace& face, std::string_view character,
                                                           std::int32_t escapement)
{
    if (const TGlyphMask* found = FindMask(face, character, escapement))
        return *found;
    if (face.masks.size() >= kMaxMasksPerFace)
        DropMasks(face);

    const TGlyph& glyph = Glyph(face, character);
    const QTransform turn = TurnOf(escapement);
    const QRect box = MaskBox(face, character, escapement);
    QImage image(box.size(), QImage::Format_Alpha8);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setPen(Qt::black);
        painter.setTransform(turn * QTransform::fromTranslate(-box.left(), -box.top()));
        const QPointF baseline(0, face.metrics.ascent());
        if (!glyph.run.isEmpty()) {
            painter.drawGlyphRun(baseline, glyph.run);
        } else {
            painter.setFont(face.plainFont);
            painter.drawText(baseline, glyph.text);
        }
        const double thickness = face.metrics.lineWidth();
        if (face.underline)
            painter.fillRect(QRectF(0, baseline.y() + face.metrics.underlinePos(), glyph.advance, thickness), Qt::black);
        if (face.strikeOut)
            painter.fillRect(QRectF(0, baseline.y() - face.metrics.strikeOutPos(), glyph.advance, thickness), Qt::black);
    }
    TGlyphMask mask = Trimmed(image, box.topLeft());
    if (maskBytes_ + mask.coverage.size() > kMaxMaskBytes) {
        for (auto& entry : faces_)
            DropMasks(*entry.second);
    }
    maskBytes_ += mask.coverage.size();
    return face.masks.emplace(MaskKey(character, escapement), std::move(mask)).first->second;
}

void TRasterFontCache::DropMasks(TFace& face)
{
    for (const auto& entry : face.masks)
        maskBytes_ -= entry.second.coverage.size();
    face.masks.clear();
}

} // namespace qm
