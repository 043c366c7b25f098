#include "MoneyFormat.h"

#include <unicode/locid.h>
#include <unicode/numberformatter.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <memory>
#include <string_view>
#include <vector>

namespace ticker {

namespace {

using icu::number::LocalizedNumberFormatter;
using icu::number::NumberFormatter;

std::string utf8Text(const icu::number::FormattedNumber& formatted, UErrorCode& status) {
    const icu::UnicodeString text = formatted.toString(status);
    if (U_FAILURE(status))
        return {};
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::string format(const LocalizedNumberFormatter& formatter, double value) {
    UErrorCode status = U_ZERO_ERROR;
    return utf8Text(formatter.formatDouble(value, status), status);
}

std::string format(const LocalizedNumberFormatter& formatter, std::string_view decimal) {
    UErrorCode status = U_ZERO_ERROR;
    return utf8Text(
        formatter.formatDecimal(
            icu::StringPiece(decimal.data(), static_cast<int32_t>(decimal.size())), status),
        status);
}

// Position in currencies(), or past its end for a currency from elsewhere.
size_t indexOf(const Currency& currency) {
    const auto table = currencies();
    if (&currency < table.data() || &currency >= table.data() + table.size())
        return table.size();
    return static_cast<size_t>(&currency - table.data());
}

// ICU falls back towards its root locale for a name it lacks, which would quietly format
// prices in the wrong conventions; insist on data for the language and the country named.
bool hasLocale(const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(
        icu::NumberFormat::createCurrencyInstance(locale, status));
    if (U_FAILURE(status) || !format)
        return false;
    const icu::Locale found = format->getLocale(ULOC_VALID_LOCALE, status);
    return U_SUCCESS(status) && std::string_view(found.getLanguage()) == locale.getLanguage() &&
           std::string_view(found.getCountry()) == locale.getCountry();
}

} // namespace

// LocalizedNumberFormatter is immutable and documented as safe for concurrent use.
struct MoneyFormat::Formatters {
    std::vector<LocalizedNumberFormatter> prices;  // by position in currencies()
    std::vector<LocalizedNumberFormatter> volumes; // by position in currencies()
};

MoneyFormat::MoneyFormat(std::unique_ptr<Formatters> formatters)
    : m_formatters(std::move(formatters)) {}

MoneyFormat::~MoneyFormat() = default;

std::unique_ptr<MoneyFormat> MoneyFormat::create(std::string& error) {
    auto formatters = std::make_unique<Formatters>();
    for (const Currency& currency : currencies()) {
        const std::string localeName(currency.locale);
        const icu::Locale locale(localeName.c_str());
        if (!hasLocale(locale)) {
            error = "ICU has no data for the locale " + localeName;
            return nullptr;
        }
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString code = icu::UnicodeString::fromUTF8(
            icu::StringPiece(currency.code.data(), static_cast<int32_t>(currency.code.size())));
        const icu::CurrencyUnit unit(code.getTerminatedBuffer(), status);
        if (U_FAILURE(status)) {
            error = "ICU does not know the currency " + std::string(currency.code) + ": " +
                    u_errorName(status);
            return nullptr;
        }
        formatters->prices.push_back(NumberFormatter::withLocale(locale).unit(unit));
        formatters->volumes.push_back(NumberFormatter::withLocale(locale).precision(
            icu::number::Precision::fixedFraction(2)));

        // Try both now, so a missing locale shows at start rather than in every reply.
        UErrorCode probe = U_ZERO_ERROR;
        formatters->prices.back().formatDouble(1234.5, probe).toString(probe);
        formatters->volumes.back().formatDouble(1234.5, probe).toString(probe);
        if (U_FAILURE(probe)) {
            error = "ICU cannot format " + std::string(currency.code) + " in " + localeName + ": " +
                    u_errorName(probe);
            return nullptr;
        }
    }
    return std::unique_ptr<MoneyFormat>(new MoneyFormat(std::move(formatters)));
}

template <class Amount>
std::string MoneyFormat::priceText(const Currency& currency, Amount amount) const {
    const size_t index = indexOf(currency);
    if (index >= m_formatters->prices.size())
        return {};
    return format(m_formatters->prices[index], amount);
}

template <class Amount>
std::string MoneyFormat::volumeText(const Currency& currency, Amount bitcoins) const {
    const size_t index = indexOf(currency);
    if (index >= m_formatters->volumes.size())
        return {};
    std::string text = format(m_formatters->volumes[index], bitcoins);
    return text.empty() ? text : text + " BTC";
}

std::string MoneyFormat::price(const Currency& currency, double amount) const {
    return priceText(currency, amount);
}

std::string MoneyFormat::volume(const Currency& currency, double bitcoins) const {
    return volumeText(currency, bitcoins);
}

std::string MoneyFormat::priceOfDecimal(const Currency& currency, std::string_view amount) const {
    return priceText(currency, amount);
}

std::string MoneyFormat::volumeOfDecimal(const Currency& currency,
                                         std::string_view bitcoins) const {
    return volumeText(currency, bitcoins);
}

} // namespace ticker
