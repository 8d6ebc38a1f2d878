#pragma once

#include "foundation/OneShot.h"

#include <memory>

namespace verandel {

// Travels with a command from the hub to the network bridge, which reports whether the frame sender
// delivered it. Copies share one report; when the last copy goes unreported (no bridge took the
// command, or it was dropped on the way) the command counts as not delivered, so the sender of the
// command never waits for ever.
class DeliveryReport
{
public:
    // Reports into `answer`, which the sender of the command awaits.
    explicit DeliveryReport(OneShot<bool> answer)
        : m_state(std::make_shared<State>(std::move(answer)))
    { }

    // The first report counts.
    void report(bool delivered) const { m_state->answer.answer(delivered); }

private:
    struct State
    {
        explicit State(OneShot<bool> answer)
            : answer(std::move(answer))
        { }
        State(const State &) = delete;
        State &operator=(const State &) = delete;
        ~State() { answer.answer(false); }

        OneShot<bool> answer;
    };

    std::shared_ptr<State> m_state;
};

} // namespace verandel
