#include <gtest/gtest.h>

#include "host/win32/win32_host.h"
#include "tests/support/case_name.h"
#include "tests/win32/support.h"

namespace qv {
namespace {

using win32_testing::site_port;

std::string generated(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + 7) % 256);
    return bytes;
}

class Http : public ::testing::Test {
protected:
    void SetUp() override {
        if (site_port("HTTP") == 0) FAIL() << "no site server: run these tests through ctest (tests/win32/run-win32-tests)";
    }
    static std::string http(const std::string& path) { return "http://localhost:" + std::to_string(site_port("HTTP")) + path; }
    static std::string https(const std::string& path) {
        return "https://localhost:" + std::to_string(site_port("HTTPS")) + path;
    }
    // Control requests are not recorded by the server. Each test asks for
    // paths of its own, so the server's record tells the tests apart.
    static std::string control(const std::string& what) { return http("/__control/" + what); }
    HttpResponse http_get(const std::string& address) { return host.http_get(Text(address)); }
    // What the server received for a path, heads as sent, in order.
    std::string heads_for(const std::string& path) {
        return http_get(control("requests?format=raw&path=" + path)).body.str();
    }

    Win32Host host;
};

struct BodyCase {
    const char* name;
    bool secure;
    const char* path;
    int status;
    std::string body;
};

class HttpBodies : public Http, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(HttpBodies, BodyWhateverTheStatus) {
    const BodyCase& c = GetParam();
    const HttpResponse response = http_get(c.secure ? https(c.path) : http(c.path));
    EXPECT_EQ(response.status, c.status);
    EXPECT_EQ(response.body.size(), static_cast<int>(c.body.size()));
    EXPECT_TRUE(response.body.str() == c.body) << "the body differs";
    EXPECT_TRUE(response.complete);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpBodies,
    ::testing::Values(
        BodyCase{"plain", false, "/ok", 200, "plain body"}, BodyCase{"secure", true, "/ok", 200, "plain body"},
        BodyCase{"not_found_page", false, "/missing-page", 404, "<html><body>no such region list</body></html>"},
        BodyCase{"secure_not_found_page", true, "/missing-page", 404,
                 "<html><body>no such region list</body></html>"},
        BodyCase{"server_error_without_length", false, "/server-error", 500, "it broke"},
        BodyCase{"empty_body", false, "/empty", 200, ""},
        BodyCase{"delayed", false, "/slow", 200, "late but whole"},
        BodyCase{"five_mebibytes_with_length", false, "/big-sized", 200, generated(5242880)},
        BodyCase{"five_mebibytes_without_length", false, "/big-unsized", 200, generated(5242880)},
        BodyCase{"five_mebibytes_chunked", false, "/big-chunked", 200, generated(5242880)},
        BodyCase{"five_mebibytes_secure", true, "/big-sized", 200, generated(5242880)}),
    qv::testing::CaseName());

TEST_F(Http, FailuresGiveNothing) {
    const std::string unresolvable = "http://" + std::string(64, 'a') + ".test/";  // a label too long to resolve
    const std::string rows[] = {
        "",
        unresolvable,
        "http://localhost:" + std::to_string(win32_testing::closed_port()) + "/unreached",
        "https://localhost:" + std::to_string(site_port("UNTRUSTED")) + "/unreached",
        // The trusted certificate names localhost, not the address.
        "https://127.0.0.1:" + std::to_string(site_port("HTTPS")) + "/unreached",
        "ftp://localhost:" + std::to_string(site_port("HTTP")) + "/unreached",
        "not an address",
    };
    for (const std::string& address : rows) {
        const HttpResponse response = http_get(address);
        EXPECT_TRUE(response.body.empty()) << address;
        EXPECT_EQ(response.status, 0) << address;
    }
    // The TLS servers were reached, but no request went past the handshake.
    EXPECT_EQ(heads_for("/unreached"), "");
}

TEST_F(Http, RequestShapeOnTheWire) {
    ASSERT_EQ(http_get(http("/seen/shape?x=1")).body.str(), "shape");
    const std::string head = heads_for("/seen/shape");
    ASSERT_FALSE(head.empty());
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /seen/shape?x=1 HTTP/1.0");
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"), std::string::npos)
        << head;
    EXPECT_NE(head.find("\r\nHost: localhost:" + std::to_string(site_port("HTTP")) + "\r\n"), std::string::npos) << head;
    // Exactly one request, asking for any type.
    EXPECT_EQ(head.find("\r\n\r\n"), head.size() - 4) << head;
    const size_t accept = head.find("\r\nAccept: ");
    ASSERT_NE(accept, std::string::npos) << head;
    EXPECT_NE(head.substr(accept, head.find("\r\n", accept + 2) - accept).find("*/*"), std::string::npos) << head;
    // Past every cache: no conditional request.
    EXPECT_EQ(head.find("If-Modified-Since"), std::string::npos) << head;
}

TEST_F(Http, TheFragmentIsNeverSent) {
    ASSERT_EQ(http_get(http("/seen/fragment?q=1#part")).body.str(), "fragment");
    ASSERT_EQ(http_get(https("/seen/fragment#top")).body.str(), "fragment");
    const std::string heads = heads_for("/seen/fragment");
    EXPECT_EQ(heads.find('#'), std::string::npos) << heads;
    EXPECT_NE(heads.find("GET /seen/fragment?q=1 HTTP/1.0\r\n"), std::string::npos) << heads;
    EXPECT_NE(heads.find("GET /seen/fragment HTTP/1.0\r\n"), std::string::npos) << heads;
}

TEST_F(Http, EveryCallGoesToTheServerAgain) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(http_get(http("/seen/again")).body.str(), "again");
    const std::string heads = heads_for("/seen/again");
    size_t count = 0;
    for (size_t at = heads.find("GET "); at != std::string::npos; at = heads.find("GET ", at + 1)) ++count;
    EXPECT_EQ(count, 3u);
}

TEST_F(Http, ABodyCutShortIsMarkedIncomplete) {
    const HttpResponse response = http_get(http("/cut-short"));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body.str(), "0123456789");  // what came is still handed over
    EXPECT_FALSE(response.complete);
    EXPECT_FALSE(response.succeeded());
}

// Costs the time-out's 30 seconds: a server that accepts and never answers
// must end in the empty result, not hang the tool.
TEST_F(Http, AServerThatNeverAnswersTimesOut) {
    const HttpResponse response = http_get(http("/never-answers"));
    EXPECT_EQ(response.status, 0);
    EXPECT_TRUE(response.body.empty());
}

}  // namespace
}  // namespace qv
