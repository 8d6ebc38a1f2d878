#pragma once

#include "linking/ConnectionState.h"

#include <QString>

namespace verandel {

// The colours of a linked computer's status dots.
enum class IndicatorColor { Blue, Green, Yellow, Orange, Red };

// What the connection dot, the last-seen dot and a linked computer's card say about its state.
class ConnectionIndicatorPolicy
{
public:
    ConnectionIndicatorPolicy() = delete;

    // Connecting blue, connected green, unstable orange, disconnected and error red.
    static IndicatorColor color(ConnectionState state);
    // The dot fades in and out while the link is being made.
    static bool pulses(ConnectionState state) { return state == ConnectionState::Connecting; }
    // Under a minute green, under five yellow, under half an hour orange, else red.
    static IndicatorColor lastSeenColor(double secondsSinceLastSeen);
    // The line under a linked computer's name in the Control Center ("Connecting…", "Unstable connection").
    static QString panelStateText(ConnectionState state);
    // Shown for a linked computer whose identity another computer on the network claims too.
    static QString identityConflictText();
    // "Studio, Connected": a menu row's accessible name.
    static QString accessibleName(const QString &displayName, ConnectionState state);
};

} // namespace verandel
