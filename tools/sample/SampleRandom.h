#pragma once
// The one source of every choice the sample generator makes. std::mt19937_64 yields the
// same sequence on every standard library; ranges and picks are derived here by hand,
// because the standard distributions differ between library implementations.
//
// Draw at most once per expression: C++ leaves the order of the operands of "+" and of
// function arguments open, so "f(r.Next()) + g(r.Next())" differs between compilers.

#include <cstddef>
#include <cstdint>
#include <random>

namespace quill::sample {

class SampleRandom {
 public:
  explicit SampleRandom(std::uint64_t seed) : engine_(seed) {}

  std::uint64_t Next() { return engine_(); }

  // A number in [0, bound); 0 when bound is 0. The modulo bias is irrelevant here.
  std::uint64_t Below(std::uint64_t bound) { return bound == 0 ? 0 : engine_() % bound; }

  // A number in [low, high].
  std::uint64_t Between(std::uint64_t low, std::uint64_t high) {
    return low + Below(high - low + 1);
  }

  // True in about percent cases out of 100.
  bool Percent(unsigned percent) { return Below(100) < percent; }

  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

  template <typename Container>
  const auto& Pick(const Container& items) {
    return items[Below(items.size())];
  }

  // Fills out with pseudo-random bytes, eight from each draw, low byte first.
  void Fill(char* out, std::size_t count) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
      std::uint64_t bits = engine_();
      for (int b = 0; b < 8; ++b, bits >>= 8) out[i + b] = static_cast<char>(bits & 0xff);
    }
    if (i < count) {
      std::uint64_t bits = engine_();
      for (; i < count; ++i, bits >>= 8) out[i] = static_cast<char>(bits & 0xff);
    }
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace quill::sample
