#pragma once

// Counts every heap allocation of a benchmark program by replacing the global operator new and
// delete (the replacements pair malloc with free). Include it in exactly one source file of a
// program; read `allocations` before and after the work measured.

#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<unsigned long long> allocations{0};

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
