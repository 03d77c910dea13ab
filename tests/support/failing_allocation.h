#pragma once

namespace alvena {

// Linking failing_allocation.cpp into a test program replaces its global operator new: after
// this call the next `count` allocations on the calling thread throw std::bad_alloc, as an
// exhausted heap does, and every later one succeeds again.
void FailNextAllocations(int count);

}  // namespace alvena
