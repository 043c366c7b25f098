#include "HttpServer.h"

#include "Routing.h"
#include "TickerReply.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>

#include <array>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

namespace ticker {

namespace {

constexpr size_t kHeadLimit = 8 * 1024;
// Nothing here takes a body; a small one is read and dropped, a bigger one refused.
constexpr size_t kBodyLimit = 64 * 1024;
// After the last reply of a connection, how long what the client still sends is read and
// dropped, so that closing does not reset the connection under the reply.
constexpr auto kDrainTime = std::chrono::seconds(1);
// Refusals being written at once past the caps; past these, new connections are closed
// without a word.
constexpr size_t kRefusalsAtOnce = 256;
// A pause before accepting again when the process is out of file descriptors.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

std::shared_ptr<const std::string> errorBody(std::string_view message) {
    return std::make_shared<const std::string>(errorReply(message));
}

// "Date: Fri, 11 Dec 2026 17:30:00 GMT\r\n", made once a second on each thread.
std::string_view dateHeader() {
    thread_local time_t second = -1;
    thread_local std::array<char, 64> text;
    thread_local size_t length = 0;
    const time_t now = std::time(nullptr);
    if (now != second) {
        std::tm utc{};
        gmtime_r(&now, &utc);
        length =
            std::strftime(text.data(), text.size(), "Date: %a, %d %b %Y %H:%M:%S GMT\r\n", &utc);
        second = now;
    }
    return {text.data(), length};
}

// Replies the server makes itself.
struct CannedReplies {
    Reply notFound{404, errorBody("not found"), {}};
    Reply notAllowed{405, errorBody("method not allowed"), {}};
    Reply badRequest{400, errorBody("bad request"), {}};
    Reply bodyTooLarge{413, errorBody("request body too large"), {}};
    Reply headTooLarge{431, errorBody("request head too large"), {}};
    Reply busy{503, errorBody("too many connections"), "1"};
};

// Keeps late answers from reaching a server that has stopped.
struct AnswerGate {
    std::mutex lock;
    bool open = true;
};

class Connection;

} // namespace

struct HttpServer::Impl {
    Impl(ReplySource& source, const ServerLimits& limits)
        : source(source), limits(limits), contexts(1), acceptor(contexts[0]),
          acceptPause(contexts[0]) {}

    void accept();
    void onAccept(error_code error, tcp::socket socket);
    void forget(Connection* connection, const std::string& address, bool refused);
    void stop(std::chrono::milliseconds grace);

    ReplySource& source;
    const ServerLimits limits;
    const CannedReplies canned;
    const std::shared_ptr<AnswerGate> gate = std::make_shared<AnswerGate>();

    // Every connection, whatever its state; guarded by `lock`. Declared before the event
    // loops: connections that die with a loop's pending handlers still find it.
    std::mutex lock;
    std::condition_variable drained;
    std::unordered_map<Connection*, std::weak_ptr<Connection>> connections;
    std::unordered_map<std::string, size_t> perAddress;
    size_t counted = 0;  // connections within the caps
    size_t refusing = 0; // connections being refused
    bool stopping = false;

    // One event loop a thread, as many as threads; each connection lives on one of them.
    // Declared before what uses them.
    std::deque<asio::io_context> contexts;
    size_t nextContext = 0;
    tcp::acceptor acceptor; // on the first loop
    asio::steady_timer acceptPause;
    std::vector<asio::executor_work_guard<asio::io_context::executor_type>> work;
    std::vector<std::thread> threads;
};

namespace {

// One client connection, on one event loop and so one thread: its handlers never overlap. It reads
// one request, has it answered, writes the reply, and only then reads the next, so pipelined
// requests are answered in order. A timer always runs while the connection is open: it
// holds the connection alive, and closes it when the deadline of its phase passes.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(HttpServer::Impl& server, tcp::socket socket, std::string address, bool refused)
        : m_server(server), m_socket(std::move(socket)), m_timer(m_socket.get_executor()),
          m_address(std::move(address)), m_refused(refused) {}
    ~Connection() { m_server.forget(this, m_address, m_refused); }

    tcp::socket::executor_type executor() { return m_socket.get_executor(); }

    void start() {
        if (m_phase == Phase::Closed) // stopped before it started
            return;
        m_deadline = Clock::now() + m_server.limits.headTimeout;
        armTimer();
        if (m_refused) {
            m_keepAlive = false;
            return send(m_server.canned.busy, false);
        }
        readHead();
    }

    // The server is stopping: a connection waiting for or reading a request closes now;
    // one with a reply on its way closes once the reply is written.
    void stop() {
        m_stopping = true;
        if (m_phase == Phase::Idle || m_phase == Phase::Head)
            closeNow();
    }

