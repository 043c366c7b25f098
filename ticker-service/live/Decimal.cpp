#include "Decimal.h"

#include <cstdlib>
#include <limits>

namespace ticker {

namespace {

using Wide = __int128;

constexpr int64_t kUnitsPerOne = 100'000'000;

Wide powerOfTen(int exponent) {
    Wide result = 1;
    while (exponent-- > 0)
        result *= 10;
    return result;
}

// value / divisor, both above or at zero, rounded half to even.
Wide divideRounded(Wide value, Wide divisor) {
    const Wide quotient = value / divisor;
    const Wide twiceRest = 2 * (value % divisor);
    if (twiceRest > divisor || (twiceRest == divisor && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<Decimal> Decimal::parse(std::string_view text, char point) {
    const size_t pointAt = text.find(point);
    const std::string_view whole = text.substr(0, pointAt);
    const std::string_view fraction =
        pointAt == std::string_view::npos ? std::string_view{} : text.substr(pointAt + 1);
    if (whole.empty() || (pointAt != std::string_view::npos && fraction.empty()))
        return std::nullopt;

    // Every digit is read into a wide integer; the length caps keep it far from overflow.
    constexpr size_t kMaxWholeDigits = 12;
    constexpr size_t kMaxFractionDigits = 24;
    if (whole.size() > kMaxWholeDigits || fraction.size() > kMaxFractionDigits)
        return std::nullopt;
    Wide digits = 0;
    for (const char c : whole) {
        if (!isDigit(c))
            return std::nullopt;
        digits = digits * 10 + (c - '0');
    }
    for (const char c : fraction) {
        if (!isDigit(c))
            return std::nullopt;
        digits = digits * 10 + (c - '0');
    }
    const int fractionDigits = static_cast<int>(fraction.size());
    const Wide units = fractionDigits <= kDecimals
                           ? digits * powerOfTen(kDecimals - fractionDigits)
                           : divideRounded(digits, powerOfTen(fractionDigits - kDecimals));
    if (units > std::numeric_limits<int64_t>::max())
        return std::nullopt;
    return Decimal(static_cast<int64_t>(units));
}

std::string Decimal::text(int decimals) const {
    if (decimals < 0)
        decimals = 0;
    if (decimals > kDecimals)
        decimals = kDecimals;
    const Wide scale = powerOfTen(kDecimals - decimals);
    const auto rounded = static_cast<int64_t>(divideRounded(m_units, scale) * scale);
    std::string out = std::to_string(rounded / kUnitsPerOne);
    if (decimals > 0) {
        const std::string fraction = std::to_string(rounded % kUnitsPerOne + kUnitsPerOne);
        out += '.';
        out += std::string_view(fraction).substr(1, static_cast<size_t>(decimals));
    }
    return out;
}

std::optional<Decimal> Decimal::times(Decimal factor, int64_t divisor, int decimals) const {
    constexpr int64_t kMaxDivisor = 1'000'000'000'000;
    if (divisor <= 0 || divisor > kMaxDivisor || decimals < 0 || decimals > kDecimals)
        return std::nullopt;
    // Both amounts are below 2^63, so their product fits in 127 bits; it has sixteen
    // decimals, and one division takes it to `decimals` of them.
    const Wide product = static_cast<Wide>(m_units) * factor.m_units;
    const Wide scale = powerOfTen(kDecimals - decimals);
    const Wide rounded = divideRounded(product, static_cast<Wide>(divisor) * kUnitsPerOne * scale);
    if (rounded > std::numeric_limits<int64_t>::max() / scale)
        return std::nullopt;
    return Decimal(static_cast<int64_t>(rounded * scale));
}

} // namespace ticker
