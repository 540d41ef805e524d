#include "launcher/cli/options.h"

#include <gtest/gtest.h>

#include "launcher/cli/package_settings.h"

namespace cli {
namespace {

RunOptions Parse(const std::string& line) { return ParseOptions(BuildArgumentVector(line)); }

TEST(ArgumentVector, SplitsAtRunsOfSpacesWithoutQuoting) {
  EXPECT_EQ(BuildArgumentVector(""), std::vector<std::string>{"Zantor"});
  EXPECT_EQ(BuildArgumentVector("   "), std::vector<std::string>{"Zantor"});
  EXPECT_EQ(BuildArgumentVector("  -e1.2.3.4   \"-d0 x\" "),
            (std::vector<std::string>{"Zantor", "-e1.2.3.4", "\"-d0", "x\""}));
  std::string many;
  for (int i = 0; i < 200; ++i) many += "t" + std::to_string(i) + " ";
  const auto args = BuildArgumentVector(many);
  ASSERT_EQ(args.size(), 127u);
  EXPECT_EQ(args.back(), "t125");
  // Arguments the system split already read as their Windows command line.
  EXPECT_EQ(ArgumentVectorFromArguments({"-e1.2.3.4  -d0", "", "x"}),
            (std::vector<std::string>{"Zantor", "-e1.2.3.4", "-d0", "\"\"", "x"}));
  EXPECT_EQ(ArgumentVectorFromArguments({}), std::vector<std::string>{"Zantor"});
  EXPECT_EQ(ArgumentVectorFromArguments(std::vector<std::string>(200, "t")).size(), 127u);
}

TEST(Options, TokenRules) {
  struct Case {
    const char* line;
    std::string address, target, proxy;
    bool overwrite, wireless, a, c, all;
    UploadMethod method;
    ProxyMode mode;
  };
  using M = UploadMethod;
  using P = ProxyMode;
  const Case cases[] = {
      {"-e10.0.0.5", "10.0.0.5", "", "", false, false, false, false, false, M::kWinHttp, P::kNone},
      // "-d0" and "-d3" only as whole tokens.
      {"x-d0 -d0x -d3y", "", "", "", false, false, false, false, false, M::kWinHttp, P::kNone},
      {"-d0 -d3", "", "", "", true, true, false, false, false, M::kWinHttp, P::kNone},
      // "-e" anywhere: a proxy with "-e" in it sets the address too.
      {"-e1.1.1.1 -proxy=my-ex.lan:8080", "x.lan:8080", "", "my-ex.lan:8080", false, false, false,
       false, false, M::kWinHttp, P::kExplicit},
      // Later tokens win; one token can set several settings.
      {"-curl -winhttp -e1.1.1.1 -e2.2.2.2", "2.2.2.2", "", "", false, false, false, false, false,
       M::kWinHttp, P::kNone},
      {"-winhttp-curl-typeA-typeC", "", "", "", false, false, true, true, false, M::kCurl,
       P::kNone},
      {"-noproxy -proxy=p:1", "", "", "p:1", false, false, false, false, false, M::kWinHttp,
       P::kExplicit},
      {"-proxy=p:1 -noproxy", "", "", "p:1", false, false, false, false, false, M::kWinHttp,
       P::kNoProxy},
      // "-all" ends the loop: what follows it is never looked at; what came
      // before it in the same token is.
      {"-typeA -e9.9.9.9-all -typeC -d0", "9.9.9.9-all", "", "", false, false, true, false, true,
       M::kWinHttp, P::kNone},
      {"-target_ver:5.00", "", "5.00", "", false, false, false, false, false, M::kWinHttp,
       P::kNone},
      // Over-long values are cut to their buffers.
      {"-target_ver:12345678901 -e12345678901234567890123456789012345",
       "1234567890123456789012345678901", "1234567", "", false, false, false, false, false,
       M::kWinHttp, P::kNone},
  };
  for (const Case& k : cases) {
    const RunOptions o = Parse(k.line);
    EXPECT_EQ(o.address, k.address) << k.line;
    EXPECT_EQ(o.target_version, k.target) << k.line;
    EXPECT_EQ(o.proxy, k.proxy) << k.line;
    EXPECT_EQ(o.overwrite, k.overwrite) << k.line;
    EXPECT_EQ(o.wireless_family, k.wireless) << k.line;
    EXPECT_EQ(o.type_a, k.a) << k.line;
    EXPECT_EQ(o.type_c, k.c) << k.line;
    EXPECT_EQ(o.list_all, k.all) << k.line;
    EXPECT_EQ(o.method, k.method) << k.line;
    EXPECT_EQ(o.proxy_mode, k.mode) << k.line;
  }
  EXPECT_EQ(Parse("-proxy=" + std::string(100, 'p')).proxy.size(), kProxyLimit);
}

TEST(PackageSettings, VersionAlternativesModelAndLimits) {
  PackageSettings s = DerivePackageSettings("Ver.5.12", "QJ-L04 Network Firmware Updater Ver.5.12",
                                            "l04_05.12.rcc");
  EXPECT_EQ(s.version, "5.12");
  EXPECT_EQ(s.alternative1, "");
  EXPECT_EQ(s.model, "QJ-L04");
  EXPECT_EQ(s.firmware_file, "l04_05.12.rcc");
  s = DerivePackageSettings("Firmware Ver.1.20 or 2.20", "QJ-W05", "f");
  EXPECT_EQ(s.version, "1.20 or 2.20");
  EXPECT_EQ(s.alternative1, "1.20");
  EXPECT_EQ(s.alternative2, "2.20");
  EXPECT_EQ(s.model, "QJ-W05");
  s = DerivePackageSettings("1.00", "", std::string(80, 'f'));
  EXPECT_EQ(s.version, "1.00");
  EXPECT_EQ(s.firmware_file.size(), kSettingLimit);
}

}  // namespace
}  // namespace cli
