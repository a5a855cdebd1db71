#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {
thread_local long gAllocationsLeft = -1;  // negative: never fail
thread_local bool gRefused = false;
}  // namespace

void* operator new(std::size_t size) {
  if (gAllocationsLeft == 0) {
    gRefused = true;
    throw std::bad_alloc();
  }
  if (gAllocationsLeft > 0) --gAllocationsLeft;
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace popuran::test {

TFailingAllocation::TFailingAllocation(long succeeding) {
  gRefused = false;
  gAllocationsLeft = succeeding;
}

TFailingAllocation::~TFailingAllocation() {
  gAllocationsLeft = -1;
}

bool TFailingAllocation::Failed() const {
  return gRefused;
}

}  // namespace popuran::test
