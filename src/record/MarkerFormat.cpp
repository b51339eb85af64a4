#include "MarkerFormat.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUELM_X86 1
#endif

namespace quelm
{

namespace
{

constexpr std::uint64_t kNone = UINT64_MAX;

bool SignatureAt(const std::uint8_t* Bytes)
{
    return Bytes[0] == 0xFF && Bytes[1] == 0xE9 && Bytes[3] == 0xCC && Bytes[2] == 0x09;
}

// Each vector search looks for FF followed by E9 many offsets at a time and
// checks only those rare pairs for the other two bytes; it stops where
// fewer than a whole step of positions is left and leaves the rest to the
// byte walk. A step over positions q .. q + N - 1 reads up to q + N, and
// the check of a candidate up to its offset + 3: all within Last + 3.

std::uint64_t FindBytes(const std::uint8_t* Data, std::uint64_t& Q, std::uint64_t Last)
{
    for (; Q <= Last; ++Q) {
        if (Data[Q] == 0xFF && SignatureAt(Data + Q)) {
            return Q;
        }
    }
    return kNone;
}

// Candidates in a mask whose bit i stands for offset Q + i.
std::uint64_t CheckCandidates(const std::uint8_t* Data, std::uint64_t Q, std::uint64_t Mask)
{
    while (Mask != 0) {
        const auto bit = static_cast<std::uint64_t>(__builtin_ctzll(Mask));
        if (SignatureAt(Data + Q + bit)) {
            return Q + bit;
        }
        Mask &= Mask - 1;
    }
    return kNone;
}

#if defined(QUELM_X86)

std::uint64_t FindSse2(const std::uint8_t* Data, std::uint64_t& Q, std::uint64_t Last)
{
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i e9 = _mm_set1_epi8(static_cast<char>(0xE9));
    for (; Q + 31 <= Last; Q += 32) {
        const std::uint8_t* p = Data + Q;
        auto pairs = [&](int Offset) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + Offset));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + Offset + 1));
            return static_cast<std::uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, ff), _mm_cmpeq_epi8(b, e9)))));
        };
        const std::uint64_t mask = pairs(0) | pairs(16) << 16;
        if (mask != 0) {
            const std::uint64_t found = CheckCandidates(Data, Q, mask);
            if (found != kNone) {
                return found;
            }
        }
    }
    return kNone;
}

__attribute__((target("avx2"))) std::uint64_t FindAvx2(const std::uint8_t* Data, std::uint64_t& Q, std::uint64_t Last)
{
    const __m256i ff = _mm256_set1_epi8(static_cast<char>(0xFF));
    const __m256i e9 = _mm256_set1_epi8(static_cast<char>(0xE9));
    auto pairs = [&](const std::uint8_t* Bytes) __attribute__((target("avx2")))
    {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Bytes));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Bytes + 1));
        return _mm256_and_si256(_mm256_cmpeq_epi8(a, ff), _mm256_cmpeq_epi8(b, e9));
    };
    // 128 positions a pass; one test for all four vectors, since the pair
    // FF E9 is rare in audio (it is no valid MPEG frame header).
    for (; Q + 127 <= Last; Q += 128) {
        const std::uint8_t* p = Data + Q;
        const __m256i m0 = pairs(p);
        const __m256i m1 = pairs(p + 32);
        const __m256i m2 = pairs(p + 64);
        const __m256i m3 = pairs(p + 96);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(m0, m1), _mm256_or_si256(m2, m3));
        if (_mm256_testz_si256(any, any)) {
            continue;
        }
        auto bits = [](__m256i Mask) __attribute__((target("avx2")))
        {
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(Mask)));
        };
        std::uint64_t found = CheckCandidates(Data, Q, bits(m0) | bits(m1) << 32);
        if (found == kNone) {
            found = CheckCandidates(Data, Q + 64, bits(m2) | bits(m3) << 32);
        }
        if (found != kNone) {
            return found;
        }
    }
    return kNone;
}

__attribute__((target("avx512f,avx512bw"))) std::uint64_t FindAvx512(const std::uint8_t* Data, std::uint64_t& Q,
                                                                     std::uint64_t Last)
{
    const __m512i ff = _mm512_set1_epi8(static_cast<char>(0xFF));
    const __m512i e9 = _mm512_set1_epi8(static_cast<char>(0xE9));
    auto pairs = [&](const std::uint8_t* Bytes) __attribute__((target("avx512f,avx512bw")))
    {
        const __m512i a = _mm512_loadu_si512(Bytes);
        const __m512i b = _mm512_loadu_si512(Bytes + 1);
        return static_cast<std::uint64_t>(_mm512_cmpeq_epi8_mask(a, ff) & _mm512_cmpeq_epi8_mask(b, e9));
    };
    for (; Q + 127 <= Last; Q += 128) {
        const std::uint8_t* p = Data + Q;
        const std::uint64_t m0 = pairs(p);
        const std::uint64_t m1 = pairs(p + 64);
        if ((m0 | m1) == 0) {
            continue;
        }
        std::uint64_t found = CheckCandidates(Data, Q, m0);
        if (found == kNone) {
            found = CheckCandidates(Data, Q + 64, m1);
        }
        if (found != kNone) {
            return found;
        }
    }
    return kNone;
}

#endif

using Search = std::uint64_t (*)(const std::uint8_t*, std::uint64_t&, std::uint64_t);

Search SearchFor(SearchPath Path)
{
    switch (Path) {
#if defined(QUELM_X86)
    case SearchPath::Sse2:
        return FindSse2;
    case SearchPath::Avx2:
        return FindAvx2;
    case SearchPath::Avx512:
        return FindAvx512;
#endif
    default:
        return FindBytes;
    }
}

struct Active {
    SearchPath path;
    Search search;
};

Active& Current()
{
    static Active active = [] {
        const SearchPath best = SupportedSearchPaths().back();
        return Active{best, SearchFor(best)};
    }();
    return active;
}

} // namespace

std::vector<SearchPath> SupportedSearchPaths()
{
    std::vector<SearchPath> paths{SearchPath::Bytes};
#if defined(QUELM_X86)
    __builtin_cpu_init();
    paths.push_back(SearchPath::Sse2);
    if (__builtin_cpu_supports("avx2")) {
        paths.push_back(SearchPath::Avx2);
    }
    if (__builtin_cpu_supports("avx512bw")) {
        paths.push_back(SearchPath::Avx512);
    }
#endif
    return paths;
}

SearchPath UseSearchPath(SearchPath Path)
{
    Active& active = Current();
    const SearchPath before = active.path;
    active = Active{Path, SearchFor(Path)};
    return before;
}

std::uint64_t FindSignature(const std::uint8_t* Data, std::uint64_t From, std::uint64_t Last)
{
    std::uint64_t q = From;
    const std::uint64_t found = Current().search(Data, q, Last);
    return found != kNone ? found : FindBytes(Data, q, Last);
}

} // namespace quelm
