#include "SvgPaintDevice.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSet>
#include <QTextItem>

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace qm {

namespace {

void AppendNumber(std::string& out, double value)
{
    if (!std::isfinite(value))
        value = 0;
    const double whole = std::round(value);
    char buffer[32];
    std::to_chars_result written{};
    if (std::abs(value - whole) < 1e-9 && std::abs(whole) < 1e15)
        written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(whole));
    else
        written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    out.append(buffer, written.ptr);
}

void AppendPoint(std::string& out, double x, double y)
{
    AppendNumber(out, x);
    out += ',';
    AppendNumber(out, y);
}

void AppendColour(std::string& out, const QColor& colour)
{
    static const char digits[] = "0123456789abcdef";
    out += '#';
    for (const int channel : {colour.red(), colour.green(), colour.blue()}) {
        out += digits[(channel >> 4) & 15];
        out += digits[channel & 15];
    }
}

// Text of an element or a quoted attribute. Characters XML 1.0 cannot hold
// are left out.
void AppendEscaped(std::string& out, const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF)
            continue;
        switch (u) {
        case '&': escaped += QLatin1String("&amp;"); break;
        case '<': escaped += QLatin1String("&lt;"); break;
        case '>': escaped += QLatin1String("&gt;"); break;
        case '"': escaped += QLatin1String("&quot;"); break;
        default: escaped += c;
        }
    }
    const QByteArray utf8 = escaped.toUtf8();
    out.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// A family as CSS names it inside an attribute: quoted unless it is one
// plain word.
void AppendFamily(std::string& out, const QString& family)
{
    bool plain = !family.isEmpty() && !family.front().isDigit();
    for (const QChar c : family)
        plain = plain && c.unicode() < 0x80 && (c.isLetterOrNumber() || c == '-' || c == '_');
    if (plain) {
        out += family.toStdString();
        return;
    }
    out += '\'';
    QString quoted;
    for (const QChar c : family) {
        if (c == '\'' || c == '\\')
            quoted += QStringLiteral("\\%1 ").arg(c.unicode(), 0, 16);
        else
            quoted += c;
    }
    AppendEscaped(out, quoted);
    out += '\'';
}

// The pixels of Qt's 8 x 8 brush pattern, as a path of one-row runs.
std::string PatternPath(Qt::BrushStyle style)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.fillRect(0, 0, 8, 8, QBrush(Qt::black, style));
    }
    std::string path;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8;) {
            if (qAlpha(image.pixel(x, y)) == 0) {
                ++x;
                continue;
            }
            int end = x;
            while (end < 8 && qAlpha(image.pixel(end, y)) != 0)
                ++end;
            path += 'M';
            AppendPoint(path, x, y);
            path += 'h';
            AppendNumber(path, end - x);
            path += "v1h";
            AppendNumber(path, x - end);
            path += 'z';
            x = end;
        }
    }
    return path;
}

} // namespace

class TSvgPaintEngine final : public QPaintEngine {
public:
    TSvgPaintEngine(int width, int height, QString title)
        : QPaintEngine(PrimitiveTransform | PatternTransform | PixmapTransform | PatternBrush | PainterPaths
                       | Antialiasing | AlphaBlend),
          width_(width), height_(height), title_(std::move(title))
    {
    }

    const QByteArray& Document() const { return document_; }

    bool begin(QPaintDevice*) override
    {
        body_.clear();
        defs_.clear();
        patterns_.clear();
        document_.clear();
        body_.reserve(1 << 20);
        return true;
    }

