#include "CurlFetcher.h"

#include <curl/curl.h>

#include <memory>
#include <vector>

namespace ticker {

namespace {

struct Transfer {
    CURL* easy = nullptr;
    Fetcher::Done done;
    std::string body;
    bool tooLong = false;
    char error[CURL_ERROR_SIZE] = {};
};

size_t collect(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->body.size() + bytes > CurlFetcher::kMaxBody) {
        transfer->tooLong = true;
        return 0; // ends the transfer with an error
    }
    transfer->body.append(data, bytes);
    return bytes;
}

CURLM* multiOf(void* multi) {
    return static_cast<CURLM*>(multi);
}

} // namespace

CurlFetcher::CurlFetcher(std::string userAgent) : m_userAgent(std::move(userAgent)) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_multi = curl_multi_init();
    m_thread = std::thread([this] { run(); });
}

CurlFetcher::~CurlFetcher() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    curl_multi_wakeup(multiOf(m_multi));
    m_thread.join();
    curl_multi_cleanup(multiOf(m_multi));
}

void CurlFetcher::get(const std::string& url, Done done) {
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back({url, std::move(done)});
    }
    curl_multi_wakeup(multiOf(m_multi));
}

void CurlFetcher::run() {
    CURLM* multi = multiOf(m_multi);
    std::vector<std::unique_ptr<Transfer>> running;
    for (;;) {
        std::deque<Queued> queued;
        {
            std::lock_guard lock(m_lock);
            if (m_stopping)
                break;
            queued.swap(m_queue);
        }
        for (Queued& item : queued) {
            auto transfer = std::make_unique<Transfer>();
            transfer->done = std::move(item.done);
            CURL* easy = transfer->easy = curl_easy_init();
            curl_easy_setopt(easy, CURLOPT_URL, item.url.c_str());
            curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
            curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
            curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
            curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, kTotalTimeoutMs);
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(easy, CURLOPT_USERAGENT, m_userAgent.c_str());
            curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect);
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
            curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->error);
            curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
            curl_multi_add_handle(multi, easy);
            running.push_back(std::move(transfer));
        }

        int stillRunning = 0;
        curl_multi_perform(multi, &stillRunning);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL* easy = message->easy_handle;
            Transfer* transfer = nullptr;
            curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
            FetchResult result;
            if (message->data.result == CURLE_OK) {
                curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
                result.body = std::move(transfer->body);
                curl_header* header = nullptr;
                if (curl_easy_header(easy, "Retry-After", 0, CURLH_HEADER, -1, &header) ==
                    CURLHE_OK)
                    result.retryAfter = header->value;
            } else if (transfer->tooLong) {
                result.error = "the reply is longer than " + std::to_string(kMaxBody) + " bytes";
            } else {
                result.error =
                    transfer->error[0] ? transfer->error : curl_easy_strerror(message->data.result);
            }
            curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
            Fetcher::Done done = std::move(transfer->done);
            std::erase_if(running, [transfer](const auto& t) { return t.get() == transfer; });
            done(std::move(result));
        }
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    for (const auto& transfer : running) {
        curl_multi_remove_handle(multi, transfer->easy);
        curl_easy_cleanup(transfer->easy);
    }
}

} // namespace ticker
