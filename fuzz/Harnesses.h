#pragma once

// Every harness of the fuzz targets. Each answers how much of its input was accepted (events that
// reached the hub, records published, entries listed) and throws std::logic_error when a promise
// that must hold for every input is broken.
#include "BluezDeviceHarness.h"
#include "DecoderHarnesses.h"
#include "DnsSdBrowseHarness.h"
#include "PeerGraphHarness.h"
#include "PeerInputHarness.h"
