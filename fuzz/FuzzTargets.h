#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace qm::fuzz {

// One fuzz target: a reader of files from outside, fed one input. A fault
// shows as a crash, a sanitizer report, or an abort from RequireThat when a
// property every input must keep is broken. Inputs the reader refuses with
// its file error are fine; only what happens before and after counts.
struct TFuzzTarget {
    std::string_view Name;  // also its folder of regression inputs under fuzz/regressions
    std::string_view Seeds; // its folder of seed inputs under fuzz/corpus
    int (*Run)(const std::uint8_t* data, std::size_t size);
};

int DocumentInput(const std::uint8_t* data, std::size_t size);
int DocumentRenderInput(const std::uint8_t* data, std::size_t size);
int ExtensionObjectInput(const std::uint8_t* data, std::size_t size);
int ShapeTemplateInput(const std::uint8_t* data, std::size_t size);
int SettingsInput(const std::uint8_t* data, std::size_t size);
int BitmapPictureInput(const std::uint8_t* data, std::size_t size);
int EnhancedMetafileInput(const std::uint8_t* data, std::size_t size);
int WindowsMetafileInput(const std::uint8_t* data, std::size_t size);

std::span<const TFuzzTarget> FuzzTargets();

// Once per process, before the first input: the offscreen GUI application
// that fonts and painting need, and the folder the inputs are written to.
void SetUpFuzzing(int& argc, char** argv);

} // namespace qm::fuzz
