#include "LiveReply.h"

#include "TickerReply.h"

#include <vector>

namespace ticker {

std::string liveTickerReply(const Currency& currency, const Quote& quote, Micros now,
                            const MoneyFormat& format) {
    const Ticker& t = quote.ticker;
    const std::pair<std::string_view, std::optional<Decimal>> prices[] = {
        {"last", t.last}, {"high", t.high}, {"low", t.low},  {"avg", t.vwap},
        {"vwap", t.vwap}, {"buy", t.bid},   {"sell", t.ask},
    };
    std::vector<ReplyAmount> amounts;
    for (const auto& [name, price] : prices) {
        if (!price)
            continue;
        std::string value = price->text(kQuoteDecimals);
        std::string display = format.priceOfDecimal(currency, value);
        amounts.push_back({name, std::move(value), std::move(display), currency.code});
    }
    std::string bitcoins = t.volume.text(Decimal::kDecimals);
    std::string display = format.volumeOfDecimal(currency, bitcoins);
    amounts.push_back({"vol", std::move(bitcoins), std::move(display), "BTC"});
    const std::pair<std::string_view, std::string> texts[] = {
        {"now", std::to_string(now)},
        {"dataUpdateTime", std::to_string(quote.fetchedAt)},
        {"source", quote.source},
    };
    return successReply(amounts, texts);
}

} // namespace ticker
