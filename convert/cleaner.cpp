#include "convert/cleaner.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cardwharf {
namespace {

constexpr unsigned char kQuote = 34;
constexpr unsigned char kReturn = 13;
constexpr unsigned char kLineFeed = 10;

// One byte at a time, without branches on the data: every byte is stored and
// the output position moves on unless the byte is a line break inside quotes.
std::size_t filterBytes(const unsigned char* src, std::size_t size, unsigned char* dst,
                        unsigned* inside) {
  unsigned state = *inside;
  std::size_t written = 0;
  for (std::size_t i = 0; i < size; ++i) {
    unsigned c = src[i];
    unsigned isBreak = static_cast<unsigned>(c == kReturn) | static_cast<unsigned>(c == kLineFeed);
    dst[written] = static_cast<unsigned char>(c);
    written += 1u - (state & isBreak);
    state ^= static_cast<unsigned>(c == kQuote);
  }
  *inside = state;
  return written;
}

}  // namespace

std::size_t QuotedBreakFilter::filter(const char* in, std::size_t size, char* out) {
  const unsigned char* src = reinterpret_cast<const unsigned char*>(in);
  unsigned char* dst = reinterpret_cast<unsigned char*>(out);
  std::size_t read = 0;
  std::size_t written = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time. The quote positions give, by a running XOR, which
  // bytes stand inside quotes; a block without a line break inside quotes (by
  // far the most common) is stored whole. Writing in place is safe: the output
  // position never passes the input position, and each block is loaded before
  // anything is stored over it.
  const __m128i quote = _mm_set1_epi8(static_cast<char>(kQuote));
  const __m128i cr = _mm_set1_epi8(static_cast<char>(kReturn));
  const __m128i lf = _mm_set1_epi8(static_cast<char>(kLineFeed));
  unsigned state = inside_;
  while (size - read >= 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + read));
    unsigned quotes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, quote)));
    unsigned breaks = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf))));
    // Bit k of `within`: an odd number of quotes up to and including byte k,
    // flipped when the block starts inside quotes. For a line break (never a
    // quote itself) that is exactly whether it stands inside.
    unsigned within = quotes;
    within ^= within << 1;
    within ^= within << 2;
    within ^= within << 4;
    within ^= within << 8;
    within = (within ^ (0u - state)) & 0xFFFFu;
    unsigned drop = breaks & within;
    if (drop == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + written), block);
      written += 16;
    } else {
      alignas(16) unsigned char bytes[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(bytes), block);
      for (unsigned k = 0; k < 16; ++k) {
        dst[written] = bytes[k];
        written += 1u - ((drop >> k) & 1u);
      }
    }
    state = (within >> 15) & 1u;
    read += 16;
  }
  inside_ = state;
#endif
  written += filterBytes(src + read, size - read, dst + written, &inside_);
  return written;
}

}  // namespace cardwharf
