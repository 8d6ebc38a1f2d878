#pragma once

#include <cstddef>
#include <cstdint>

namespace verandel::fuzz {

// Feeds one input to a computer linked with another over loopback and in Discovery Mode: past the
// hub, into the connection monitor, the discovery service, the ownership map and the control
// coordinator, which run their flows to the end in virtual time. The graph is built afresh for every
// input, its stores on a tmpfs where there is one. The local computer is
// F0000000-0000-4000-8000-000000000001, the linked one ...0002.
//
// Both computers' Bluetooth share one table of devices. The local computer holds a keyboard
// (a4:83:e7:11:22:33) and a mouse (a4:83:e7:44:55:66), stored as shared there and connected; the
// linked one holds a trackpad (a4:83:e7:77:88:99), stored as shared there; a4:83:e7:aa:bb:01 and
// a4:83:e7:aa:bb:02 are paired nowhere, so a devices-ready from the input can pair them here.
//
// The first byte is a script:
//   bits 0-1  what the local computer starts before any frame arrives: nothing, take control from
//             every linked computer, take control from the linked one, or send control to it;
//   bit 2     the linked computer cannot pair the mouse, so a hand-over of it waits for a ping that
//             lists it (only the input can send one) until its time is up, and it is paired here again;
//   bit 3     the local computer cannot unpair the mouse;
//   bit 4     the linked computer's listener is stopped, so nothing reaches it.
// The rest is the streams of up to six connections from 127.0.0.1, one per step of 30 s of virtual
// time: each well-formed frame (4-byte big-endian length, then that many bytes) is one connection,
// and whatever follows the last one is a connection of its own, sent once as it stands and once
// wrapped in a frame of its own length (so bare envelope JSON reaches the decoder too). Frames
// delivered after the first step meet the flows the script and earlier frames started half-way.
//
// Every event the hub delivers is held to the sanitizer's promises (DeliveredEventChecks). Answers
// how many events the input's own connections delivered.
int feedPeerGraph(const std::uint8_t *data, std::size_t size);

} // namespace verandel::fuzz
