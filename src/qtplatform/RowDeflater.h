#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace qm {

// Writes row `y` (`rowSize` bytes) into `out`; called from more than one
// thread at once.
using TRowSource = std::function<void(std::size_t y, std::uint8_t* out)>;

// Appends the zlib stream of `rowCount` rows of `rowSize` bytes each. A
// drawing's rows are mostly runs of one byte and spans equal to the row
// above, so the only matches sought are the byte on the left and the byte
// one row up, and blocks of the fixed codes carry them: no search, no code
// tables to build, files about as small as zlib's fastest level gives for
// such pictures, at the speed of a few passes over the pixels. A large
// picture's top and bottom halves are deflated at once on two threads.
void AppendDeflatedRows(QByteArray& out, std::size_t rowSize, std::size_t rowCount, const TRowSource& rowSource);

} // namespace qm
