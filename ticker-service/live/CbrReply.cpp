#include "CbrReply.h"

#include "TextEncoding.h"

#include <pugixml.hpp>

#include <charconv>

namespace ticker {

namespace {

std::optional<int64_t> wholeNumber(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value <= 0)
        return std::nullopt;
    return value;
}

} // namespace

ByCode<Rate> parseCbrRates(std::string_view body) {
    ByCode<Rate> out;
    std::string error;
    const std::optional<std::string> utf8 = xmlAsUtf8(body, error);
    if (!utf8) {
        out.errors.push_back(error);
        return out;
    }
    pugi::xml_document document;
    // Already UTF-8: the declaration's encoding is not looked at again.
    const pugi::xml_parse_result parsed =
        document.load_buffer(utf8->data(), utf8->size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        out.errors.push_back(std::string("the reply is not XML: ") + parsed.description());
        return out;
    }
    const pugi::xpath_node_set dollars = document.select_nodes("/ValCurs/Valute[CharCode='USD']");
    if (dollars.size() != 1) {
        out.errors.push_back(dollars.empty() ? "no rate for USD" : "more than one rate for USD");
        return out;
    }
    const pugi::xml_node entry = dollars.first().node();
    const auto value = Decimal::parse(entry.child_value("Value"), ',');
    const auto nominal = wholeNumber(entry.child_value("Nominal"));
    if (!isPrice(value) || !nominal) {
        out.errors.push_back("the rate for USD is not above zero");
        return out;
    }
    out.figures.emplace("USD", Rate{*value, *nominal});
    return out;
}

} // namespace ticker
