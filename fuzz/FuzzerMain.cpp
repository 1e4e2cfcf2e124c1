// The libFuzzer entry points of one target, chosen by QM_FUZZ_ENTRY at build time.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qm::fuzz::SetUpFuzzing(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return qm::fuzz::QM_FUZZ_ENTRY(data, size);
}
