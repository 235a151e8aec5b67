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

// GCC's own vector of bytes, not a struct holding one: a struct that is handed to a call
// lives in memory, and the kernel's steps stored and reloaded the frame in every step. Its
// +, -, & and | are the byte operations themselves. Unsigned, so that a sum past 127 wraps
// as the lanes' offsets intend instead of being a signed overflow; Greater compares the
// lanes as signed bytes all the same.
typedef unsigned char Bytes16 __attribute__((vector_size(16)));

QUORBIT_ALWAYS_INLINE Bytes16 Load(const Lanes16& lanes) { return *reinterpret_cast<const Bytes16*>(lanes.lane); }
QUORBIT_ALWAYS_INLINE Bytes16 AndNot(Bytes16 a, Bytes16 b) { return ~a & b; }
// Signed. The instruction itself: GCC 12 compiles `a > b` against a constant b (and the
// intrinsic, which is written so) into the inverse comparison and a second one to negate it.
QUORBIT_ALWAYS_INLINE Bytes16 Greater(Bytes16 a, Bytes16 b) {
    asm("pcmpgtb %1, %0" : "+x"(a) : "xm"(b));
    return a;
}
QUORBIT_ALWAYS_INLINE Bytes16 Equal(Bytes16 a, Bytes16 b) { return reinterpret_cast<Bytes16>(a == b); }
// Bit i: the top bit of lane i.
QUORBIT_ALWAYS_INLINE uint32_t TopBits(Bytes16 a) { return static_cast<uint32_t>(_mm_movemask_epi8(reinterpret_cast<__m128i>(a))); }
QUORBIT_ALWAYS_INLINE int8_t LaneOf(Bytes16 a, int i) { return static_cast<int8_t>(a[i]); }

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
