#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tools/boardsim/board_config.h"
#include "tools/boardsim/control.h"
#include "tools/boardsim/frames.h"
#include "tools/boardsim/http_check.h"

using namespace boardsim;

namespace {

std::vector<uint8_t> Frame(std::initializer_list<uint8_t> tail) {
  // Sized up front: growing a 5-byte vector trips a false -Warray-bounds in GCC 12.
  std::vector<uint8_t> f(5 + tail.size());
  const char magic[] = "KAVRO";
  std::copy(magic, magic + 5, f.begin());
  std::copy(tail.begin(), tail.end(), f.begin() + 5);
  return f;
}

const std::vector<std::vector<uint8_t>> kAllRequests = {
    Frame({0x50, 0, 0, 0, 0, 0, 0, 0, 0}), Frame({0x50, 3, 0, 0, 1, 0, 0, 0, 0}),
    Frame({0x51, 0, 0, 0, 0, 0, 0, 0, 0}), Frame({0x51, 3, 0, 0, 1, 0, 0, 0, 0}),
    Frame({0x51, 3, 0, 0, 3, 0, 0, 0, 0}), Frame({0x51, 3, 0, 0, 0x10, 0, 0, 0, 0}),
};

Board MakeBoard(const std::string& desc) {
  Board b;
  std::string err;
  EXPECT_TRUE(ParseBoard(desc, b, err)) << err;
  return b;
}

unsigned Be16(const std::vector<uint8_t>& r, size_t off) { return r[off] << 8 | r[off + 1]; }

}  // namespace

TEST(Requests, OnlyTheExactFramesAreRecognised) {
  for (size_t i = 0; i < kAllRequests.size(); ++i)
    EXPECT_EQ(ClassifyRequest(kAllRequests[i].data(), 14), static_cast<Request>(i));

  // Every single-byte change either gives another known request or nothing.
  for (const auto& f : kAllRequests) {
    for (size_t pos = 0; pos < 14; ++pos) {
      for (int v = 0; v < 256; ++v) {
        auto g = f;
        g[pos] = static_cast<uint8_t>(v);
        Request r = ClassifyRequest(g.data(), g.size());
        if (r != Request::Count) {
          EXPECT_EQ(g, kAllRequests[static_cast<size_t>(r)]) << pos << " " << v;
        }
      }
    }
    auto longer = f;
    longer.push_back(0);
    EXPECT_EQ(ClassifyRequest(longer.data(), longer.size()), Request::Count);
    EXPECT_EQ(ClassifyRequest(f.data(), 13), Request::Count);
  }
  EXPECT_EQ(ClassifyRequest(nullptr, 14), Request::Count);
}

TEST(Replies, ByteShapingFaults) {
  auto t = BuildReply(MakeBoard("ip=10.0.0.5,fault=truncated"), Request::Basic);
  EXPECT_EQ(t.size(), 14u + 30);
  EXPECT_EQ(Be16(t, 12), 54u);

  auto tr = BuildReply(MakeBoard("ip=10.0.0.5,fault=trailing,trail=3"), Request::Basic);
  EXPECT_EQ(tr.size(), 14u + 54 + 3);
  EXPECT_EQ(Be16(tr, 12), 54u);

  auto l = BuildReply(MakeBoard("ip=10.0.0.5,fault=lenminus1"), Request::Basic);
  EXPECT_EQ(l.size(), 14u + 54);
  EXPECT_EQ(Be16(l, 12), 53u);

  auto big = BuildReply(MakeBoard("ip=10.0.0.5,size=513"), Request::Basic);
  EXPECT_EQ(big.size(), 513u);
  EXPECT_EQ(Be16(big, 12), 499u);
  EXPECT_EQ(big[14 + 38], 0x05);  // fields survive padding
}

