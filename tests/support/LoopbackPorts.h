#pragma once

#include <QtGlobal>

namespace verandel::test {

// A port of 127.0.0.1 that nothing listens on right now, for a listener that starts a little later
// (often in another process). It comes from below the kernel's ephemeral range, so the outgoing
// connections of other tests running meanwhile cannot take it first; 0 if none was found.
quint16 freeLoopbackPort();

} // namespace verandel::test
