#include "tools/terma/licence_text.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/profile_text.h"
#include "platform/utf8.h"

namespace terma {
namespace {

constexpr unsigned kLangJapanese = 0x11;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A reference to nothing, a surrogate or past Unicode becomes U+FFFD, so a
// page cannot smuggle a NUL or broken UTF-8 into the window.
void AppendReference(unsigned long code, std::string* out) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  platform::AppendUtf8(static_cast<uint32_t>(code), out);
}

// Decodes the entity at html[i] == '&'; returns the characters consumed
// (0 when it is no entity, so the '&' is kept as it is).
size_t DecodeEntity(const std::string& html, size_t i, std::string* out) {
  const size_t end = html.find(';', i);
  if (end == std::string::npos || end - i > 10) return 0;
  const std::string name = html.substr(i + 1, end - i - 1);
  static const struct {
    const char* name;
    const char* text;
  } kNamed[] = {{"amp", "&"},  {"lt", "<"},   {"gt", ">"},          {"quot", "\""},
                {"apos", "'"}, {"nbsp", " "}, {"copy", "\xC2\xA9"}, {"ndash", "\xE2\x80\x93"}};
  for (const auto& named : kNamed) {
    if (name == named.name) {
      out->append(named.text);
      return end - i + 1;
    }
  }
  if (name.size() >= 2 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 7) return 0;
    for (char c : digits) {
      if (hex ? !std::isxdigit(static_cast<unsigned char>(c))
              : !std::isdigit(static_cast<unsigned char>(c))) {
        return 0;
      }
    }
    AppendReference(std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10), out);
    return end - i + 1;
  }
  return 0;
}

bool EndsLine(const std::string& tag) {
  static const char* const kBreaks[] = {"br",  "br/", "/p",  "p",   "/li", "/div", "/h1", "/h2",
                                        "/h3", "/h4", "/h5", "/h6", "/tr", "/pre", "hr"};
  for (const char* name : kBreaks) {
    if (tag == name) return true;
  }
  return false;
}

}  // namespace

std::string IniText(const std::string& ini_bytes, const std::string& language, const char* key,
                    const char* fallback) {
  const std::optional<std::string> value =
      platform::FindProfileValue(platform::ProfileBytesToText(ini_bytes), language, key);
  return value && !value->empty() ? *value : fallback;
}

std::string LanguageFromLangId(unsigned primary_language) {
  return (primary_language & 0x3FF) == kLangJapanese ? "ja" : "en";
}

std::string LanguageFromLocale(const std::string& locale) {
  const std::string lower = Lower(locale);
  return lower.compare(0, 2, "ja") == 0 ? "ja" : "en";
}

std::string LicencePagePath(const std::string& language, char separator) {
  return language + separator + "la_" + language + ".htm";
}

std::string HtmlToText(const std::string& html) {
  const std::string lower = Lower(html);
  std::string out;
  bool blank_pending = false;
  size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<') {
      const size_t end = html.find('>', i);
      if (end == std::string::npos) break;  // a cut-off tag shows nothing
      std::string tag = Lower(html.substr(i + 1, end - i - 1));
      const size_t space = tag.find_first_of(" \t\r\n");
      if (space != std::string::npos) tag.resize(space);
      i = end + 1;
      if (tag == "head" || tag == "script" || tag == "style") {
        // Their text is not shown, whatever '<' it holds.
        const size_t close = lower.find("</" + tag, i);
        const size_t close_end = close == std::string::npos ? close : lower.find('>', close);
        if (close_end == std::string::npos) break;
        i = close_end + 1;
        continue;
      }
      if (EndsLine(tag)) {
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out.push_back('\n');
        blank_pending = false;
      }
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank_pending = true;
      ++i;
      continue;
    }
    if (blank_pending && !out.empty() && out.back() != '\n') out.push_back(' ');
    blank_pending = false;
    if (c == '&') {
      const size_t used = DecodeEntity(html, i, &out);
      if (used > 0) {
        i += used;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  // Leading empty lines and more than one empty line in a row say nothing.
  std::string folded;
  size_t newlines = 0;
  for (char ch : out) {
    if (ch == '\n') {
      if (folded.empty() || ++newlines > 2) continue;
    } else {
      newlines = 0;
    }
    folded.push_back(ch);
  }
  if (!folded.empty()) folded.push_back('\n');
  return folded;
}

}  // namespace terma
