#pragma once
// A small deterministic random source (splitmix64). The standard library's
// distributions differ between implementations; these do not, so a corpus
// made from the same start value is the same everywhere.
#include <cmath>
#include <cstdint>

namespace tarvel::cards {

class Rng {
public:
    explicit Rng(uint64_t start) : state_(start) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double low, double high) { return low + (high - low) * uniform(); }
    // Uniform integer in [low, high].
    int integer(int low, int high) { return low + static_cast<int>(uniform() * (high - low + 1)); }
    bool chance(double p) { return uniform() < p; }
    // Standard normal (Box-Muller).
    double normal() {
        double u1 = uniform();
        double u2 = uniform();
        if (u1 < 1e-300) u1 = 1e-300;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    // An independent source for a sub-task, so that adding draws in one part
    // does not shift every later part.
    Rng fork(uint64_t salt) { return Rng(next() ^ (salt * 0xD1B54A32D192ED03ull)); }

private:
    uint64_t state_;
};

}  // namespace tarvel::cards