TEST(Settings, VersionTextIsHex) {
  uint8_t a = 0, b = 0;
  ASSERT_TRUE(ParseVersion("A.05", a, b));
  EXPECT_EQ(a, 0x0A);
  EXPECT_EQ(b, 0x05);
  ASSERT_TRUE(ParseVersion("5.12", a, b));
  EXPECT_EQ(b, 0x12);
  EXPECT_EQ(VersionText(0x04, 0x00), "4.00");
  for (const char* bad : {"", ".", "5.", "5.123", "100.00", "g.00", "5.1x", "-1.00"})
    EXPECT_FALSE(ParseVersion(bad, a, b)) << bad;
}

TEST(Settings, BoardDescriptions) {
  Board b = MakeBoard("ip=10.213.0.11");
  EXPECT_EQ(MacText(b.mac), "02:00:0A:D5:00:0B");  // derived from the address, so boards differ
  EXPECT_EQ(b.serial, "SN0AD5000B");

  std::string err;
  for (const char* bad :
       {"mac=02:00:00:00:00:01", "ip=10.0.0.256", "ip=10.0.0.1,colour=red",
        "ip=10.0.0.1,status=256", "ip=10.0.0.1,status=0x", "ip=10.0.0.1,fault=sometimes",
        "ip=10.0.0.1,size=13", "ip=10.0.0.1,model=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789",
        "ip=10.0.0.1,form=old", "ip=10.0.0.1,ready=yes", "ip=10.0.0.1,noequals"})
    EXPECT_FALSE(ParseBoard(bad, b, err)) << bad;

  // A bad setting at run time leaves the board as it was.
  Board c = MakeBoard("ip=10.0.0.1,version=5.00");
  EXPECT_FALSE(ApplySettings(c, "version=6.00,kind=999", 0, false, err));
  EXPECT_EQ(c.versionMajor, 5);
  EXPECT_FALSE(ApplySettings(c, "ip=10.0.0.2", 0, false, err));
}

// Reply bytes, duplicates, delays and the other faults are checked over the
// network by tests/integration/boardsim_selftest.sh; only the clock-driven part is here.
TEST(Plan, DownBoardComesBack) {
  std::vector<Board> boards = {MakeBoard("ip=10.0.0.4,down=100")};
  EXPECT_STREQ(PlanReplies(boards, Request::Search, 0xFFFFFFFF, true, 99)[0].dropReason, "down");
  auto later = PlanReplies(boards, Request::Search, 0xFFFFFFFF, true, 100);
  EXPECT_EQ(later[0].dropReason, nullptr);
  EXPECT_FALSE(later[0].bytes.empty());
}

TEST(Control, SelectorsAndErrors) {
  std::vector<Board> boards = {MakeBoard("ip=10.0.0.1"),
                               MakeBoard("ip=10.0.0.2,mac=02:00:00:00:00:22"),
                               MakeBoard("ip=10.0.0.2")};
  std::vector<std::string> lines;
  auto log = [&lines](const std::string& s) { lines.push_back(s); };
  int errors = ApplyControlText(
      "# comment\n\n1 ready=0\n02:00:00:00:00:22 version=6.01\n10.0.0.2 fault=nostatus\n"
      "* delay=5\n10.0.0.9 ready=0\n2 ip=10.0.0.7\n3 bogus\n",
      boards, 0, log);
  EXPECT_EQ(errors, 3);
  EXPECT_EQ(boards[0].status, 0x10);
  EXPECT_EQ(boards[1].versionMajor, 6);
  EXPECT_EQ(boards[2].versionMajor, 5);
  EXPECT_TRUE(boards[1].faults.ignoreMask && boards[2].faults.ignoreMask);
  EXPECT_FALSE(boards[0].faults.ignoreMask);
  EXPECT_EQ(boards[2].delayMs, 5u);
  EXPECT_EQ(boards[1].ip, 0x0A000002u);

  ToggleReadiness(boards, log);
  EXPECT_EQ(boards[0].status, 0x00);
  EXPECT_EQ(boards[1].status, 0x10);
}

