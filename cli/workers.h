// Threads that share out the piers of one block of a batch.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pierqty::cli {

// How many threads compute a batch: PIERQTY_THREADS when it is a whole
// number from 1 to kMaxWorkers, else the hardware's threads (at least 1).
constexpr unsigned kMaxWorkers = 64;
unsigned WorkerCount();

// count threads in all: the caller's, which takes its share of each block,
// and count - 1 started here, which wait between blocks and end with the
// object. A thread that cannot be started leaves the work to fewer.
class Workers
{
public:
    using Task = std::function<void(std::size_t)>; // must not throw

    explicit Workers(unsigned count);
    ~Workers();
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;

    // task(0) … task(count - 1), each once, on whichever thread is free;
    // returns when all have returned.
    void run(std::size_t count, const Task &task);

private:
    void serve();
    void drain();

    std::mutex m_mutex;
    std::condition_variable m_wake; // a block, or the end
    std::condition_variable m_idle; // the block's last task has returned
    const Task *m_task = nullptr;
    std::size_t m_count = 0, m_next = 0, m_left = 0;
    std::uint64_t m_round = 0;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace pierqty::cli
