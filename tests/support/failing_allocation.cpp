#include "tests/support/failing_allocation.h"

#include <cstdlib>
#include <new>

namespace alvena {
namespace {

thread_local int g_failuresLeft = 0;

}  // namespace

void FailNextAllocations(int count) {
    g_failuresLeft = count;
}

}  // namespace alvena

// Every form is replaced, so that no library's own form frees what these allocate or the other
// way round (AddressSanitizer brings its own).
void* operator new(std::size_t size) {
    if (alvena::g_failuresLeft > 0) {
        --alvena::g_failuresLeft;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return ::operator new(size, std::nothrow);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
