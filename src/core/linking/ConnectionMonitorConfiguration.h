#pragma once

namespace verandel {

// The connection monitor's timing, in seconds.
struct ConnectionMonitorConfiguration
{
    // Period of the health check that pings every linked computer.
    double healthCheckInterval = 30.0;
    // Failure count at which reconnection gives up.
    int maxReconnectionAttempts = 10;
    // Base of the reconnection back-off: base * 2^(failures - 1).
    double baseReconnectionDelay = 0.5;
    // Time allowed for a ping answer.
    double pingTimeout = 1.0;

    static ConnectionMonitorConfiguration defaultConfiguration() { return {}; }
    // Nothing fires by itself within a test, and the first reconnection gives up.
    static ConnectionMonitorConfiguration test() { return {3600.0, 0, 3600.0, 3600.0}; }

    bool operator==(const ConnectionMonitorConfiguration &) const = default;
};

} // namespace verandel
