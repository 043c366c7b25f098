#pragma once

#include "Currencies.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ticker {

// Display texts of prices and volumes, with ICU's conventions for each currency's locale:
// symbol, grouping, decimal mark, and the currency's own number of decimals (none for the
// yen). Made once; formatting is const and safe from any number of threads at once.
class MoneyFormat {
public:
    // Null, with the reason in `error`, when ICU lacks what one of the currencies needs.
    static std::unique_ptr<MoneyFormat> create(std::string& error);
    ~MoneyFormat();

    // "43.012,55 €" for 43012.55 in euros. Empty when ICU fails.
    std::string price(const Currency& currency, double amount) const;
    // "1.234,57 BTC" for 1234.56789 bitcoins quoted in euros: two decimals, same locale.
    std::string volume(const Currency& currency, double bitcoins) const;
    // The same, of an amount given as a plain decimal ("43012.555"), without passing through
    // binary floating point: ICU rounds the decimal itself, half to even.
    std::string priceOfDecimal(const Currency& currency, std::string_view amount) const;
    std::string volumeOfDecimal(const Currency& currency, std::string_view bitcoins) const;

private:
    struct Formatters;
    explicit MoneyFormat(std::unique_ptr<Formatters> formatters);
    template <class Amount>
    std::string priceText(const Currency& currency, Amount amount) const;
    template <class Amount>
    std::string volumeText(const Currency& currency, Amount bitcoins) const;
    std::unique_ptr<Formatters> m_formatters;
};

} // namespace ticker
