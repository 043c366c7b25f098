#include "RecordingDelegate.h"

#include <Foundation/NSRunLoop.h>

namespace test {

namespace {
const std::thread::id mainThread = std::this_thread::get_id();
} // namespace

bool RecordingDelegate::creating = false;

std::string ConnectionLog::summary() const {
    std::string text;
    for (const std::string& call : calls) {
        if (call == "dealloc" || (call == "data" && text.ends_with("data")))
            continue;
        if (!text.empty())
            text += ", ";
        text += call;
    }
    return text;
}

void RecordingDelegate::check(NSURLConnection* connection, const char* call) {
    if (std::this_thread::get_id() != mainThread)
        m_log->faults.push_back(std::string(call) + " off the main thread");
    if (creating)
        m_log->faults.push_back(std::string(call) + " inside connectionWithRequest");
    if (m_log->ended)
        m_log->faults.push_back(std::string(call) + " after the ending call");
    // Touches the connection: a connection freed too early shows under the sanitizers.
    if (!connection || !connection->originalRequest())
        m_log->faults.push_back(std::string(call) + " without its connection");
}

void RecordingDelegate::connectionDidReceiveResponse(NSURLConnection* connection,
                                                     NSURLResponse* response) {
    check(connection, "response");
    auto* http = NSCast<NSHTTPURLResponse>(response);
    m_log->response = http;
    m_log->calls.push_back("response " + std::to_string(http ? http->statusCode() : 0));
}

void RecordingDelegate::connectionDidReceiveData(NSURLConnection* connection, NSData* data) {
    check(connection, "data");
    if (!m_log->response)
        m_log->faults.push_back("data before the response");
    m_log->calls.push_back("data");
    m_log->body.append(data->view());
}

void RecordingDelegate::connectionDidFailWithError(NSURLConnection* connection, NSError* error) {
    check(connection, "fail");
    m_log->calls.push_back("fail");
    m_log->error = error;
    m_log->ended = true;
}

void RecordingDelegate::connectionDidFinishLoading(NSURLConnection* connection) {
    check(connection, "finish");
    m_log->calls.push_back("finish");
    m_log->ended = true;
}

Started startLoading(const std::string& url, double timeoutSeconds) {
    auto log = std::make_shared<ConnectionLog>();
    Ref<NSURL> address = url.empty() ? nullptr : NSURL::URLWithString(url);
    auto request = NSMutableURLRequest::requestWithURL(
        address.get(), NSURLRequestReloadIgnoringLocalCacheData, timeoutSeconds);
    auto delegate = make<RecordingDelegate>(log);
    RecordingDelegate::creating = true;
    Ref<NSURLConnection> connection = NSURLConnection::connectionWithRequest(request, delegate);
    RecordingDelegate::creating = false;
    return {log, connection != nullptr};
}

bool runUntilEnded(const ConnectionLog& log, double timeoutSeconds) {
    return NSRunLoop::mainRunLoop()->runUntil([&] { return log.ended; }, timeoutSeconds);
}

} // namespace test
