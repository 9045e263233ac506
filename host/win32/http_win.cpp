#include "host/win32/win32_host.h"

#include <wininet.h>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "host/encoding.h"
#include "host/win32/host_rules.h"

namespace qv {
namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr DWORD kTimeoutMilliseconds = 30000;

struct InternetHandle {
    HINTERNET handle;
    explicit InternetHandle(HINTERNET h) : handle(h) {}
    ~InternetHandle() {
        if (handle) InternetCloseHandle(handle);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
};

struct Address {
    INTERNET_SCHEME scheme;
    std::string host;
    INTERNET_PORT port;
    std::string user;
    std::string password;
    std::string path;  // with its query, without a fragment
};

std::optional<Address> crack(const Text& address) {
    // Canonicalising can lengthen the address; ask again with the size it says.
    std::string canonical(static_cast<size_t>(address.size()) * 3 + 64, '\0');
    DWORD length = static_cast<DWORD>(canonical.size());
    if (!InternetCanonicalizeUrlA(address.c_str(), canonical.data(), &length, ICU_NO_ENCODE)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        canonical.assign(length + 1, '\0');
        length = static_cast<DWORD>(canonical.size());
        if (!InternetCanonicalizeUrlA(address.c_str(), canonical.data(), &length, ICU_NO_ENCODE)) return std::nullopt;
    }
    canonical.resize(length);

    const size_t room = canonical.size() + 1;
    std::string host(room, '\0'), user(room, '\0'), password(room, '\0'), path(room, '\0'), extra(room, '\0');
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(room);
    parts.lpszUserName = user.data();
    parts.dwUserNameLength = static_cast<DWORD>(room);
    parts.lpszPassword = password.data();
    parts.dwPasswordLength = static_cast<DWORD>(room);
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(room);
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(room);
    if (!InternetCrackUrlA(canonical.c_str(), static_cast<DWORD>(canonical.size()), 0, &parts)) return std::nullopt;

    Address result;
    result.scheme = parts.nScheme;
    result.host.assign(host.c_str());
    result.port = parts.nPort;
    result.user.assign(user.c_str());
    result.password.assign(password.c_str());
    // The extra part holds the query and the fragment together.
    const Text full_path = win32_rules::without_fragment(concat_text({path.c_str(), extra.c_str()}));
    result.path = full_path.empty() ? std::string(1, '/') : full_path.str();
    return result;
}

// Wine's WinINet waits forever on a server that accepts and never answers;
// a bound keeps the tool from hanging on one. Wine reads the send and
// receive bounds from the connection handle, Windows from the Internet one.
void set_time_outs(HINTERNET handle) {
    for (const DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD milliseconds = kTimeoutMilliseconds;
        InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
    }
}

std::optional<Text> content_length(HINTERNET request) {
    char value[64] = {};
    DWORD size = sizeof value - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, value, &size, nullptr)) return std::nullopt;
    return Text(std::string_view(value, size));
}

int status_code(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
    return static_cast<int>(status);
}

// The Content-Length as a byte count; 0 when missing or not a number.
long long announced_bytes(const std::optional<Text>& announced_length) {
    return announced_length ? std::max(0LL, std::atoll(announced_length->c_str())) : 0;
}

std::string read_body(HINTERNET request, const std::optional<Text>& announced_length) {
    const DWORD chunk = win32_rules::read_chunk_size(announced_length);
    std::string body;
    // A body of announced size fits at once, with room for the last, empty read.
    const long long announced = announced_bytes(announced_length);
    if (announced > 0 && announced < 0x7FFFFFFF) body.resize(static_cast<size_t>(announced) + chunk);
    size_t filled = 0;
    for (;;) {
        if (body.size() < filled + chunk) body.resize(win32_rules::grown_capacity(body.size(), filled + chunk));
        DWORD read = 0;
        if (!InternetReadFile(request, body.data() + filled, chunk, &read) || read == 0) break;
        filled += read;
    }
    body.resize(filled);
    return body;
}

}  // namespace

HttpResponse Win32Host::http_get(const Text& address) {
    if (address.empty()) return {};
    const std::optional<Address> parts = crack(address);
    if (!parts) return {};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    if (parts->scheme == INTERNET_SCHEME_HTTPS) {
        flags |= INTERNET_FLAG_SECURE;
    } else if (parts->scheme != INTERNET_SCHEME_HTTP) {
        return {};
    }
    // No INTERNET_FLAG_IGNORE_CERT_CN_INVALID / _DATE_INVALID and no
    // SECURITY_FLAG_IGNORE_*: the region lists and the voice server address
    // decide where the game connects, so a certificate the system does not
    // trust must fail the download instead of being accepted silently.
    if (!internet_) {
        internet_ = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (!internet_) return {};
        set_time_outs(static_cast<HINTERNET>(internet_));
    }
    InternetHandle connection(InternetConnectA(static_cast<HINTERNET>(internet_), parts->host.c_str(), parts->port,
                                               parts->user.empty() ? nullptr : parts->user.c_str(),
                                               parts->password.empty() ? nullptr : parts->password.c_str(),
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.handle) return {};
    set_time_outs(connection.handle);
    const char* accept_types[] = {"Accept: */* \r\n", nullptr};
    InternetHandle request(HttpOpenRequestA(connection.handle, "GET", parts->path.c_str(), "HTTP/1.0", nullptr,
                                            accept_types, flags, 0));
    if (!request.handle) return {};
    static constexpr char kExtraHeaders[] = "Accept: */*\r\n\r\n";
    if (!HttpSendRequestA(request.handle, kExtraHeaders, static_cast<DWORD>(sizeof kExtraHeaders - 1), nullptr, 0)) {
        return {};
    }
    HttpResponse response;
    response.status = status_code(request.handle);
    const std::optional<Text> announced = content_length(request.handle);
    response.body = ByteBuffer(read_body(request.handle, announced));
    // A connection lost mid-body ends the reads as if the body were whole.
    response.complete = response.body.size() >= announced_bytes(announced);
    return response;
}

ByteBuffer Win32Host::convert_encoding(const ByteBuffer& bytes, const Text& from_set, const Text& to_set) {
    return iconv_convert(bytes, from_set, to_set);
}

void Win32Host::release_resources() {
    if (internet_) {
        InternetCloseHandle(static_cast<HINTERNET>(internet_));
        internet_ = nullptr;
    }
    if (main_window_ && IsWindow(main_window_)) DestroyWindow(main_window_);
    main_window_ = nullptr;
}

}  // namespace qv
