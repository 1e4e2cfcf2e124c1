#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace qm {

// Arithmetic shared by placement, drawing and editing: single-precision
// intermediates, pi as the literal 3.141592, truncation toward zero.

inline constexpr float kPi = 3.141592f;

// Degrees to radians: degrees x (1/180) x 3.141592.
inline float RollToRadians(std::int32_t degrees)
{
    return static_cast<float>(degrees) * (1.0f / 180.0f) * kPi;
}

// A turn by `angle` radians; clockwise on screen, where y grows downward.
// Its cosine and sine are worked out once for all the points it turns.
class TTurn {
public:
    // No turn, as most items have, costs no cosine: cos 0 is 1 and sin ±0
    // is ±0, exactly.
    explicit TTurn(float angle) : c_(angle == 0 ? 1.0f : std::cos(angle)), s_(angle == 0 ? angle : std::sin(angle)) {}
    // The turn whose cosine and sine are already known.
    TTurn(float cosine, float sine) : c_(cosine), s_(sine) {}

    void Apply(float x, float y, float& rotatedX, float& rotatedY) const
    {
        const float xc = x * c_;
        const float ys = y * s_;
        const float xs = x * s_;
        const float yc = y * c_;
        rotatedX = xc - ys;
        rotatedY = xs + yc;
    }

private:
    float c_;
    float s_;
};

// Turns (x, y) by `angle` radians.
inline void RotatePoint(float x, float y, float angle, float& rotatedX, float& rotatedY)
{
    TTurn(angle).Apply(x, y, rotatedX, rotatedY);
}

// Float to pixel, truncating toward zero. Values beyond the int32 range (which
// only hostile files produce) saturate instead of being undefined; NaN gives 0.
inline std::int32_t TruncToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0f)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// int32 arithmetic that wraps like the machine instead of overflowing into
// undefined behaviour.
inline std::int32_t WrapToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

} // namespace qm
