#pragma once

#include "Currencies.h"

#include <memory>
#include <optional>
#include <string>

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

private:
    struct Formatters;
    explicit MoneyFormat(std::unique_ptr<Formatters> formatters);
    std::unique_ptr<Formatters> m_formatters;
};

} // namespace ticker
