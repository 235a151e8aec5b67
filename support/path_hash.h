// A 64-bit hash of a path (FNV-1a), to give each path a file name of its own.
#pragma once

#include <cstdint>

namespace quorbit {

inline uint64_t PathHash(const char* path) {
    uint64_t hash = 14695981039346656037ull;
    for (const char* p = path; *p != '\0'; ++p) {
        hash ^= static_cast<unsigned char>(*p);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace quorbit
