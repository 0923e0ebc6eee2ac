#pragma once
// Indexed access shared by the vector types, which keep their components in
// the array v. No data of its own, so the vectors keep their plain layout.

#include <type_traits>

namespace zelkor {
namespace mathbase {

template <typename Derived, typename T, int N>
class Components {
 public:
  static constexpr int size() { return N; }

  // Templated so that any integer type is an exact match and never competes
  // with the built-in subscript through the pointer conversion.
  template <typename I>
  T& operator[](I i) {
    static_assert(std::is_integral<I>::value, "index must be an integer");
    return self().v[i];
  }
  template <typename I>
  const T& operator[](I i) const {
    static_assert(std::is_integral<I>::value, "index must be an integer");
    return self().v[i];
  }
  T& operator()(int i) { return self().v[i]; }
  const T& operator()(int i) const { return self().v[i]; }
  operator const T*() const { return self().v; }
  T* data() { return self().v; }
  const T* data() const { return self().v; }

 private:
  Derived& self() { return static_cast<Derived&>(*this); }
  const Derived& self() const { return static_cast<const Derived&>(*this); }
};

}  // namespace mathbase
}  // namespace zelkor
