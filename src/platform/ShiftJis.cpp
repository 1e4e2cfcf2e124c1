#include "ShiftJis.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace qm {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from))
    {
        if (handle_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; on a sequence it cannot convert, appends
    // `replacement` and skips `skip(input)` bytes of input.
    template <typename Skip>
    std::string Run(std::string_view input, std::string_view replacement, Skip skip)
    {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        std::string output;
        output.reserve(input.size() * 2 + 4);
        char buffer[256];
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (an incomplete sequence at the end).
            output.append(replacement);
            const std::size_t skipped = std::min(inLeft, skip(std::string_view(in, inLeft)));
            in += skipped;
            inLeft -= skipped;
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        return output;
    }

private:
    iconv_t handle_;
};

std::size_t Utf8SequenceLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text.front());
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC2 && lead < 0xE0)
        length = 2;
    // Skip only the continuation bytes that are really there.
    std::size_t valid = 1;
    while (valid < length && valid < text.size() && (static_cast<unsigned char>(text[valid]) & 0xC0) == 0x80)
        ++valid;
    return valid;
}

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Run(cp932, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; });
}

std::string Utf8ToCp932(std::string_view utf8)
{
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Run(utf8, "?", Utf8SequenceLength);
}

std::string Cp932ToUpperAscii(std::string_view cp932)
{
    std::string folded(cp932);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (IsCp932LeadByte(byte)) {
            ++i;
            continue;
        }
        if (byte >= 'a' && byte <= 'z')
            folded[i] = static_cast<char>(byte - 'a' + 'A');
    }
    return folded;
}

} // namespace qm
