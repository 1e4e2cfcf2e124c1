#include "FloatFormat.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace qm {

std::string FormatFloat(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    // d.dddddddddddddde[+-]x..x: the 15 rounded significant digits and the exponent.
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view scientific(buffer, static_cast<std::size_t>(written.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits = std::string(1, scientific[0]) + std::string(scientific.substr(2, e - 2));
    digits.erase(digits.find_last_not_of('0') + 1);
    const bool negativeExponent = scientific[e + 1] == '-';
    int exponent = 0;
    std::from_chars(scientific.data() + e + 2, scientific.data() + scientific.size(), exponent);
    if (negativeExponent)
        exponent = -exponent;

    std::string text = value < 0 ? "-" : "";
    const int integerDigits = exponent + 1;
    if (integerDigits > 15 || integerDigits < -4) {
        text += digits[0];
        if (digits.size() > 1)
            text += "." + digits.substr(1);
        text += "E" + std::to_string(exponent);
    } else if (integerDigits <= 0) {
        text += "0." + std::string(static_cast<std::size_t>(-integerDigits), '0') + digits;
    } else if (digits.size() <= static_cast<std::size_t>(integerDigits)) {
        text += digits + std::string(static_cast<std::size_t>(integerDigits) - digits.size(), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(integerDigits)) + "."
            + digits.substr(static_cast<std::size_t>(integerDigits));
    }
    return text;
}

} // namespace qm
