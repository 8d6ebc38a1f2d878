#pragma once

#include <cstddef>
#include <cstdint>

// Entries that feed one input to the decoders of what the program reads from its neighbours and its
// own files: the DNS-SD TXT record of a browse result, the environment file and the stored JSON
// documents. The libFuzzer targets and the corpus replay test call the same functions. Each answers
// how much of the input was accepted (records, pairs, entries), and throws std::logic_error when a
// property that must hold for every input fails (what the program writes, it reads back the same).
namespace verandel::fuzz {

// The TXT record in its DNS wire form: strings, each after its one-byte length.
int feedTxtRecord(const std::uint8_t *data, std::size_t size);
// The bytes as the environment file named by RUNTIME_ENV_FILE.
int feedEnvironmentFile(const std::uint8_t *data, std::size_t size);
// The bytes as "devices.json", "connected-macs.json", "system-permissions-state.json" and
// "advertised-mac-identity.json".
int feedDevicesDocument(const std::uint8_t *data, std::size_t size);
int feedLinkedComputersDocument(const std::uint8_t *data, std::size_t size);
int feedPermissionsDocument(const std::uint8_t *data, std::size_t size);
int feedIdentityDocument(const std::uint8_t *data, std::size_t size);
// The bytes as "metrics-queue.json", listed through the queue store.
int feedMetricsQueueDocument(const std::uint8_t *data, std::size_t size);

} // namespace verandel::fuzz
