// One bit per bucket of a timer wheel, with a summary bit per word, so that
// the next non-empty bucket is found in a few word reads however sparse the
// wheel is. Internal.
#ifndef TICKBASE_TIMER_BUCKET_BITS_H_
#define TICKBASE_TIMER_BUCKET_BITS_H_

#include <cstddef>
#include <cstdint>

template <std::size_t Buckets>
class cBucketBits {
  static constexpr std::size_t kWords = Buckets / 64;
  static constexpr std::size_t kSummaryWords = (kWords + 63) / 64;
  static_assert(Buckets % 64 == 0, "whole words");

 public:
  bool Test(std::size_t i) const { return (m_words[i / 64] & Bit(i)) != 0; }
  void Set(std::size_t i) {
    m_words[i / 64] |= Bit(i);
    m_summary[i / 4096] |= Bit(i / 64);
  }
  void Reset(std::size_t i) {
    if ((m_words[i / 64] &= ~Bit(i)) == 0) m_summary[i / 4096] &= ~Bit(i / 64);
  }
  void ResetAll() {
    for (auto& w : m_words) w = 0;
    for (auto& w : m_summary) w = 0;
  }
  // The first set bit at or after `from`, going round past the last bucket
  // to the first. Requires: some bit is set.
  std::size_t FindFrom(std::size_t from) const {
    const std::size_t word = from / 64;
    const std::uint64_t here = m_words[word] & (~std::uint64_t{0} << (from % 64));
    if (here) return word * 64 + Lowest(here);
    std::size_t next = FirstSet(m_summary, kSummaryWords, word + 1);
    if (next == kNone) next = FirstSet(m_summary, kSummaryWords, 0);
    return next * 64 + Lowest(m_words[next]);
  }

 private:
  static constexpr std::size_t kNone = ~std::size_t{0};

  static std::uint64_t Bit(std::size_t i) { return std::uint64_t{1} << (i % 64); }
  static std::size_t Lowest(std::uint64_t w) { return static_cast<std::size_t>(__builtin_ctzll(w)); }
  static std::size_t FirstSet(const std::uint64_t* words, std::size_t count, std::size_t from) {
    for (std::size_t w = from / 64; w < count; ++w) {
      const std::uint64_t m = w == from / 64 ? words[w] & (~std::uint64_t{0} << (from % 64)) : words[w];
      if (m) return w * 64 + Lowest(m);
    }
    return kNone;
  }

  std::uint64_t m_words[kWords] = {};
  std::uint64_t m_summary[kSummaryWords] = {};
};

#endif  // TICKBASE_TIMER_BUCKET_BITS_H_
