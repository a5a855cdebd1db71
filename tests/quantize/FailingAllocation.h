// Makes operator new fail on purpose, to follow the ways out of an operation that runs out of
// memory. Only while a TFailingAllocation exists, and only on the thread that made it.
#pragma once

namespace popuran::test {

class TFailingAllocation {
 public:
  // The allocation after the first `succeeding` ones throws std::bad_alloc, and every later one.
  explicit TFailingAllocation(long succeeding);
  ~TFailingAllocation();
  TFailingAllocation(const TFailingAllocation&) = delete;
  TFailingAllocation& operator=(const TFailingAllocation&) = delete;
  // Whether an allocation was refused.
  bool Failed() const;
};

}  // namespace popuran::test
