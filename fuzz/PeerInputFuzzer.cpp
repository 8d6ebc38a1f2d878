#include "PeerInputHarness.h"

#include <cstring>
#include <vector>

// Inputs may run past the listener's size limit (one frame of the largest envelope, 16388 bytes) unless
// the command line says otherwise: libFuzzer reads its flags after this hook.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], "-max_len=", 9) == 0) {
            return 0;
        }
    }
    static std::vector<char *> arguments;
    static char maxLength[] = "-max_len=20000";
    arguments.assign(*argv, *argv + *argc);
    arguments.insert(arguments.begin() + 1, maxLength);
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    (void)verandel::fuzz::feedPeerInput(data, size);
    return 0;
}
