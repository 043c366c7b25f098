#include "EcbReply.h"

#include <pugixml.hpp>

namespace ticker {

ByCode<Rate> parseEcbRates(std::string_view body, std::span<const std::string_view> wanted) {
    ByCode<Rate> out;
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
        out.errors.push_back(std::string("the reply is not XML: ") + parsed.description());
        return out;
    }

    // Every <Cube currency=... rate=...>, wherever it sits: the nesting is the ECB's affair.
    std::map<std::string, std::string, std::less<>> rates;
    for (const pugi::xpath_node& node : document.select_nodes("//Cube[@currency]"))
        rates.emplace(node.node().attribute("currency").value(),
                      node.node().attribute("rate").value());
    if (rates.empty()) {
        out.errors.push_back("the reply holds no rates");
        return out;
    }
    for (const std::string_view code : wanted) {
        const auto found = rates.find(code);
        if (found == rates.end()) {
            out.errors.push_back("no rate for " + std::string(code));
            continue;
        }
        const auto value = Decimal::parse(found->second);
        if (!isPrice(value)) {
            out.errors.push_back("the rate for " + std::string(code) + " is not above zero");
            continue;
        }
        out.figures.emplace(code, Rate{*value, 1});
    }
    return out;
}

} // namespace ticker