    // A late answer from the reply source, back on the connection's thread.
    void answered(Reply reply) {
        if (m_phase == Phase::Answer)
            send(reply, m_answerHead);
    }

private:
    enum class Phase { Idle, Head, Answer, Write, Draining, Closed };

    using Self = std::shared_ptr<Connection>;

    // The timer fires at the deadline it was set to; a deadline moved later only re-arms it
    // then, so a request costs no timer operation unless its deadline comes sooner.
    void setDeadline(Clock::time_point deadline) {
        m_deadline = deadline;
        if (deadline < m_timer.expiry() && m_timer.expires_at(deadline) > 0)
            armTimer();
    }
    void armTimer() {
        m_timer.expires_at(m_deadline);
        m_timer.async_wait([self = shared_from_this()](error_code error) {
            if (!error)
                self->onTimer();
        });
    }
    void onTimer() {
        if (m_phase == Phase::Closed)
            return;
        if (Clock::now() < m_deadline)
            return armTimer();
        closeNow();
    }

    void readHead() {
        m_phase = Phase::Head;
        m_parser.emplace();
        m_parser->header_limit(kHeadLimit);
        m_parser->body_limit(kBodyLimit);
        http::async_read_header(
            m_socket, m_buffer, *m_parser,
            [self = shared_from_this()](error_code error, size_t) { self->onHead(error); });
    }

    void onHead(error_code error) {
        if (m_phase != Phase::Head)
            return;
        if (error)
            return readFailed(error);
        const auto& request = m_parser->get();
        // A body framed two ways, or by a coding other than chunked, cannot be delimited
        // safely: whatever was read next could be another request smuggled inside it.
        if (request.count(http::field::transfer_encoding) &&
            (request.count(http::field::content_length) || !m_parser->chunked()))
            return refuse(m_server.canned.badRequest);
        if (m_parser->is_done())
            return dispatch();
        http::async_read(m_socket, m_buffer, *m_parser,
                         [self = shared_from_this()](error_code error, size_t) {
                             if (self->m_phase != Phase::Head)
                                 return;
                             if (error)
                                 return self->readFailed(error);
                             self->dispatch();
                         });
    }

    void readFailed(error_code error) {
        if (error == http::error::header_limit)
            return refuse(m_server.canned.headTooLarge);
        if (error == http::error::body_limit)
            return refuse(m_server.canned.bodyTooLarge);
        // The client went away, or the connection broke (or was closed by its deadline).
        if (error.category() != http::make_error_code(http::error::bad_value).category() ||
            error == http::error::end_of_stream || error == http::error::partial_message ||
            error == http::error::short_read)
            return closeNow();
        refuse(m_server.canned.badRequest); // a malformed request
    }

    // Answers a request that cannot be served, and closes the connection after it.
    void refuse(const Reply& reply) {
        m_keepAlive = false;
        send(reply, false);
    }

    void dispatch() {
        const auto& request = m_parser->get();
        m_keepAlive = request.keep_alive();
        m_http10 = request.version() < 11;
        const auto method = request.method_string();
        const auto target = request.target();
        const Route where = route({method.data(), method.size()}, {target.data(), target.size()});
        m_parser.reset();
        switch (where.kind) {
        case Route::NotFound:
            return send(m_server.canned.notFound, where.head);
        case Route::MethodNotAllowed:
            return send(m_server.canned.notAllowed, where.head);
        case Route::Status:
            if (auto status = m_server.source.status())
                return send(*status, where.head);
            return send(m_server.canned.notFound, where.head);
        case Route::Ticker:
            return askTicker(*where.currency, where.head);
        }
    }

    // Asks the reply source, which may answer during the call or later from any thread.
    void askTicker(const Currency& currency, bool head) {
        struct Waiting {
            std::mutex lock;
            bool asked = false; // the call has returned
            std::optional<Reply> early;
        };
        m_phase = Phase::Answer;
        m_answerHead = head;
        setDeadline(Clock::time_point::max());
        auto waiting = std::make_shared<Waiting>();
        m_server.source.ticker(
            currency, [waiting, gate = m_server.gate, weak = weak_from_this()](Reply reply) {
                {
                    std::lock_guard lock(waiting->lock);
                    if (!waiting->asked) {
                        waiting->early = std::move(reply);
                        return;
                    }
                }
                std::lock_guard lock(gate->lock);
                if (!gate->open)
                    return;
                if (Self self = weak.lock())
                    asio::post(self->executor(), [self, reply = std::move(reply)]() mutable {
                        self->answered(std::move(reply));
                    });
            });
        std::optional<Reply> early;
        {
            std::lock_guard lock(waiting->lock);
            waiting->asked = true;
            early = std::move(waiting->early);
        }
        if (early)
            send(*early, head);
    }