    bool end() override
    {
        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<svg width=\"";
        AppendNumber(out, width_);
        out += "\" height=\"";
        AppendNumber(out, height_);
        out += "\" viewBox=\"0 0 ";
        AppendNumber(out, width_);
        out += ' ';
        AppendNumber(out, height_);
        out += "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
               "version=\"1.1\">\n<title>";
        AppendEscaped(out, title_);
        out += "</title>\n<desc>Quillmark</desc>\n";
        if (!defs_.empty())
            out += "<defs>\n" + defs_ + "</defs>\n";
        document_.reserve(static_cast<qsizetype>(out.size() + body_.size() + 8));
        document_.append(out.data(), static_cast<qsizetype>(out.size()));
        document_.append(body_.data(), static_cast<qsizetype>(body_.size()));
        document_.append("</svg>\n");
        body_.clear();
        body_.shrink_to_fit();
        return true;
    }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyPen)
            pen_ = state.pen();
        if (dirty & DirtyBrush)
            brush_ = state.brush();
        if (dirty & DirtyTransform)
            transform_ = state.transform();
        if (dirty & DirtyFont)
            font_ = state.font();
    }

    void drawPath(const QPainterPath& path) override
    {
        if (path.isEmpty())
            return;
        body_ += "<path d=\"";
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element element = path.elementAt(i);
            switch (element.type) {
            case QPainterPath::MoveToElement: body_ += 'M'; break;
            case QPainterPath::LineToElement: body_ += 'L'; break;
            case QPainterPath::CurveToElement: body_ += 'C'; break;
            case QPainterPath::CurveToDataElement: body_ += ' '; break;
            }
            AppendPoint(body_, element.x, element.y);
        }
        body_ += '"';
        AppendStyle(path.fillRule() == Qt::OddEvenFill);
        body_ += "/>\n";
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 1)
            return;
        body_ += "<path d=\"M";
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                body_ += 'L';
            AppendPoint(body_, points[i].x(), points[i].y());
        }
        const bool outlineOnly = mode == PolylineMode;
        if (!outlineOnly)
            body_ += 'z';
        body_ += '"';
        AppendStyle(mode == OddEvenMode, outlineOnly);
        body_ += "/>\n";
    }

    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override
    {
        drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override
    {
        const QImage part = source == QRectF(image.rect()) ? image : image.copy(source.toAlignedRect());
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!part.save(&buffer, "PNG"))
            return;
        body_ += "<image x=\"";
        AppendNumber(body_, target.x());
        body_ += "\" y=\"";
        AppendNumber(body_, target.y());
        body_ += "\" width=\"";
        AppendNumber(body_, target.width());
        body_ += "\" height=\"";
        AppendNumber(body_, target.height());
        body_ += "\" preserveAspectRatio=\"none\"";
        AppendTransform();
        body_ += " xlink:href=\"data:image/png;base64,";
        body_ += png.toBase64().toStdString();
        body_ += "\"/>\n";
    }

    void drawTextItem(const QPointF& position, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty() || pen_.style() == Qt::NoPen)
            return;
        const QFont font = item.font();
        body_ += "<text x=\"";
        AppendNumber(body_, position.x());
        body_ += "\" y=\"";
        AppendNumber(body_, position.y());
        body_ += "\" font-family=\"";
        const QStringList families = font.families().isEmpty() ? QStringList{font.family()} : font.families();
        for (qsizetype i = 0; i < families.size(); ++i) {
            if (i > 0)
                body_ += ", ";
            AppendFamily(body_, families[i]);
        }
        body_ += "\" font-size=\"";
        AppendNumber(body_, font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0);
        body_ += '"';
        if (font.bold())
            body_ += " font-weight=\"bold\"";
        if (font.italic())
            body_ += " font-style=\"italic\"";
        body_ += " fill=\"";
        AppendColour(body_, pen_.color());
        body_ += '"';
        AppendTransform();
        body_ += " xml:space=\"preserve\">";
        AppendEscaped(body_, text);
        body_ += "</text>\n";
    }

    Type type() const override { return QPaintEngine::User; }

