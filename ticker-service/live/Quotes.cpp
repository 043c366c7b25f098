#include "Quotes.h"

#include <algorithm>
#include <array>
#include <span>

namespace ticker {

namespace {

template <class Figure>
const Fetched<Figure>* usable(const std::map<std::string, Fetched<Figure>, std::less<>>& byCode,
                              std::string_view code, Micros now, Micros maxAge) {
    const auto found = byCode.find(code);
    if (found == byCode.end() || now - found->second.at > maxAge)
        return nullptr;
    return &found->second;
}

bool isOneOf(std::string_view code, std::span<const std::string_view> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Kraken's ticker for `code`, else Bitstamp's; with the name of its source.
std::optional<Quote> exchangeTicker(std::string_view code, const SourceFigures& figures, Micros now,
                                    const Ages& ages) {
    const std::pair<const char*, const std::map<std::string, Fetched<Ticker>, std::less<>>*>
        sources[] = {{"kraken", &figures.kraken}, {"bitstamp", &figures.bitstamp}};
    for (const auto& [name, byCode] : sources) {
        if (const auto* found = usable(*byCode, code, now, ages.ticker))
            return Quote{found->figure, name, found->at, found->at + ages.ticker};
    }
    return std::nullopt;
}

// The quote with `change` applied to each of its prices; none when a change gives none.
template <class Change>
std::optional<Quote> withPrices(Quote quote, Change change) {
    Ticker& t = quote.ticker;
    for (Decimal* price : {&t.last, &t.high, &t.low, &t.vwap}) {
        const auto value = change(*price);
        if (!value)
            return std::nullopt;
        *price = *value;
    }
    for (std::optional<Decimal>* side : {&t.bid, &t.ask}) {
        if (*side && !(*side = change(**side)))
            return std::nullopt;
    }
    return quote;
}

// Prices to the reply's decimals.
std::optional<Quote> rounded(Quote quote) {
    static const Decimal one = *Decimal::parse("1");
    return withPrices(std::move(quote),
                      [](Decimal price) { return price.times(one, 1, kQuoteDecimals); });
}

// `base` in another currency, at `rate` units of it per unit of the base's currency: each
// price times the rate, rounded once to the reply's decimals.
std::optional<Quote> convert(const Quote& base, const Fetched<Rate>& rate,
                             std::string_view rateSource, const Ages& ages) {
    auto quote = withPrices(base, [&rate](Decimal price) {
        return price.times(rate.figure.value, rate.figure.per, kQuoteDecimals);
    });
    if (quote) {
        quote->source += "+";
        quote->source += rateSource;
        quote->usableUntil = std::min(quote->usableUntil, rate.at + ages.rate);
    }
    return quote;
}

} // namespace

std::optional<Quote> quoteFor(std::string_view code, const SourceFigures& figures, Micros now,
                              const Ages& ages) {
    constexpr std::array<std::string_view, 3> kBothExchanges = {"USD", "EUR", "GBP"};
    constexpr std::array<std::string_view, 4> kKrakenOnly = {"CAD", "JPY", "CHF", "AUD"};

    if (code == "RUB") {
        const auto dollars = exchangeTicker("USD", figures, now, ages);
        const auto* rate = usable(figures.cbr, "USD", now, ages.rate);
        if (!dollars || !rate)
            return std::nullopt;
        return convert(*dollars, *rate, "cbr", ages);
    }
    if (isOneOf(code, kBothExchanges)) {
        const auto quote = exchangeTicker(code, figures, now, ages);
        return quote ? rounded(*quote) : std::nullopt;
    }
    if (isOneOf(code, kKrakenOnly)) {
        if (const auto* found = usable(figures.kraken, code, now, ages.ticker))
            return rounded(Quote{found->figure, "kraken", found->at, found->at + ages.ticker});
    }
    const auto euros = exchangeTicker("EUR", figures, now, ages);
    const auto* rate = usable(figures.ecb, code, now, ages.rate);
    if (!euros || !rate)
        return std::nullopt;
    return convert(*euros, *rate, "ecb", ages);
}

} // namespace ticker
