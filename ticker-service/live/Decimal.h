#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ticker {

// A non-negative amount with eight decimals, held exactly: what the exchanges send as
// decimal text stays the same number, and a price times an exchange rate is rounded once,
// at the end, half to even (as ICU rounds the display texts made from it).
class Decimal {
public:
    static constexpr int kDecimals = 8;

    Decimal() = default;

    // "61000.1", "0.00012345", "91,2345" with ',' as `point`. Digits, at most one point with
    // digits on both sides; no sign, blanks, grouping or exponent. Digits past the eighth
    // decimal are rounded half to even. None for anything else, or above 92 billion.
    static std::optional<Decimal> parse(std::string_view text, char point = '.');

    // The amount rounded half to even to `decimals` (0 to 8) places: "61000.10000".
    std::string text(int decimals) const;

    // This amount times `factor` divided by `divisor` (1 to 10^12), rounded half to even to
    // `decimals` places; none when the result is out of range.
    std::optional<Decimal> times(Decimal factor, int64_t divisor, int decimals) const;

    bool isZero() const { return m_units == 0; }
    friend auto operator<=>(Decimal, Decimal) = default;

private:
    explicit Decimal(int64_t units) : m_units(units) {}
    int64_t m_units = 0; // hundred-millionths
};

} // namespace ticker