private:
    void AppendTransform()
    {
        if (transform_.isIdentity())
            return;
        if (transform_.type() == QTransform::TxTranslate) {
            body_ += " transform=\"translate(";
            AppendPoint(body_, transform_.dx(), transform_.dy());
        } else {
            body_ += " transform=\"matrix(";
            for (const double value : {transform_.m11(), transform_.m12(), transform_.m21(), transform_.m22(),
                                       transform_.dx()}) {
                AppendNumber(body_, value);
                body_ += ',';
            }
            AppendNumber(body_, transform_.dy());
        }
        body_ += ")\"";
    }

    void AppendFill(bool oddEven)
    {
        const Qt::BrushStyle style = brush_.style();
        if (style == Qt::NoBrush) {
            body_ += " fill=\"none\"";
            return;
        }
        body_ += " fill=\"";
        if (style >= Qt::Dense1Pattern && style <= Qt::DiagCrossPattern) {
            body_ += "url(#";
            body_ += PatternId(style, brush_.color());
            body_ += ')';
        } else {
            AppendColour(body_, brush_.color());
        }
        body_ += '"';
        if (oddEven)
            body_ += " fill-rule=\"evenodd\"";
    }

    void AppendStroke()
    {
        if (pen_.style() == Qt::NoPen) {
            return; // SVG strokes nothing unless told
        }
        body_ += " stroke=\"";
        AppendColour(body_, pen_.color());
        body_ += '"';
        const double width = pen_.widthF() > 0 ? pen_.widthF() : 1.0;
        if (width != 1) {
            body_ += " stroke-width=\"";
            AppendNumber(body_, width);
            body_ += '"';
        }
        switch (pen_.capStyle()) {
        case Qt::RoundCap: body_ += " stroke-linecap=\"round\""; break;
        case Qt::SquareCap: body_ += " stroke-linecap=\"square\""; break;
        default: break;
        }
        switch (pen_.joinStyle()) {
        case Qt::RoundJoin: body_ += " stroke-linejoin=\"round\""; break;
        case Qt::BevelJoin: body_ += " stroke-linejoin=\"bevel\""; break;
        default: body_ += " stroke-miterlimit=\"2\""; break;
        }
        if (pen_.style() != Qt::SolidLine) {
            body_ += " stroke-dasharray=\"";
            const QList<qreal> pattern = pen_.dashPattern();
            for (qsizetype i = 0; i < pattern.size(); ++i) {
                if (i > 0)
                    body_ += ',';
                AppendNumber(body_, pattern[i] * width);
            }
            body_ += '"';
        }
        if (pen_.isCosmetic())
            body_ += " vector-effect=\"non-scaling-stroke\"";
    }

    void AppendStyle(bool oddEven, bool outlineOnly = false)
    {
        if (outlineOnly) {
            body_ += " fill=\"none\"";
        } else {
            AppendFill(oddEven);
        }
        AppendStroke();
        AppendTransform();
    }

    // Hatches leave their gaps empty: a pattern holds the pattern's pixels
    // only, in user space, so it starts at the picture's origin.
    std::string PatternId(Qt::BrushStyle style, const QColor& colour)
    {
        std::string id = "h";
        id += std::to_string(static_cast<int>(style)) + "_";
        AppendColour(id, colour);
        id.erase(id.find('#'), 1);
        const QString key = QString::fromStdString(id);
        if (patterns_.contains(key))
            return id;
        patterns_.insert(key);
        static std::array<std::string, Qt::DiagCrossPattern + 1> paths;
        std::string& path = paths[static_cast<std::size_t>(style)];
        if (path.empty())
            path = PatternPath(style);
        defs_ += "<pattern id=\"" + id + "\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\"><path d=\"" + path
            + "\" fill=\"";
        AppendColour(defs_, colour);
        defs_ += "\"/></pattern>\n";
        return id;
    }

    int width_;
    int height_;
    QString title_;
    QPen pen_;
    QBrush brush_;
    QTransform transform_;
    QFont font_;
    std::string body_;
    std::string defs_;
    QSet<QString> patterns_;
    QByteArray document_;
};

TSvgPaintDevice::TSvgPaintDevice(int width, int height, QString title)
    : width_(width), height_(height), engine_(std::make_unique<TSvgPaintEngine>(width, height, std::move(title)))
{
}

TSvgPaintDevice::~TSvgPaintDevice() = default;

QPaintEngine* TSvgPaintDevice::paintEngine() const
{
    return engine_.get();
}

const QByteArray& TSvgPaintDevice::Document() const
{
    return engine_->Document();
}

int TSvgPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return width_;
    case PdmHeight:
        return height_;
    case PdmWidthMM:
        return qRound(width_ * 25.4 / 96);
    case PdmHeightMM:
        return qRound(height_ * 25.4 / 96);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmNumColors:
        return 0xFFFFFF;
    case PdmDepth:
        return 32;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    default:
        return 0;
    }
}

} // namespace qm
