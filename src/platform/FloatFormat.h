#pragma once

#include <string>

namespace qm {

// The toolkit's general float format with 15 significant digits: fixed
// notation from 0.00001 up to 15 digits before the point, otherwise
// scientific ("1E20", "1.5E-6"); trailing zeros dropped. A single-precision
// value passed in shows its own digits: 0.26458332f gives 0.264583319425583.
std::string FormatFloat(double value);

} // namespace qm
