#pragma once

#include <coroutine>
#include <exception>

namespace verandel::test {

// A coroutine that starts at once and whose frame the test may destroy while it waits, to show that
// nothing resumes a frame that went away. Destroy it in the test, whether it finished or not.
struct DestroyableFrame
{
    struct promise_type
    {
        DestroyableFrame get_return_object() { return {std::coroutine_handle<promise_type>::from_promise(*this)}; }
        std::suspend_never initial_suspend() noexcept { return {}; }
        std::suspend_always final_suspend() noexcept { return {}; }
        void return_void() { }
        void unhandled_exception() { std::terminate(); }
    };
    std::coroutine_handle<promise_type> handle;
};

} // namespace verandel::test
