// Sixteen signed bytes handled at once: an SSE2 register where there is one (every x86-64
// processor), plain loops elsewhere or with QUORBIT_PORTABLE_SCALAR. A Bytes16 passed by
// value travels in a vector register, so the kernel's per-line state never touches memory.
#pragma once

#include <cstdint>

#include "search/search_state.h"

#if defined(__SSE2__) && !defined(QUORBIT_PORTABLE_SCALAR)
#define QUORBIT_SSE2 1
#include <emmintrin.h>
#endif


namespace quorbit {

// Constant lanes, as tables and per-square constants hold them.
struct alignas(16) Lanes16 {
    int8_t lane[16];
};

constexpr Lanes16 SplatLanes(int value) {
    Lanes16 lanes{};
    for (int8_t& lane : lanes.lane) lane = static_cast<int8_t>(static_cast<uint8_t>(value & 0xFF));
    return lanes;
}

#ifdef QUORBIT_SSE2

struct Bytes16 {
    __m128i v;
};

QUORBIT_ALWAYS_INLINE Bytes16 Load(const Lanes16& lanes) { return {_mm_load_si128(reinterpret_cast<const __m128i*>(lanes.lane))}; }
QUORBIT_ALWAYS_INLINE Bytes16 operator+(Bytes16 a, Bytes16 b) { return {_mm_add_epi8(a.v, b.v)}; }
QUORBIT_ALWAYS_INLINE Bytes16 operator-(Bytes16 a, Bytes16 b) { return {_mm_sub_epi8(a.v, b.v)}; }
QUORBIT_ALWAYS_INLINE Bytes16 operator&(Bytes16 a, Bytes16 b) { return {_mm_and_si128(a.v, b.v)}; }
QUORBIT_ALWAYS_INLINE Bytes16 operator|(Bytes16 a, Bytes16 b) { return {_mm_or_si128(a.v, b.v)}; }
QUORBIT_ALWAYS_INLINE Bytes16 AndNot(Bytes16 a, Bytes16 b) { return {_mm_andnot_si128(a.v, b.v)}; }  // ~a & b
QUORBIT_ALWAYS_INLINE Bytes16 Greater(Bytes16 a, Bytes16 b) { return {_mm_cmpgt_epi8(a.v, b.v)}; }   // signed
QUORBIT_ALWAYS_INLINE Bytes16 Equal(Bytes16 a, Bytes16 b) { return {_mm_cmpeq_epi8(a.v, b.v)}; }
// Bit i: the top bit of lane i.
QUORBIT_ALWAYS_INLINE uint32_t TopBits(Bytes16 a) { return static_cast<uint32_t>(_mm_movemask_epi8(a.v)); }
QUORBIT_ALWAYS_INLINE int8_t LaneOf(Bytes16 a, int i) {
    alignas(16) int8_t lanes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), a.v);
    return lanes[i];
}

#else

struct Bytes16 {
    int8_t lane[16];
};

template <typename F>
QUORBIT_ALWAYS_INLINE Bytes16 EachLane(Bytes16 a, Bytes16 b, F f) {
    Bytes16 r;
    for (int i = 0; i < 16; ++i) r.lane[i] = static_cast<int8_t>(f(a.lane[i], b.lane[i]));
    return r;
}

QUORBIT_ALWAYS_INLINE Bytes16 Load(const Lanes16& lanes) {
    Bytes16 r;
    for (int i = 0; i < 16; ++i) r.lane[i] = lanes.lane[i];
    return r;
}
QUORBIT_ALWAYS_INLINE Bytes16 operator+(Bytes16 a, Bytes16 b) { return EachLane(a, b, [](int x, int y) { return x + y; }); }
QUORBIT_ALWAYS_INLINE Bytes16 operator-(Bytes16 a, Bytes16 b) { return EachLane(a, b, [](int x, int y) { return x - y; }); }
QUORBIT_ALWAYS_INLINE Bytes16 operator&(Bytes16 a, Bytes16 b) { return EachLane(a, b, [](int x, int y) { return x & y; }); }
QUORBIT_ALWAYS_INLINE Bytes16 operator|(Bytes16 a, Bytes16 b) { return EachLane(a, b, [](int x, int y) { return x | y; }); }
QUORBIT_ALWAYS_INLINE Bytes16 AndNot(Bytes16 a, Bytes16 b) { return EachLane(a, b, [](int x, int y) { return ~x & y; }); }
QUORBIT_ALWAYS_INLINE Bytes16 Greater(Bytes16 a, Bytes16 b) { return EachLane(a, b, [](int x, int y) { return x > y ? -1 : 0; }); }
QUORBIT_ALWAYS_INLINE Bytes16 Equal(Bytes16 a, Bytes16 b) { return EachLane(a, b, [](int x, int y) { return x == y ? -1 : 0; }); }
QUORBIT_ALWAYS_INLINE uint32_t TopBits(Bytes16 a) {
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) bits |= static_cast<uint32_t>(a.lane[i] < 0) << i;
    return bits;
}
QUORBIT_ALWAYS_INLINE int8_t LaneOf(Bytes16 a, int i) { return a.lane[i]; }

#endif

}  // namespace quorbit
