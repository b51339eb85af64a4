#include "MarkerFormat.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quelm
{

namespace
{

constexpr std::uint64_t kNone = UINT64_MAX;

bool SignatureAt(const std::uint8_t* p)
{
    return p[0] == 0xFF && p[1] == 0xE9 && p[3] == 0xCC && p[2] == 0x09;
}

} // namespace

std::uint64_t FindSignature(const std::uint8_t* Data, std::uint64_t From, std::uint64_t Last)
{
    std::uint64_t q = From;
#if defined(__SSE2__)
    // Look for FF followed by E9 sixteen offsets at a time, two blocks per
    // pass; only those rare pairs are checked for the other two bytes. While
    // q + 31 <= Last every candidate is a position to test and every read
    // (up to q + 34) stays within Last + 3.
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i e9 = _mm_set1_epi8(static_cast<char>(0xE9));
    while (q + 31 <= Last) {
        const std::uint8_t* p = Data + q;
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 17));
        const unsigned m0 =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a0, ff), _mm_cmpeq_epi8(b0, e9))));
        const unsigned m1 =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a1, ff), _mm_cmpeq_epi8(b1, e9))));
        unsigned mask = m0 | (m1 << 16);
        while (mask != 0) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (SignatureAt(p + bit)) {
                return q + bit;
            }
            mask &= mask - 1;
        }
        q += 32;
    }
#endif
    for (; q <= Last; ++q) {
        if (Data[q] == 0xFF && SignatureAt(Data + q)) {
            return q;
        }
    }
    return kNone;
}

} // namespace quelm
