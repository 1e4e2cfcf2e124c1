#include "RasterFonts.h"

#include "Cp932Characters.h"
#include "ShiftJis.h"

#include <algorithm>
#include <mutex>

namespace qm {

namespace {

// GDI picks a default size for height 0.
constexpr int kDefaultFontPixels = 12;
// Bigger glyphs only come from damaged files; they would cost seconds each.
constexpr int kMaxFontPixels = 4096;

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
}

TRasterFontCache::TFace& TRasterFontCache::Face(const TFont& font)
{
    if (lastFace_ && SameFace(font, lastFont_))
        return *lastFace_;
    std::unique_ptr<TFace>& face = faces_[FaceKey(font)];
    if (!face)
        face = std::make_unique<TFace>(ToQFont(font));
    lastFace_ = face.get();
    lastFont_ = font;
    return *face;
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

} // namespace qm