TEST(Settings, UploadKeys) {
  Board b = MakeBoard("ip=10.0.0.1");
  EXPECT_EQ(b.http, HttpMode::Ok);
  EXPECT_EQ(b.restartMs, 20000);
  EXPECT_FALSE(b.newVersion);

  b = MakeBoard(
      "ip=10.0.0.1,http=reset,resetat=4096,restart=never,newversion=0.00,"
      "field=srom1,filename=l04.bin,rate=2000000");
  EXPECT_EQ(b.http, HttpMode::Reset);
  EXPECT_EQ(b.resetAt, 4096u);
  EXPECT_EQ(b.restartMs, kNever);
  ASSERT_TRUE(b.newVersion);
  EXPECT_EQ((*b.newVersion)[0] | (*b.newVersion)[1], 0);  // "0.00" must be possible
  EXPECT_EQ(HttpText(b),
            "reset resetat=4096 rate=2000000 restart=never newversion=0.00 field=\"srom1\" "
            "filename=\"l04.bin\"");

  // Every answer mode's name reads back as itself.
  for (const char* mode : {"ok", "500", "refuse", "reset", "noanswer", "slowbody", "cutshort",
                           "nocode", "continue", "302", "401"}) {
    b = MakeBoard(std::string("ip=10.0.0.1,http=") + mode);
    EXPECT_STREQ(HttpModeName(b.http), mode);
  }

  std::string err;
  for (const char* bad :
       {"ip=10.0.0.1,http=404", "ip=10.0.0.1,restart=-1", "ip=10.0.0.1,restart=forever",
        "ip=10.0.0.1,newversion=5.123", "ip=10.0.0.1,field=", "ip=10.0.0.1,resetat=1k",
        "ip=10.0.0.1,rate=2M", "ip=10.0.0.1,rate=-1"})
    EXPECT_FALSE(ParseBoard(bad, b, err)) << bad;

  uint8_t major = 0, minor = 0;
  ASSERT_TRUE(VersionFromFileName("l04_05.12.rcc", major, minor));
  EXPECT_EQ(VersionText(major, minor), "5.12");
  EXPECT_FALSE(VersionFromFileName("firmware.rcc", major, minor));
  EXPECT_FALSE(VersionFromFileName("a_b.c_d", major, minor));
}

namespace {

const char kContentType[] =
    "Content-Type: multipart/form-data; boundary=---------------------------7dd1963540348\r\n";

std::vector<uint8_t> TestImage(size_t n) {
  std::vector<uint8_t> v(n);
  std::mt19937 rng(42);
  for (auto& c : v) c = static_cast<uint8_t>(rng());
  return v;
}

std::string Body(const std::vector<uint8_t>& image, const std::string& field = "rcc") {
  return MultipartPreamble(field, "l04_05.12.rcc") + std::string(image.begin(), image.end()) +
         MultipartEpilogue();
}

std::string HttpRequest(const std::string& body, const std::string& head = "") {
  return "POST /fwupdate/cgi-bin/fwupdate.cgi HTTP/1.1\r\nUser-Agent: Zantor/1.0\r\n"
         "Host: 10.213.0.11\r\n" +
         std::string(kContentType) + "Content-Length: " + std::to_string(body.size()) + "\r\n" +
         head + "\r\n" + body;
}

struct Fed {
  RequestCheck check;
  size_t used = 0;
};

// Feeds `req` in pieces of the given sizes (cycled), as the network might split it.
Fed FeedIn(const std::vector<uint8_t>& image, const std::string& req, std::vector<size_t> pieces) {
  UploadExpect e;
  e.image = image.data();
  e.imageSize = image.size();
  Fed f{RequestCheck(e)};
  const auto* p = reinterpret_cast<const uint8_t*>(req.data());
  size_t k = 0;
  while (f.used < req.size()) {
    size_t n = std::min(pieces[k++ % pieces.size()], req.size() - f.used);
    size_t u = f.check.Feed(p + f.used, n);
    f.used += u;
    if (u < n) break;  // the rest is not part of the request
  }
  return f;
}

}  // namespace

