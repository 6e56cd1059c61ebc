#pragma once
// The C library's rand() as a value: the sequence a fresh process's unseeded rand() gives, drawn
// from state that can be copied and restored. The default is this build's own library, so the show
// draws exactly what its platform's rand() would.
#include <array>
#include <cstdint>
#include <cstdlib>  // brings in the library's own identifying macros (__GLIBC__)

namespace tav::platform {

enum class CLibrary : std::uint8_t {
  Glibc,   // additive feedback over 31 words; 0 to 2^31 - 1
  Msvcrt,  // 32-bit linear congruential; 0 to 32767
  Musl,    // 64-bit linear congruential; 0 to 2^31 - 1
};

#if defined(_WIN32)
inline constexpr CLibrary kOwnCLibrary = CLibrary::Msvcrt;
#elif defined(__EMSCRIPTEN__)
inline constexpr CLibrary kOwnCLibrary = CLibrary::Musl;
#elif defined(__GLIBC__)
inline constexpr CLibrary kOwnCLibrary = CLibrary::Glibc;
#else
#error "this C library's rand() sequence is not known to CRandom"
#endif

class CRandom {
 public:
  explicit CRandom(CLibrary library = kOwnCLibrary);

  // What the library's rand() returns next, counting from a fresh process's first call.
  int next();
  CLibrary library() const { return library_; }

  friend bool operator==(const CRandom&, const CRandom&) = default;

 private:
  CLibrary library_;
  // glibc: the last 31 words of the feedback sequence, the oldest at `index_`.
  std::array<std::uint32_t, 31> words_{};
  std::uint32_t index_ = 0;
  // msvcrt and musl: the congruential state.
  std::uint64_t state_ = 0;
};

}  // namespace tav::platform
