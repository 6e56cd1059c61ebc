#include "platform/c_random.h"

namespace tav::platform {
namespace {

// glibc's unseeded rand() is seeded with 1; the seed fills the table through 16807 x mod 2^31 - 1,
// and the table is stirred 310 times before the first value is given out.
constexpr std::uint32_t kGlibcSeed = 1;
constexpr int kGlibcDiscarded = 310;
// Each new word adds the words 31 and 3 places back.
constexpr std::uint32_t kGlibcShortLag = 3;

}  // namespace

CRandom::CRandom(CLibrary library) : library_(library) {
  switch (library_) {
    case CLibrary::Glibc: {
      words_[0] = kGlibcSeed;
      for (std::size_t i = 1; i < words_.size(); ++i) {
        words_[i] = static_cast<std::uint32_t>(std::uint64_t{16807} * words_[i - 1] % 2147483647u);
      }
      // Words 31 to 33 repeat words 0 to 2, which the ring already holds where they would go.
      index_ = 34 % words_.size();
      for (int i = 0; i < kGlibcDiscarded; ++i)
        next();
      break;
    }
    case CLibrary::Msvcrt:
      state_ = 1;
      break;
    case CLibrary::Musl:
      state_ = 0;
      break;
  }
}

int CRandom::next() {
  switch (library_) {
    case CLibrary::Glibc: {
      const std::size_t n = words_.size();
      std::uint32_t& word = words_[index_];
      word += words_[(index_ + n - kGlibcShortLag) % n];
      index_ = static_cast<std::uint32_t>((index_ + 1) % n);
      return static_cast<int>(word >> 1);
    }
    case CLibrary::Msvcrt:
      state_ = (state_ * 214013u + 2531011u) & 0xffffffffu;
      return static_cast<int>((state_ >> 16) & 0x7fffu);
    case CLibrary::Musl:
      state_ = state_ * 6364136223846793005u + 1u;
      return static_cast<int>(state_ >> 33);
  }
  return 0;
}

}  // namespace tav::platform