TEST(Upload, GoodRequestInAnyChunking) {
  auto image = TestImage(20000);
  std::string req = HttpRequest(Body(image));
  std::mt19937 rng(1);
  std::vector<size_t> odd;
  for (int i = 0; i < 200; ++i) odd.push_back(1 + rng() % 700);
  for (const auto& pieces :
       std::vector<std::vector<size_t>>{{1}, {3, 1, 7}, {8192}, {1 << 20}, odd}) {
    Fed f = FeedIn(image, req + "GET /", pieces);
    EXPECT_TRUE(f.check.Ok()) << pieces.size() << " " << f.check.Problem();
    EXPECT_STREQ(f.check.Compare(), "match");
    EXPECT_EQ(f.check.BodyReceived(), 156u + 20000 + 48);
    EXPECT_EQ(f.used, req.size());  // what follows the body is left alone
    EXPECT_EQ(f.check.Agent(), "Zantor/1.0");
  }
  // Header names in any case, agent optional, empty image.
  std::vector<uint8_t> none;
  std::string body = Body(none);
  Fed f = FeedIn(none,
                 "POST /fwupdate/cgi-bin/fwupdate.cgi HTTP/1.1\r\ncontent-type: "
                 "multipart/form-data; boundary=---------------------------7dd1963540348\r\n"
                 "CONTENT-LENGTH:  " +
                     std::to_string(body.size()) + " \r\nExpect: 100-continue\r\n\r\n" + body,
                 {5});
  EXPECT_TRUE(f.check.Ok()) << f.check.Problem();
  EXPECT_FALSE(f.check.HasAgent());
  EXPECT_EQ(f.check.Expect(), "100-continue");
}

TEST(Upload, WrongBodyBytesAreNamed) {
  auto image = TestImage(5000);
  std::string body = Body(image);
  struct Case {
    size_t at;
    const char* reason;
  } cases[] = {
      {0, "preamble byte 0 differs"},
      {155, "preamble byte 155 differs"},
      {156, "image byte 0 (body byte 156) differs"},
      {156 + 4999, "image byte 4999 (body byte 5155) differs"},
      {156 + 5000 + 47, "epilogue byte 47 (body byte 5203) differs"},
  };
  for (const Case& c : cases) {
    std::string bad = body;
    bad[c.at] = static_cast<char>(bad[c.at] ^ 0x20);
    Fed f = FeedIn(image, HttpRequest(bad), {13, 4096});
    EXPECT_EQ(f.check.state(), RequestCheck::State::Complete);
    EXPECT_FALSE(f.check.Ok());
    EXPECT_EQ(f.check.BadStatus(), 400);
    EXPECT_STREQ(f.check.Compare(), "differs");
    EXPECT_EQ(f.check.Problem().rfind(c.reason, 0), 0u) << f.check.Problem();
  }

  // Another field name shifts the body; the excerpt shows the name that came.
  Fed f = FeedIn(image, HttpRequest(Body(image, "srom1")), {1});
  EXPECT_NE(f.check.Problem().find("got \"data; name=\\\"srom1\\\"; filename"), std::string::npos)
      << f.check.Problem();

  // Content-Length one short: every byte sent is right, the length is not.
  std::string cut = body.substr(0, body.size() - 1);
  f = FeedIn(image, HttpRequest(cut), {100});
  EXPECT_STREQ(f.check.Compare(), "short");
  EXPECT_EQ(f.check.Problem(), "Content-Length 5203, expected 5204");
  f = FeedIn(image, HttpRequest(body + "X"), {100});
  EXPECT_STREQ(f.check.Compare(), "long");
  EXPECT_FALSE(f.check.Ok());
}

