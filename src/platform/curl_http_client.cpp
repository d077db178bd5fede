#include "platform/curl_http_client.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "platform/error.hpp"

namespace zov::platform {
namespace {

constexpr const char* kSource = "CurlHttpClient.get";

[[noreturn]] void fail(std::int32_t number, const std::string& text, const std::string& detail) {
    throw Error(number, detail.empty() ? text : text + " (" + detail + ")", kSource);
}

// Our own failure texts, with libcurl's message kept in parentheses.
[[noreturn]] void failWith(CURLcode code, const std::string& detail) {
    switch (code) {
        case CURLE_UNSUPPORTED_PROTOCOL:
            fail(kHttpUnrecognizedScheme, "The URL does not use a recognized protocol.", detail);
        case CURLE_URL_MALFORMAT:
            fail(kHttpInvalidUrl, "The URL is invalid.", detail);
        case CURLE_COULDNT_RESOLVE_HOST:
            fail(kHttpNameNotResolved, "The server name or address could not be resolved.", detail);
        case CURLE_COULDNT_CONNECT:
            fail(kHttpCannotConnect, "A connection with the server could not be established.",
                 detail);
        case CURLE_OPERATION_TIMEDOUT:
            fail(kHttpTimeout, "The operation timed out.", detail);
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
            fail(kHttpConnectionError, "The connection with the server was terminated abnormally.",
                 detail);
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_BAD_CONTENT_ENCODING:
            fail(kHttpInvalidResponse, "The server returned an invalid or unrecognized response.",
                 detail);
        default:
            fail(kHttpInternalError, "An internal error occurred in the HTTP client.", detail);
    }
}

void initializeOnce() {
    // curl_global_init is not safe to run twice at once; a function-local static is.
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK) {
        failWith(result, curl_easy_strerror(result));
    }
}

// A URL goes to the wire as it stands, so a control byte or a space (which could start a
// header line of its own) is refused before anything is sent.
void checkUrl(const std::string& url) {
    if (url.empty()) {
        fail(kHttpInvalidUrl, "The URL is invalid.", "empty URL");
    }
    const bool unsafe = std::any_of(url.begin(), url.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
    });
    if (unsafe) {
        fail(kHttpInvalidUrl, "The URL is invalid.", "control character or space in the URL");
    }
}

struct Body {
    std::string bytes;
    std::size_t limit = 0;
    bool overflow = false;
};

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto* body = static_cast<Body*>(context);
    const std::size_t length = size * count;
    if (length > body->limit - body->bytes.size()) {
        body->overflow = true;
        return 0;  // makes libcurl stop with CURLE_WRITE_ERROR
    }
    body->bytes.append(data, length);
    return length;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

HttpResponse CurlHttpClient::get(const std::string& url, const HttpLimits& limits) {
    checkUrl(url);
    initializeOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        fail(kHttpInternalError, "An internal error occurred in the HTTP client.",
             "curl_easy_init failed");
    }
    CURL* handle = easy.get();
    char message[CURL_ERROR_SIZE] = {};
    Body body;
    body.limit = limits.maxBodyBytes;

    // A zero time-out means "none" to libcurl; the bounds here are never lifted.
    const long connectMs = static_cast<long>(std::max<std::int64_t>(1, limits.connectTimeoutMs));
    const long totalMs = static_cast<long>(std::max<std::int64_t>(1, limits.totalTimeoutMs));

    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    // Straight to the server, whatever proxy the environment names.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, totalMs);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);

    const CURLcode result = curl_easy_perform(handle);
    if (body.overflow) {
        fail(kHttpInvalidResponse, "The server returned an invalid or unrecognized response.",
             "answer longer than " + std::to_string(limits.maxBodyBytes) + " bytes");
    }
    if (result != CURLE_OK) {
        failWith(result, message[0] != '\0' ? message : curl_easy_strerror(result));
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return HttpResponse{static_cast<int>(status), std::move(body.bytes)};
}

}  // namespace zov::platform
