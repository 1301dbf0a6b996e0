#pragma once

#include <functional>
#include <mutex>
#include <utility>

// A callback that may be set, replaced or cleared from any thread while others call it. Setting
// waits for a call in progress, so a listener that was cleared (say, by its object's destructor)
// is never called afterwards. Calls are one at a time; a listener must not set its own slot.
template <typename... Args> class Listener
{
public:
    void set(std::function<void(Args...)> function)
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_function = std::move(function);
    }
    void operator()(Args... args)
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (m_function)
            m_function(args...);
    }

private:
    std::recursive_mutex m_mutex; // held while the listener runs
    std::function<void(Args...)> m_function;
};
