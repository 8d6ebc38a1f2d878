#pragma once

#include "foundation/ClockProtocol.h"

#include <QCoro/QCoroTask>

#include <functional>
#include <optional>

namespace verandel {

// At login the panel may start after Verandel: a login start waits up to 30 s for a tray host to
// appear, asking twice a second; a user's launch asks once. Nothing is asked after the answer, so an
// idle program is not woken by it.
class TrayHostWait
{
public:
    static constexpr double loginWaitSeconds = 30.0;
    static constexpr double pollSeconds = 0.5;

    using IsAvailable = std::function<bool()>;
    // True when a tray host is there.
    using Done = std::function<void(bool available)>;

    TrayHostWait(ClockPtr clock, IsAvailable isAvailable);
    ~TrayHostWait();

    void start(bool atLogin, Done done);
    bool isWaiting() const { return m_waiting.has_value(); }

private:
    static QCoro::Task<> wait(ClockPtr clock, IsAvailable isAvailable, double seconds, std::stop_token token,
                              Done done);

    ClockPtr m_clock;
    IsAvailable m_isAvailable;
    std::stop_source m_stop;
    std::optional<QCoro::Task<>> m_waiting;
};

} // namespace verandel