    void send(const Reply& reply, bool head) {
        const auto status = static_cast<unsigned>(reply.status);
        const auto reason = http::obsolete_reason(http::int_to_status(status));
        const size_t length = reply.body ? reply.body->size() : 0;
        if (m_stopping)
            m_keepAlive = false;

        m_head.clear();
        m_head.append("HTTP/1.1 ")
            .append(std::to_string(status))
            .append(" ")
            .append(reason.data(), reason.size());
        m_head.append("\r\nContent-Type: application/json\r\nContent-Length: ");
        m_head.append(std::to_string(length)).append("\r\n").append(dateHeader());
        if (reply.status == 405)
            m_head.append("Allow: GET, HEAD\r\n");
        if (!reply.retryAfter.empty())
            m_head.append("Retry-After: ").append(reply.retryAfter).append("\r\n");
        if (!m_keepAlive)
            m_head.append("Connection: close\r\n");
        else if (m_http10)
            m_head.append("Connection: keep-alive\r\n");
        m_head.append("\r\n");
        m_body = head ? nullptr : reply.body;

        m_phase = Phase::Write;
        setDeadline(Clock::now() + m_server.limits.idleTimeout);
        const std::array<asio::const_buffer, 2> buffers{
            asio::buffer(m_head), m_body ? asio::buffer(*m_body) : asio::const_buffer()};
        asio::async_write(m_socket, buffers, [self = shared_from_this()](error_code error, size_t) {
            self->onWritten(error);
        });
    }

    void onWritten(error_code error) {
        if (m_phase != Phase::Write)
            return;
        m_body.reset();
        if (error)
            return closeNow();
        if (!m_keepAlive || m_stopping)
            return drainAndClose();
        if (m_buffer.size() > 0) {
            // The next request came with this one: pipelined.
            setDeadline(Clock::now() + m_server.limits.headTimeout);
            return readHead();
        }
        waitForRequest();
    }

    // Between requests the connection holds no buffer: it waits until bytes can be read.
    void waitForRequest() {
        m_phase = Phase::Idle;
        m_buffer.shrink_to_fit();
        setDeadline(Clock::now() + m_server.limits.idleTimeout);
        m_socket.async_wait(tcp::socket::wait_read, [self = shared_from_this()](error_code error) {
            if (self->m_phase != Phase::Idle)
                return;
            if (error)
                return self->closeNow();
            self->setDeadline(Clock::now() + self->m_server.limits.headTimeout);
            self->readHead();
        });
    }

    // Sends end of stream, then reads and drops what the client still sends until it
    // closes too, for a short while, so the last reply arrives whole.
    void drainAndClose() {
        m_phase = Phase::Draining;
        error_code ignored;
        m_socket.shutdown(tcp::socket::shutdown_send, ignored);
        setDeadline(Clock::now() + kDrainTime);
        drain();
    }
    void drain() {
        m_buffer.clear();
        m_socket.async_read_some(m_buffer.prepare(4096),
                                 [self = shared_from_this()](error_code error, size_t) {
                                     if (self->m_phase != Phase::Draining)
                                         return;
                                     if (error)
                                         return self->closeNow();
                                     self->drain();
                                 });
    }

    void closeNow() {
        if (m_phase == Phase::Closed)
            return;
        m_phase = Phase::Closed;
        error_code ignored;
        m_socket.close(ignored);
        m_timer.cancel();
        m_parser.reset();
        m_body.reset();
    }

    HttpServer::Impl& m_server;
    tcp::socket m_socket;
    asio::steady_timer m_timer;
    Clock::time_point m_deadline;
    boost::beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    std::string m_head;                        // the head of the reply being written
    std::shared_ptr<const std::string> m_body; // the body being written
    Phase m_phase = Phase::Head;
    bool m_keepAlive = true;
    bool m_http10 = false;
    bool m_answerHead = false;
    bool m_stopping = false;
    const std::string m_address;
    const bool m_refused;
};

bool outOfDescriptors(const error_code& error) {
    return error == asio::error::no_descriptors || error == asio::error::no_buffer_space ||
           error == asio::error::no_memory ||
           error == error_code(ENFILE, boost::system::system_category());
}

} // namespace

void HttpServer::Impl::accept() {
    asio::io_context& context = contexts[nextContext++ % contexts.size()];
    acceptor.async_accept(context, [this](error_code error, tcp::socket socket) {
        onAccept(error, std::move(socket));
    });
}

