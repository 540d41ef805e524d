#include "updater/host/zantor_options.h"

#include <gtest/gtest.h>

namespace host {
namespace {

TEST(ZantorOptions, EveryOptionAndItsFaults) {
  ZantorOptions o;
  std::string error;
  ASSERT_TRUE(ParseZantorOptions(
      {"--add", "10.0.0.1", "--import", "a.txt", "--add", "10.0.0.2", "--adapter", "10.213.0.2",
       "--list-seconds", "9", "--import", "b.txt", "--update-ticked"},
      &o, &error));
  EXPECT_EQ(o.adds, (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
  EXPECT_EQ(o.imports, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(o.adapter, "10.213.0.2");
  EXPECT_EQ(o.list_seconds, 9u);
  EXPECT_TRUE(o.update_ticked);
  EXPECT_TRUE(o.args.empty());
  EXPECT_EQ(o.side_by_side, 1u);  // one board after another unless asked

  ZantorOptions wide;
  ASSERT_TRUE(ParseZantorOptions({"--side-by-side", "20", "--update-ticked"}, &wide, &error));
  EXPECT_EQ(wide.side_by_side, 20u);

  ZantorOptions flags;
  ASSERT_TRUE(ParseZantorOptions({"--adapters", "--about", "--help", "10.0.0.9"}, &flags, &error));
  EXPECT_TRUE(flags.adapters && flags.about && flags.help);
  EXPECT_EQ(flags.args, std::vector<std::string>{"10.0.0.9"});

  const std::vector<std::vector<std::string>> bad = {{"--add"},
                                                     {"--import"},
                                                     {"--adapter"},
                                                     {"--list-seconds"},
                                                     {"--list-seconds", "x"},
                                                     {"--list-seconds", "-1"},
                                                     {"--list-seconds", "5s"},
                                                     {"--side-by-side", "3"},  // alone
                                                     {"--update-ticked", "--side-by-side"},
                                                     {"--update-ticked", "--side-by-side", "0"},
                                                     {"--update-ticked", "--side-by-side", "-2"},
                                                     {"--update-ticked", "--side-by-side", "3x"},
                                                     {"--update-ticked", "--side-by-side", "10000"},
                                                     {"--bogus"},
                                                     {"--"}};
  for (const auto& argv : bad) {
    ZantorOptions b;
    error.clear();
    EXPECT_FALSE(ParseZantorOptions(argv, &b, &error)) << argv[0];
    EXPECT_FALSE(error.empty());
  }
  // The usage names every option.
  for (const char* name : {"--list-seconds", "--update-ticked", "--adapters", "--adapter ", "--add",
                           "--import", "--about", "--help", "--side-by-side"}) {
    EXPECT_NE(std::string(kZantorUsage).find(name), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace host
