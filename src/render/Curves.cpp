// Natural-spline and Bezier curves, sampled into polylines.
#include "SurfaceX.h"

#include "model/Geometry.h"

#include <algorithm>
#include <vector>

namespace qm {

namespace {

constexpr int kSplineSamples = 10;
constexpr int kBezierSamples = 11;

} // namespace

void TSurfaceX::NaturalSpline3(int n, std::span<const float> y, std::span<float> b, std::span<float> c,
                               std::span<float> d)
{
    const auto size = static_cast<std::size_t>(n);
    if (n < 1 || y.size() < size + 1 || b.size() < size || c.size() < size + 1 || d.size() < size)
        return;
    std::vector<float> r(size + 1, 0.0f);
    std::vector<float> l(size + 1, 0.0f);
    std::vector<float> mu(size + 1, 0.0f);
    std::vector<float> z(size + 1, 0.0f);
    for (std::size_t i = 1; i < size; ++i)
        r[i] = 3.0f * (y[i + 1] - 2.0f * y[i] + y[i - 1]);
    l[0] = 1;
    mu[0] = 0;
    z[0] = 0;
    for (std::size_t i = 1; i < size; ++i) {
        l[i] = 4.0f - mu[i - 1];
        mu[i] = 1.0f / l[i];
        z[i] = (r[i] - z[i - 1]) / l[i];
    }
    l[size] = 1;
    z[size] = 0;
    c[size] = 0;
    const float third = 1.0f / 3.0f;
    for (std::size_t j = size; j-- > 0;) {
        c[j] = z[j] - mu[j] * c[j + 1];
        b[j] = (y[j + 1] - y[j]) - (c[j + 1] + 2.0f * c[j]) * third;
        d[j] = (c[j + 1] - c[j]) * third;
    }
}

std::vector<TPoint> TSurfaceX::SplineSamples(std::span<const TPoint> points)
{
    if (points.empty())
        return {};
    const std::size_t n = points.size() - 1;
    std::vector<float> xs(points.size());
    std::vector<float> ys(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        xs[i] = static_cast<float>(points[i].x);
        ys[i] = static_cast<float>(points[i].y);
    }
    std::vector<float> bx(n), cx(n + 1), dx(n), by(n), cy(n + 1), dy(n);
    NaturalSpline3(static_cast<int>(n), xs, bx, cx, dx);
    NaturalSpline3(static_cast<int>(n), ys, by, cy, dy);

    std::vector<TPoint> samples(kSplineSamples * n + 1);
    for (std::size_t j = 0; j < n; ++j) {
        samples[kSplineSamples * j] = points[j];
        for (int k = 1; k < kSplineSamples; ++k) {
            const auto t = static_cast<float>(k * 0.1);
            const float t2 = exp0(t, 2);
            const float t3 = exp0(t, 3);
            const float x = xs[j] + bx[j] * t + cx[j] * t2 + dx[j] * t3;
            const float y = ys[j] + by[j] * t + cy[j] * t2 + dy[j] * t3;
            samples[kSplineSamples * j + static_cast<std::size_t>(k)] = {TruncToInt(x), TruncToInt(y)};
        }
    }
    samples[kSplineSamples * n] = points[n];
    return samples;
}

void TSurfaceX::Polyline2(std::span<const TPoint> points)
{
    if (!points.empty())
        Polyline(SplineSamples(points));
}

void TSurfaceX::Polyline3(std::span<const TPoint> P, std::span<const TPoint> C1, std::span<const TPoint> C2, int n)
{
    if (n < 1 || P.size() < static_cast<std::size_t>(n) + 1 || C1.size() < static_cast<std::size_t>(n)
        || C2.size() < static_cast<std::size_t>(n)) {
        // Nothing to join, or lists shorter than the segments they should
        // describe; the latter never comes from a placed item.
        n = 0;
    }
    const auto segments = static_cast<std::size_t>(n);
    std::vector<TPoint> Q(3 * segments + 1);
    for (std::size_t i = 0; i < segments; ++i) {
        Q[3 * i] = P[i];
        Q[3 * i + 1] = C1[i];
        Q[3 * i + 2] = C2[i];
    }
    if (!P.empty())
        Q[3 * segments] = P[segments];
    PolyBezier(Q, 3 * n);
}

void TSurfaceX::PolyBezier(std::span<const TPoint> Q, int count)
{
    const std::size_t available = Q.empty() ? 0 : (Q.size() - 1) / 3;
    const std::size_t segments = std::min(static_cast<std::size_t>(std::max(count, 0) / 3), available);
    std::vector<TPoint> samples(kBezierSamples * segments);
    for (std::size_t m = 0; m < segments; ++m) {
        const TPoint& p0 = Q[3 * m];
        const TPoint& p1 = Q[3 * m + 1];
        const TPoint& p2 = Q[3 * m + 2];
        const TPoint& p3 = Q[3 * m + 3];
        const auto bezier = [](float t, float a, float b, float c, float d) {
            const float u = 1.0f - t;
            float sum = exp0(u, 3) * a;
            sum = sum + 3.0f * exp0(u, 2) * t * b;
            sum = sum + exp0(t, 2) * 3.0f * u * c;
            sum = sum + exp0(t, 3) * d;
            return sum;
        };
        // The accumulated t runs 0, 0.1, ..., 0.9 and then 1.0000001, which
        // ends the loop after ten samples; the bound only guards the array.
        float t = 0;
        for (std::size_t k = 0; t < 1.0f && k + 1 < kBezierSamples; ++k) {
            const float x = bezier(t, static_cast<float>(p0.x), static_cast<float>(p1.x), static_cast<float>(p2.x),
                                   static_cast<float>(p3.x));
            const float y = bezier(t, static_cast<float>(p0.y), static_cast<float>(p1.y), static_cast<float>(p2.y),
                                   static_cast<float>(p3.y));
            samples[kBezierSamples * m + k] = {TruncToInt(x), TruncToInt(y)};
            t = static_cast<float>(t + 0.1);
        }
        samples[kBezierSamples * m + kBezierSamples - 1] = p3;
    }
    Polyline(samples);
}

} // namespace qm
