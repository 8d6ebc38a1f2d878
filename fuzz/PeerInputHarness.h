#pragma once

#include <cstddef>
#include <cstdint>

namespace verandel::fuzz {

// The computer the harness plays: frames must be addressed to it to reach the demultiplexer's
// payload decoding.
inline constexpr const char *kLocalMacId = "F0000000-0000-4000-8000-000000000001";

// Feeds one input, as a peer could send it, through the frame listener's handling of a connection's
// stream (size limit, frame reader, envelope decoder) into the network bridge's gate and
// demultiplexer: once as the whole stream (length prefix included) and once wrapped in a frame of its
// own length, so that bare envelope JSON reaches the decoder too. The directory takes a sender by the
// last byte of its id modulo 4: 0 unknown, 1 discovered but not linked, 2 linked at 127.0.0.1 (where
// the input comes from), 3 linked at another address. Needs no event loop of its own; creates a
// QCoreApplication when there is none. Every event the hub delivers is held to the sanitizer's
// promises (DeliveredEventChecks). Answers how many received events reached the hub.
int feedPeerInput(const std::uint8_t *data, std::size_t size);

// The first byte picks one of the seven message types, the rest is taken as that message's payload
// JSON and sent Base64-encoded in a well-formed envelope from a linked computer, so that mutations
// reach the payload decoders instead of the envelope's checks. Checks every delivered event as
// feedPeerInput does. Answers how many events reached the hub.
int feedPeerPayload(const std::uint8_t *data, std::size_t size);

} // namespace verandel::fuzz
