// One libFuzzer target per decoder harness: VERANDEL_FUZZ_HARNESS names the harness function.
#include "DecoderHarnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    (void)verandel::fuzz::VERANDEL_FUZZ_HARNESS(data, size);
    return 0;
}