void HttpServer::Impl::onAccept(error_code error, tcp::socket socket) {
    if (!acceptor.is_open())
        return;
    if (error) {
        if (!outOfDescriptors(error))
            return accept();
        acceptPause.expires_after(kAcceptPause);
        acceptPause.async_wait([this](error_code) {
            asio::post(acceptor.get_executor(), [this] {
                if (acceptor.is_open())
                    accept();
            });
        });
        return;
    }
    error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    const std::string address = socket.remote_endpoint(ignored).address().to_string();

    std::shared_ptr<Connection> connection;
    {
        std::lock_guard guard(lock);
        if (stopping)
            return;
        size_t& fromAddress = perAddress[address];
        const bool refused =
            counted >= limits.maxConnections || fromAddress >= limits.maxPerAddress;
        if (refused && refusing >= kRefusalsAtOnce) {
            if (fromAddress == 0)
                perAddress.erase(address);
            socket.close(ignored);
            return accept();
        }
        if (refused) {
            ++refusing;
            if (fromAddress == 0)
                perAddress.erase(address);
        } else {
            ++counted;
            ++fromAddress;
        }
        connection = std::make_shared<Connection>(*this, std::move(socket), address, refused);
        connections.emplace(connection.get(), connection);
    }
    asio::dispatch(connection->executor(), [connection] { connection->start(); });
    accept();
}

void HttpServer::Impl::forget(Connection* connection, const std::string& address, bool refused) {
    std::lock_guard guard(lock);
    connections.erase(connection);
    if (refused) {
        --refusing;
    } else {
        --counted;
        if (const auto it = perAddress.find(address); it != perAddress.end() && --it->second == 0)
            perAddress.erase(it);
    }
    if (connections.empty())
        drained.notify_all();
}

void HttpServer::Impl::stop(std::chrono::milliseconds grace) {
    const auto deadline = Clock::now() + grace;
    asio::post(acceptor.get_executor(), [this] {
        error_code ignored;
        acceptor.close(ignored);
        acceptPause.cancel();
    });
    std::vector<std::shared_ptr<Connection>> open;
    {
        std::lock_guard guard(lock);
        stopping = true;
        for (const auto& [_, weak] : connections) {
            if (auto connection = weak.lock())
                open.push_back(std::move(connection));
        }
    }
    for (auto& connection : open)
        asio::post(connection->executor(), [connection] { connection->stop(); });
    open.clear();
    {
        std::unique_lock guard(lock);
        drained.wait_until(guard, deadline, [this] { return connections.empty(); });
    }
    {
        std::lock_guard guard(gate->lock);
        gate->open = false;
    }
    work.clear();
    for (asio::io_context& context : contexts)
        context.stop();
    for (std::thread& thread : threads)
        thread.join();
    threads.clear();
}

HttpServer::HttpServer(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

HttpServer::~HttpServer() {
    if (!m_impl->threads.empty())
        stop(std::chrono::milliseconds(0));
}

std::unique_ptr<HttpServer> HttpServer::listen(const std::string& address, uint16_t port,
                                               ReplySource& source, const ServerLimits& limits,
                                               std::string& error) {
    auto impl = std::make_unique<Impl>(source, limits);
    error_code failure;
    tcp::endpoint endpoint(asio::ip::make_address(address, failure), port);
    if (failure) {
        tcp::resolver resolver(impl->contexts[0]);
        const auto found =
            resolver.resolve(address, std::to_string(port), tcp::resolver::passive, failure);
        if (!failure && !found.empty())
            endpoint = found.begin()->endpoint();
    }
    tcp::acceptor& acceptor = impl->acceptor;
    if (!failure)
        acceptor.open(endpoint.protocol(), failure);
    if (!failure)
        acceptor.set_option(tcp::acceptor::reuse_address(true), failure);
    if (!failure)
        acceptor.bind(endpoint, failure);
    if (!failure)
        acceptor.listen(asio::socket_base::max_listen_connections, failure);
    if (failure) {
        error = failure.message();
        return nullptr;
    }
    return std::unique_ptr<HttpServer>(new HttpServer(std::move(impl)));
}

uint16_t HttpServer::port() const {
    error_code ignored;
    return m_impl->acceptor.local_endpoint(ignored).port();
}

void HttpServer::start(unsigned threads) {
    Impl& impl = *m_impl;
    while (impl.contexts.size() < std::max(threads, 1u))
        impl.contexts.emplace_back();
    for (asio::io_context& context : impl.contexts)
        impl.work.emplace_back(context.get_executor());
    asio::post(impl.acceptor.get_executor(), [&impl] { impl.accept(); });
    for (asio::io_context& context : impl.contexts)
        impl.threads.emplace_back([&context] { context.run(); });
}

void HttpServer::stop(std::chrono::milliseconds grace) {
    m_impl->stop(grace);
}

} // namespace ticker
