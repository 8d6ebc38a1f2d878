#pragma once

#include <cstddef>
#include <cstdint>

namespace verandel::fuzz {

// The computer the harness plays: frames must be addressed to it to reach the demultiplexer's
// payload decoding.
inline constexpr const char *kLocalMacId = "F0000000-0000-4000-8000-000000000001";

// Feeds one input, as a peer could send it, to the frame reader, the envelope decoder and the network
// bridge's demultiplexer: once as a whole inbound stream (length prefix included) and once as bare
// envelope JSON. Every sender counts as a linked, discovered peer at 127.0.0.1 so that nothing stops
// at the gate. Needs no event loop of its own; creates a QCoreApplication when there is none.
// Answers how many received events reached the hub.
int feedPeerInput(const std::uint8_t *data, std::size_t size);

} // namespace verandel::fuzz
