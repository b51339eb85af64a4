#pragma once

// The reference every scan figure is measured against: one XOR of every
// 64-byte block of the mapping, with the widest vectors the processor
// offers. Reading memory cannot be done faster.
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace quelm::bench
{

inline std::uint64_t Tail(const std::uint8_t* Data, std::size_t From, std::size_t Size)
{
    std::uint64_t result = 0;
    for (std::size_t i = From; i < Size; ++i) {
        result ^= Data[i];
    }
    return result;
}

__attribute__((target("avx512f"))) inline std::uint64_t XorAvx512(const std::uint8_t* Data, std::size_t Size)
{
    __m512i sum = _mm512_setzero_si512();
    const std::size_t blocks = Size / 64;
    for (std::size_t i = 0; i < blocks; ++i) {
        sum = _mm512_xor_si512(sum, _mm512_loadu_si512(Data + i * 64));
    }
    alignas(64) std::uint64_t lanes[8];
    _mm512_store_si512(lanes, sum);
    std::uint64_t result = Tail(Data, blocks * 64, Size);
    for (const std::uint64_t lane : lanes) {
        result ^= lane;
    }
    return result;
}

__attribute__((target("avx2"))) inline std::uint64_t XorAvx2(const std::uint8_t* Data, std::size_t Size)
{
    __m256i low = _mm256_setzero_si256();
    __m256i high = _mm256_setzero_si256();
    const std::size_t blocks = Size / 64;
    for (std::size_t i = 0; i < blocks; ++i) {
        low = _mm256_xor_si256(low, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Data + i * 64)));
        high = _mm256_xor_si256(high, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Data + i * 64 + 32)));
    }
    alignas(32) std::uint64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), _mm256_xor_si256(low, high));
    std::uint64_t result = Tail(Data, blocks * 64, Size);
    for (const std::uint64_t lane : lanes) {
        result ^= lane;
    }
    return result;
}

inline std::uint64_t XorSse2(const std::uint8_t* Data, std::size_t Size)
{
    __m128i sum[4] = {};
    const std::size_t blocks = Size / 64;
    for (std::size_t i = 0; i < blocks; ++i) {
        for (int k = 0; k < 4; ++k) {
            sum[k] = _mm_xor_si128(sum[k], _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + i * 64 + k * 16)));
        }
    }
    alignas(16) std::uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes),
                    _mm_xor_si128(_mm_xor_si128(sum[0], sum[1]), _mm_xor_si128(sum[2], sum[3])));
    return Tail(Data, blocks * 64, Size) ^ lanes[0] ^ lanes[1];
}

inline std::uint64_t XorEveryBlock(const std::uint8_t* Data, std::size_t Size)
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") ? XorAvx512(Data, Size)
           : __builtin_cpu_supports("avx2")  ? XorAvx2(Data, Size)
                                             : XorSse2(Data, Size);
}

} // namespace quelm::bench
