#include "TickerAddress.h"

#include <Foundation/NSString.h>

namespace {

struct CurrencyRow {
    const char* code;
    const char* path;
};

// Compared in this order; the first row whose code equals the stored value wins.
constexpr CurrencyRow kCurrencyTable[] = {
    {"USD", "/api/2/BTCUSD/money/ticker"}, {"GBP", "/api/2/BTCGBP/money/ticker"},
    {"AUD", "/api/2/BTCAUD/money/ticker"}, {"CAD", "/api/2/BTCCAD/money/ticker"},
    {"DKK", "/api/2/BTCDKK/money/ticker"}, {"CHF", "/api/2/BTCCHF/money/ticker"},
    {"CNY", "/api/2/BTCCNY/money/ticker"}, {"EUR", "/api/2/BTCEUR/money/ticker"},
    {"HKD", "/api/2/BTCHKD/money/ticker"}, {"JPY", "/api/2/BTCJPY/money/ticker"},
    {"NZD", "/api/2/BTCNZD/money/ticker"}, {"PLN", "/api/2/BTCPLN/money/ticker"},
    {"RUB", "/api/2/BTCRUB/money/ticker"}, {"SEK", "/api/2/BTCSEK/money/ticker"},
    {"SGD", "/api/2/BTCSGD/money/ticker"}, {"THB", "/api/2/BTCTHB/money/ticker"},
};

} // namespace

Ref<NSURL> tickerAddressFor(const NSObject* storedCurrency) {
    // Only a string with exactly the code's characters matches: no case folding, no trimming.
    const NSString* code = NSCast<NSString>(storedCurrency);
    if (!code)
        return nullptr;
    for (const CurrencyRow& row : kCurrencyTable) {
        if (code->isEqualToString(row.code))
            return NSURL::URLWithString(NSFormat("http://%s%s", MARKET_DATA_HOST, row.path));
    }
    return nullptr;
}
