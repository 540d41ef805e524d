// The upload's exact bytes, chunking and progress, against a fake session.
#include "updater/update/chttp.h"

#include <gtest/gtest.h>

#include "tests/support/fake_http.h"
#include "tests/support/temp_file.h"
#include "tests/support/virtual_loop.h"

namespace {

using testing_support::FakeBoardHttp;
using testing_support::TempFile;

struct Host : update::UploadHost {
  std::string percent;
  std::vector<std::string> shown;
  int pumps = 0;
  bool is_automatic = false;
  bool pipe_up = true;
  int close_after_pumps = -1;  // Closing() turns true after this many pumps
  std::vector<int32_t> sent;
  std::string PercentText(const protocol::TDevice&) override { return percent; }
  void SetPercentText(protocol::TDevice&, const std::string& t) override {
    percent = t;
    shown.push_back(t);
  }
  void ProcessMessages() override { ++pumps; }
  bool automatic() const override { return is_automatic; }
  bool SendProgressMessage(int32_t v) override {
    sent.push_back(v);
    return pipe_up;
  }
  bool Closing() const override { return close_after_pumps >= 0 && pumps >= close_after_pumps; }
};

struct Chttp : ::testing::Test {
  FakeBoardHttp board;
  Host host;
  testing_support::VirtualLoop clock;
  protocol::TDevice device = protocol::TDevice::ForTypedAddress("10.213.0.11");
  update::CHTTP http{board.Factory(), host, clock};
};

TEST(ChttpBody, ShippedNamesGiveTheKnownSizes) {
  const std::string pre = update::CHTTP::Preamble("rcc", "l04_05.12.rcc");
  EXPECT_EQ(pre.size(), 156u);
  EXPECT_EQ(update::CHTTP::Epilogue().size(), 48u);
  EXPECT_EQ(pre,
            "-----------------------------7dd1963540348\r\n"
            "Content-Disposition: form-data; name=\"rcc\"; filename=\"l04_05.12.rcc\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n");
  EXPECT_EQ(update::CHTTP::Epilogue(), "\r\n-----------------------------7dd1963540348--\r\n");
}

TEST_F(Chttp, OpenTakesPorts80And8080Only) {
  EXPECT_FALSE(http.Open("10.213.0.11", 443, 2));
  EXPECT_FALSE(http.Open("", 80, 2));
  EXPECT_EQ(board.sessions, 0) << "refused before any session exists";
  EXPECT_TRUE(http.Open("10.213.0.11", 8080, 2));
  EXPECT_TRUE(http.Open("10.213.0.11", 80, 2));
  EXPECT_EQ(board.spec.path, "/fwupdate/cgi-bin/fwupdate.cgi");
  EXPECT_EQ(board.spec.method, "POST");
  EXPECT_EQ(board.spec.user_agent, "Zantor/1.0");
  EXPECT_EQ(board.spec.timeouts.resolve_ms, 120000);
  EXPECT_EQ(board.spec.timeouts.receive_ms, 300000);
  board.fail_open = true;
  EXPECT_FALSE(http.Open("10.213.0.11", 80, 2));
  EXPECT_TRUE(board.closed);
}

TEST_F(Chttp, ClosingDuringTheUploadStopsItAtTheNextChunk) {
  const std::vector<uint8_t> image = TempFile::Pattern(20 * 8192);
  TempFile file(image);
  host.close_after_pumps = 2;
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  EXPECT_FALSE(http.Upload(file.path(), "l04_05.12.rcc", "rcc", device));
  EXPECT_EQ(host.pumps, 2);
  EXPECT_LT(board.body.size(), 3u * 8192);
}

TEST_F(Chttp, BodyGoesOutByteExactInChunksWithProgress) {
  const std::vector<uint8_t> image = TempFile::Pattern(3 * 8192 + 100);
  TempFile file(image);
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  ASSERT_TRUE(http.Upload(file.path(), "l04_05.12.rcc", "rcc", device));
  const std::string pre = update::CHTTP::Preamble("rcc", "l04_05.12.rcc");
  std::vector<uint8_t> want(pre.begin(), pre.end());
  want.insert(want.end(), image.begin(), image.end());
  const std::string epi = update::CHTTP::Epilogue();
  want.insert(want.end(), epi.begin(), epi.end());
  EXPECT_EQ(board.body, want);
  EXPECT_EQ(board.announced, want.size());
  ASSERT_EQ(board.headers.size(), 1u);
  EXPECT_EQ(board.headers[0],
            "Content-Type: multipart/form-data; boundary="
            "---------------------------7dd1963540348\r\n");
  EXPECT_EQ(board.write_sizes, (std::vector<uint32_t>{8192, 8192, 8192, 100 + 156 + 48}));
  EXPECT_EQ(device.progress, 200);
  EXPECT_EQ(host.percent, "20.0");
  EXPECT_EQ(host.pumps, static_cast<int>(host.shown.size()));
  EXPECT_TRUE(host.sent.empty()) << "the pipe is for automatic mode only";
}

TEST_F(Chttp, ShortWritesAreContinuedFromTheFirstUnsentByte) {
  board.short_writes = 1000;
  const std::vector<uint8_t> image = TempFile::Pattern(20000);
  TempFile file(image);
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  ASSERT_TRUE(http.Upload(file.path(), "a.rcc", "rcc", device));
  EXPECT_EQ(board.body.size(), board.announced);
  EXPECT_TRUE(std::equal(image.begin(), image.end(),
                         board.body.begin() + update::CHTTP::Preamble("rcc", "a.rcc").size()));
}

TEST_F(Chttp, PercentTextChangesAtMostOncePerTenth) {
  const std::vector<uint8_t> image = TempFile::Pattern(2000 * 8192);
  TempFile file(image);
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  ASSERT_TRUE(http.Upload(file.path(), "a.rcc", "rcc", device));
  ASSERT_FALSE(host.shown.empty());
  EXPECT_EQ(host.shown.front(), "10.0");
  EXPECT_EQ(host.shown.back(), "20.0");
  EXPECT_LE(host.shown.size(), 101u);
  for (size_t i = 1; i < host.shown.size(); ++i) EXPECT_NE(host.shown[i], host.shown[i - 1]);
}

TEST_F(Chttp, AutomaticModeSendsEveryChunkAndGivesUpAfterTenPipeFailures) {
  host.is_automatic = true;
  TempFile file(TempFile::Pattern(40 * 8192));
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  ASSERT_TRUE(http.Upload(file.path(), "a.rcc", "rcc", device));
  EXPECT_EQ(host.sent.size(), 41u);  // one per write
  EXPECT_EQ(host.sent.back(), 200);

  host.sent.clear();
  host.pipe_up = false;
  board.body.clear();
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  EXPECT_FALSE(http.Upload(file.path(), "a.rcc", "rcc", device));
  EXPECT_EQ(host.sent.size(), 11u) << "the 11th failure ends the upload";
}

TEST_F(Chttp, FailuresOfTheBoardAndOfTheImage) {
  TempFile file(TempFile::Pattern(50000));
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  EXPECT_FALSE(http.Upload(file.path() + ".missing", "a.rcc", "rcc", device));
  EXPECT_EQ(board.announced, 0u) << "nothing is sent for an image that cannot be read";
  EXPECT_TRUE(board.body.empty());

  board.refuse = true;
  EXPECT_FALSE(http.Upload(file.path(), "a.rcc", "rcc", device));
  board.refuse = false;
  board.fail_after_bytes = 20000;  // reset mid-body
  board.body.clear();
  EXPECT_FALSE(http.Upload(file.path(), "a.rcc", "rcc", device));
  EXPECT_LT(board.body.size(), 50000u);

  update::CHTTP closed(board.Factory(), host, clock);
  EXPECT_FALSE(closed.Upload(file.path(), "a.rcc", "rcc", device)) << "no request handle";
  EXPECT_FALSE(closed.ReceiveStatus());
  EXPECT_TRUE(closed.Close());
  EXPECT_TRUE(closed.Close());
}

TEST_F(Chttp, OnlyStatus200CountsAndThePauseComesFirst) {
  ASSERT_TRUE(http.Open("10.213.0.11", 80, 2));
  board.status = 500;
  const uint64_t t0 = clock.now();
  EXPECT_FALSE(http.ReceiveStatus());
  EXPECT_EQ(clock.now() - t0, 1000u);
  board.status = 200;
  EXPECT_TRUE(http.ReceiveStatus());
  board.fail_response = true;
  EXPECT_FALSE(http.ReceiveStatus());
  EXPECT_EQ(clock.now() - t0, 3000u) << "the pause is taken even without a response";
}

}  // namespace
