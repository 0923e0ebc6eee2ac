#pragma once
// Scalar helpers shared by the maths types.

namespace zelkor {

inline float deg2rad(float degrees) { return degrees * 0.017453292f; }

namespace mathbase {

constexpr float PI = 3.14159265358979f;
constexpr float TWO_PI = 6.28318530717959f;

template <typename T>
inline T clampValue(T value, T low, T high) {
  return value < low ? low : (value > high ? high : value);
}

}  // namespace mathbase
}  // namespace zelkor
