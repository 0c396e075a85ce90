// Preloaded into pierqty-cli by the CLI tests (LD_PRELOAD): operator new
// throws std::bad_alloc for a request of more than PIERQTY_ALLOC_FAIL_ABOVE
// bytes, as when memory runs out under a limit.
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::size_t Limit()
{
    static const std::size_t limit = [] {
        const char *above = std::getenv("PIERQTY_ALLOC_FAIL_ABOVE");
        return above ? static_cast<std::size_t>(std::strtoull(above, nullptr, 10)) : SIZE_MAX;
    }();
    return limit;
}

void *Allocate(std::size_t size)
{
    if (size > Limit())
        throw std::bad_alloc();
    if (void *memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

} // namespace

void *operator new(std::size_t size)
{
    return Allocate(size);
}

void *operator new[](std::size_t size)
{
    return Allocate(size);
}

void operator delete(void *memory) noexcept
{
    std::free(memory);
}

void operator delete[](void *memory) noexcept
{
    std::free(memory);
}

void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void *memory, std::size_t) noexcept
{
    std::free(memory);
}
