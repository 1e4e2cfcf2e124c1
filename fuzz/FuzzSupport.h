#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm::fuzz {

// A file in the fuzzing folder holding `size` bytes of `data`; the readers
// under test take paths.
QString InputFile(const QString& name, const std::uint8_t* data, std::size_t size);
// A path in the fuzzing folder for files the targets write themselves.
QString ScratchPath(const QString& name);
std::string FileContents(const QString& path);

// A property every input must keep: reports `what` and aborts, which the
// fuzzer records as a crash and a replay test as a failed run.
void RequireThat(bool holds, const char* what);

} // namespace qm::fuzz
