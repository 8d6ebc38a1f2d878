// One libFuzzer program per harness: VERANDEL_FUZZ_HARNESS names the harness function. Unless the
// command line says otherwise, inputs may be as long as the harness can take whole (a TXT record, a
// frame) and the target's dictionary is used.
#include "Harnesses.h"

#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    bool hasMaxLen = false;
    bool hasDictionary = false;
    for (int i = 1; i < *argc; ++i) {
        hasMaxLen = hasMaxLen || std::strncmp((*argv)[i], "-max_len=", 9) == 0;
        hasDictionary = hasDictionary || std::strncmp((*argv)[i], "-dict=", 6) == 0;
    }
    static std::vector<std::string> added;
    static std::vector<char *> arguments;
    if (!hasMaxLen) {
        added.push_back("-max_len=" + std::to_string(VERANDEL_FUZZ_MAX_LEN));
    }
    if (!hasDictionary && std::strlen(VERANDEL_FUZZ_DICTIONARY) > 0) {
        added.push_back(std::string("-dict=") + VERANDEL_FUZZ_DICTIONARY);
    }
    // Flags go before the corpus folders; libFuzzer reads the arguments after this returns.
    arguments.push_back((*argv)[0]);
    for (std::string &flag : added) {
        arguments.push_back(flag.data());
    }
    for (int i = 1; i < *argc; ++i) {
        arguments.push_back((*argv)[i]);
    }
    arguments.push_back(nullptr);
    *argc = static_cast<int>(arguments.size() - 1);
    *argv = arguments.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    (void)verandel::fuzz::VERANDEL_FUZZ_HARNESS(data, size);
    return 0;
}
