#pragma once

#include <optional>

namespace qm {

// `quillmark --convert INPUT.dof OUTPUT`: renders the document without a
// display and writes OUTPUT in the file format its extension names (the
// list of FileFormats(): ".dof" the document written again, ".bmp" and
// ".png" the drawing surface's pixels, ".emf" the metafile export, ".svg"
// and ".pdf" the drawing as vectors). The exit status, 0 on success;
// otherwise one line on standard error names the file and the reason (for
// an extension that names no format, the extensions there are), and no
// output file is left behind. Nothing when the arguments ask for no
// conversion, so that the editor opens instead.
std::optional<int> RunCommandLine(int argc, char** argv);

} // namespace qm
