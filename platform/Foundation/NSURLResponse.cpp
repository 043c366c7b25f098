#include <Foundation/NSURLResponse.h>

std::string NSURLResponse::description() const {
    return "<" + std::string(className()) + " " + NSDescription(m_url.get()) + ">";
}

std::string NSHTTPURLResponse::description() const {
    return "<" + std::string(className()) + " " + NSDescription(URL()) + " " +
           std::to_string(m_statusCode) + ">";
}
