#include "cli/workers.h"

#include <charconv>
#include <cstdlib>
#include <new>
#include <string_view>
#include <system_error>

namespace pierqty::cli {

unsigned WorkerCount()
{
    if (const char *text = std::getenv("PIERQTY_THREADS")) {
        const std::string_view view(text);
        unsigned count = 0;
        const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), count);
        if (error == std::errc() && end == view.data() + view.size() && count >= 1 && count <= kMaxWorkers)
            return count;
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : hardware < kMaxWorkers ? hardware : kMaxWorkers;
}

Workers::Workers(unsigned count)
{
    try {
        m_threads.reserve(count > 0 ? count - 1 : 0);
        for (unsigned k = 1; k < count; ++k)
            m_threads.emplace_back([this] { serve(); });
    } catch (const std::system_error &) { // no more threads: those started share the work
    } catch (const std::bad_alloc &) { }
}

Workers::~Workers()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void Workers::run(std::size_t count, const Task &task)
{
    {
        const std::lock_guard lock(m_mutex);
        m_task = &task;
        m_count = count;
        m_next = 0;
        m_left = count;
        ++m_round;
    }
    m_wake.notify_all();
    drain();
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_left == 0; });
    m_task = nullptr; // a thread that wakes late finds nothing to do
}

// Takes the block's tasks one at a time until none is left.
void Workers::drain()
{
    for (;;) {
        const Task *task = nullptr;
        std::size_t index = 0;
        {
            const std::lock_guard lock(m_mutex);
            if (m_task == nullptr || m_next == m_count)
                return;
            task = m_task;
            index = m_next++;
        }
        (*task)(index);
        const std::lock_guard lock(m_mutex);
        if (--m_left == 0)
            m_idle.notify_one();
    }
}

void Workers::serve()
{
    std::uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_round != seen; });
            if (m_stop)
                return;
            seen = m_round;
        }
        drain();
    }
}

} // namespace pierqty::cli