TEST(Upload, WrongHeads) {
  auto image = TestImage(100);
  std::string body = Body(image);
  std::string good = HttpRequest(body);
  auto check = [&](const std::string& req, RequestCheck::State state, const std::string& reason,
                   int status = 400) {
    Fed f = FeedIn(image, req, {17});
    EXPECT_EQ(f.check.state(), state) << req;
    EXPECT_EQ(f.check.Problem(), reason) << req;
    EXPECT_EQ(f.check.BadStatus(), status) << req;
  };
  auto swap = [&good](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  using S = RequestCheck::State;
  check(swap("POST /", "PUT /"), S::Complete, "method \"PUT\"");
  check(swap("/fwupdate/cgi-bin/", "/cgi-bin/"), S::Complete, "path \"/cgi-bin/fwupdate.cgi\"",
        404);
  check(swap("HTTP/1.1", "HTTP/1.0"), S::Complete, "version \"HTTP/1.0\"");
  check(swap("7dd1963540348\r\n", "7dd1963540349\r\n"), S::Complete,
        "Content-Type \"multipart/form-data; boundary=---------------------------7dd1963540349\"");
  check(swap(kContentType, ""), S::Complete, "no Content-Type");
  check(swap("Host: 10.213.0.11\r\n", "Host: 10.213.0.11\n"), S::Complete,
        "header lines end in LF without CR");
  check(swap("Content-Length", "Transfer-Encoding: chunked\r\nContent-Length"), S::Rejected,
        "Transfer-Encoding \"chunked\"");
  check(swap("Content-Length: ", "X-Length: "), S::Rejected, "no Content-Length");
  check(swap("Content-Length: ", "Content-Length: 5\r\nContent-Length: "), S::Rejected,
        "two different Content-Length values");
  check(swap("Content-Length: ", "Content-Length: -"), S::Rejected,
        "Content-Length \"-" + std::to_string(body.size()) + "\"");
  check(swap("Host:", std::string(9000, 'h') + ":"), S::Rejected, "header larger than 8192 bytes");
  const char tls[] = "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\n\n";
  check(std::string(tls, sizeof tls - 1), S::Rejected,
        "no Content-Length; header lines end in LF without CR");
}

// The launcher's client and the curl tool use boundaries of their own: a
// board told to expect one, or any, checks the body against the boundary
// the request names and reports it with the field name it read.
TEST(Upload, OtherBoundaries) {
  auto image = TestImage(3000);
  const std::string own = "----Boundary12345";
  auto request = [&](const std::string& named, const std::string& used, const std::string& field) {
    const std::string body = MultipartPreamble(field, "l04_05.12.rcc", used) +
                             std::string(image.begin(), image.end()) + MultipartEpilogue(used);
    return "POST /fwupdate/cgi-bin/fwupdate.cgi HTTP/1.1\r\nContent-Type: multipart/form-data; "
           "boundary=" +
           named + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  };
  struct Case {
    std::string expected, named, used, field;
    bool ok;
  } cases[] = {
      {own, own, own, "rcc", true},
      {kAnyBoundary, own, own, "rcc", true},
      {kAnyBoundary, "xyz", "xyz", "rcc", true},
      {own, kBoundary, kBoundary, "rcc", false},  // the updater's boundary where ours is due
      {kAnyBoundary, own, "----Boundary12346", "rcc", false},  // body not as announced
      {kAnyBoundary, own, own, "srom1", false},
  };
  for (const Case& c : cases) {
    UploadExpect e;
    e.image = image.data();
    e.imageSize = image.size();
    e.boundary = c.expected;
    RequestCheck check(e);
    const std::string req = request(c.named, c.used, c.field);
    check.Feed(reinterpret_cast<const uint8_t*>(req.data()), req.size());
    EXPECT_EQ(check.Ok(), c.ok) << c.expected << " " << c.named << " " << check.Problem();
    EXPECT_EQ(check.Boundary(), c.named);
    EXPECT_EQ(check.Field(), c.field);
  }
}
