#include "PeerInputHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    (void)verandel::fuzz::feedPeerInput(data, size);
    return 0;
}
