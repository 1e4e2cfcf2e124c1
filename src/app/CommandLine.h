#pragma once

#include <optional>

namespace qm {

// `quillmark --convert INPUT.dof OUTPUT`: renders the document without a
// display and writes OUTPUT by its extension: ".bmp" (the drawing surface as
// a Windows bitmap), ".png" (the same pixels), ".emf" (the metafile export)
// or ".dof" (the document written again). The exit status, 0 on success;
// otherwise one line on standard error names the file and the reason, and
// no output file is left behind. Nothing when the arguments ask for no
// conversion, so that the editor opens instead.
std::optional<int> RunCommandLine(int argc, char** argv);

} // namespace qm
