#include "PricePath.h"

#include <array>
#include <cmath>

namespace ticker {

namespace {

constexpr int kLevels = 22;
constexpr int64_t kAnchorSpan = int64_t{1} << kLevels;
// Spread of the anchors around the base price, in log space.
constexpr double kAnchorSigma = 0.08;
// Volatility per second, in log space: about 3% a day.
constexpr double kSecondSigma = 0.03 / 293.9387691339814; // sqrt(86400)

// Tags keep the hash streams of the different draws apart.
enum Stream : uint64_t { BasePrice = 1, Anchor = 2, Bridge = 3, Volume = 4 };

uint64_t mix(uint64_t x) {
    // splitmix64's finaliser.
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

uint64_t hash(uint64_t seed, Stream stream, int64_t a, int64_t b = 0) {
    uint64_t h = mix(seed ^ mix(stream));
    h = mix(h ^ static_cast<uint64_t>(a));
    return mix(h ^ static_cast<uint64_t>(b));
}

// Uniform in [0, 1) from the top 53 bits.
double uniform(uint64_t h) {
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

// Roughly standard normal: the sum of four 16-bit uniforms, scaled to unit variance.
// Bounded at about 3.5 sigma, which suits a market that should not jump.
double normal(uint64_t h) {
    double sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += static_cast<double>((h >> (16 * i)) & 0xffff) / 65536.0;
    return (sum - 2.0) * 1.7320508075688772; // sqrt(12 / 4)
}

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Standard deviation of a bridge's midpoint, for each interval length 2^level.
const std::array<double, kLevels + 1>& midpointSigmas() {
    static const auto table = [] {
        std::array<double, kLevels + 1> sigmas{};
        for (int level = 0; level <= kLevels; ++level)
            sigmas[level] = kSecondSigma * std::sqrt(std::ldexp(1.0, level)) / 2.0;
        return sigmas;
    }();
    return table;
}

} // namespace

PricePath::PricePath(uint64_t seed)
    : m_seed(seed), m_logBase(std::log(25000.0 + 40000.0 * uniform(hash(seed, BasePrice, 0)))) {}

double PricePath::anchor(int64_t index) const {
    return m_logBase + kAnchorSigma * normal(hash(m_seed, Anchor, index));
}

double PricePath::priceAt(int64_t second) const {
    const int64_t index = floorDiv(second, kAnchorSpan);
    const int64_t offset = second - index * kAnchorSpan;
    const auto& sigmas = midpointSigmas();

    int64_t low = 0;
    double lowValue = anchor(index);
    double highValue = anchor(index + 1);
    for (int level = kLevels; level > 0 && offset != low; --level) {
        // Each midpoint is the midpoint of exactly one interval, so its offset names its draw.
        const int64_t mid = low + (int64_t{1} << (level - 1));
        const double midValue =
            (lowValue + highValue) / 2.0 + sigmas[level] * normal(hash(m_seed, Bridge, index, mid));
        if (offset < mid) {
            highValue = midValue;
        } else {
            low = mid;
            lowValue = midValue;
        }
    }
    return std::exp(lowValue);
}

double PricePath::volumeAt(int64_t second) const {
    // Mostly small trades with now and then a big one: 0.001 to 0.081 BTC, mean about 0.02.
    const double u = uniform(hash(m_seed, Volume, second));
    return 0.001 + 0.08 * u * u * u;
}

} // namespace ticker
