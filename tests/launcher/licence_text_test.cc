#include "tools/terma/licence_text.h"

#include <gtest/gtest.h>

namespace terma {
namespace {

TEST(LicenceTextTest, HtmlBecomesPlainText) {
  struct Case {
    const char* html;
    const char* text;
  } cases[] = {
      {"<p>One</p><p>Two</p>", "One\n\nTwo\n"},  // paragraphs apart by an empty line
      {"<li>One</li><li>Two</li>", "One\nTwo\n"},
      {"<html><head><title>Not shown</title></head><body>Shown</body></html>", "Shown\n"},
      {"<style>p{color:red}</style><script>x<1</script>Text", "Text\n"},
      {"a\n   b\t\tc", "a b c\n"},
      {"Line<br>next<BR/>last", "Line\nnext\nlast\n"},
      {"&lt;tag&gt; &amp; &quot;q&quot; &#65;&#x42; &copy;", "<tag> & \"q\" AB \xC2\xA9\n"},
      {"&#x65E5;&#26412;", "\xE6\x97\xA5\xE6\x9C\xAC\n"},  // 日本 as UTF-8
      {"&#0; &#xD800; &#99999999;", "\xEF\xBF\xBD \xEF\xBF\xBD &#99999999;\n"},
      {"AT&T &unknown; &", "AT&T &unknown; &\n"},
      {"<p>a</p><p></p><p></p><p>b</p>", "a\n\nb\n"},  // at most one empty line
      {"cut <p", "cut\n"},                             // a tag without its end
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HtmlToText(c.html), c.text) << c.html;
}

TEST(LicenceTextTest, JapaneseOnlyForAJapaneseUser) {
  EXPECT_EQ(LanguageFromLangId(0x11), "ja");
  EXPECT_EQ(LanguageFromLangId(0x09), "en");
  EXPECT_EQ(LanguageFromLangId(0x07), "en");  // any other language: English
  EXPECT_EQ(LanguageFromLocale("ja_JP.UTF-8"), "ja");
  EXPECT_EQ(LanguageFromLocale("JA"), "ja");
  EXPECT_EQ(LanguageFromLocale("en_GB.UTF-8"), "en");
  EXPECT_EQ(LanguageFromLocale("C"), "en");
  EXPECT_EQ(LanguageFromLocale(""), "en");
  EXPECT_EQ(LicencePagePath("ja", '\\'), "ja\\la_ja.htm");
}

TEST(LicenceTextTest, IniTextsAreUtf8WhateverTheCodePage) {
  const std::string ini =
      "[en]\r\nAgree=Agree\r\nEmpty=\r\n[ja]\r\nAgree="
      "\xE5\x90\x8C\xE6\x84\x8F\xE3\x81\x99\xE3\x82\x8B\r\n";
  EXPECT_EQ(IniText(ini, "ja", "Agree", "x"), "\xE5\x90\x8C\xE6\x84\x8F\xE3\x81\x99\xE3\x82\x8B");
  EXPECT_EQ(IniText(ini, "en", "Agree", "x"), "Agree");
  EXPECT_EQ(IniText(ini, "en", "Empty", "fallback"), "fallback");
  EXPECT_EQ(IniText(ini, "fr", "Agree", "fallback"), "fallback");
  EXPECT_EQ(IniText("", "en", "Agree", "fallback"), "fallback");
  // With a UTF-8 byte-order mark, as an editor may save it.
  EXPECT_EQ(IniText("\xEF\xBB\xBF[en]\nAgree=Yes\n", "en", "Agree", "x"), "Yes");
}

}  // namespace
}  // namespace terma
