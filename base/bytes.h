#pragma once
// Little-endian 32-bit integers and IEEE single floats over byte buffers, the
// only number encodings of the record files.
#include <cstdint>
#include <cstring>

namespace tarvel {

inline int32_t readI32(const uint8_t* p) {
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    int32_t r;
    std::memcpy(&r, &v, 4);
    return r;
}

inline void writeI32(uint8_t* p, int32_t value) {
    uint32_t v;
    std::memcpy(&v, &value, 4);
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline float readF32(const uint8_t* p) {
    int32_t bits = readI32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

inline void writeF32(uint8_t* p, float value) {
    int32_t bits;
    std::memcpy(&bits, &value, 4);
    writeI32(p, bits);
}

}  // namespace tarvel
