#pragma once

#include "ShiftJis.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qm {

// Length in bytes of the CP932 character starting at `index`: 2 for a lead
// byte followed by another byte, else 1 (a lead byte at the very end stands
// alone, so no byte is ever lost or read past the end).
constexpr std::size_t Cp932CharLength(std::string_view text, std::size_t index)
{
    return IsCp932LeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size() ? 2 : 1;
}

// Calls `visit(std::string_view character)` for every character of the text.
template <typename Visit>
void ForEachCp932Character(std::string_view text, Visit&& visit)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Cp932CharLength(text, i);
        visit(text.substr(i, length));
        i += length;
    }
}

// A number that names one CP932 character: its byte, or lead * 256 + trail.
constexpr std::uint32_t Cp932CharCode(std::string_view character)
{
    std::uint32_t code = 0;
    for (const char byte : character)
        code = (code << 8) | static_cast<unsigned char>(byte);
    return code;
}

} // namespace qm
