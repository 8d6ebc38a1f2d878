#include "shell/TrayHostWait.h"

#include "foundation/CancellationError.h"

namespace verandel {

TrayHostWait::TrayHostWait(ClockPtr clock, IsAvailable isAvailable)
    : m_clock(std::move(clock))
    , m_isAvailable(std::move(isAvailable))
{ }

TrayHostWait::~TrayHostWait()
{
    m_stop.request_stop();
}

void TrayHostWait::start(bool atLogin, Done done)
{
    if (m_isAvailable() || !atLogin) {
        done(m_isAvailable());
        return;
    }
    m_waiting.emplace(wait(m_clock, m_isAvailable, loginWaitSeconds, m_stop.get_token(), std::move(done)));
}

QCoro::Task<> TrayHostWait::wait(ClockPtr clock, IsAvailable isAvailable, double seconds, std::stop_token token,
                                 Done done)
{
    try {
        for (double waited = 0; waited < seconds; waited += pollSeconds) {
            co_await clock->sleep(pollSeconds, token);
            if (isAvailable()) {
                done(true);
                co_return;
            }
        }
    } catch (const CancellationError &) {
        co_return;
    }
    done(false);
}

} // namespace verandel
