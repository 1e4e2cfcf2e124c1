#pragma once

#include <QString>

#include <span>

namespace qm {

// Writes `bytes` as the whole file at `path`: into a temporary file beside
// it, flushed, then renamed over it, so that a failure leaves an existing
// file as it was and no half-written one. Throws TFileError
// ("ファイル %s を作成できません"), followed by the system's reason when
// `sayWhy`; empty bytes (a picture that could not be made) are refused so too.
void WriteWholeFile(const QString& path, std::span<const char> bytes, bool sayWhy = true);

} // namespace qm
