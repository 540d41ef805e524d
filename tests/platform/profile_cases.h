// Settings files that a private-profile reader can get wrong, with what
// GetPrivateProfileStringW answers for them (checked under Wine by
// profile_wine_test.cc). Both systems' readers must give these answers.
#ifndef TESTS_PLATFORM_PROFILE_CASES_H_
#define TESTS_PLATFORM_PROFILE_CASES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace profile_cases {

struct Query {
  const char* section;
  const char* key;
  std::string expected;
};

struct Case {
  const char* name;  // also the file name
  std::string bytes;
  std::vector<Query> queries;
};

template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);  // keeps embedded NULs
}

inline std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

inline std::string Junk(size_t size, uint32_t seed, bool ascii_only) {
  std::string out;
  uint32_t x = seed;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    const char c = static_cast<char>(x >> 24);
    out.push_back(ascii_only ? static_cast<char>(c & 0x7F) : c);
  }
  return out;
}

inline std::vector<Case> Cases() {
  std::vector<Case> cases;
  cases.push_back({"rules.ini",
                   "[Application]\r\n"
                   "A=\"x\"\r\n"
                   "B = \" y \" \r\n"
                   "  C  =  z z  \r\n"
                   "D=\"q\r\n"
                   "E=q\"\r\n"
                   "F='s'\r\n"
                   "G\r\n"
                   "G=later\r\n"
                   "A=second\r\n"
                   "H=\"\"\r\n"
                   "I=\"\r\n"
                   "J=\"a\"b\"\r\n"
                   ";K=c\r\n"
                   "L=1=2\r\n"
                   "\x1aR\x1a=\x1aok\x1a\r\n"
                   "T=a\tb\r\n"
                   "U=\"'x'\"\r\n"
                   "\tV\t=\t\"v\"\t\r\n"
                   "\vW\f=\f\vw\v\r\n"
                   "X=\"x\" \r\n"
                   "Y= 'y\"\r\n"
                   "[ Sp ]\r\n"
                   "M=1\r\n"
                   "[application]\r\n"
                   "N=2\r\n"
                   "A=third\r\n"
                   "[Other]x\r\n"
                   "O=3\r\n"
                   "[Br\r\n"
                   "P=4\r\n"
                   "[a]b]\r\n"
                   "K=1\r\n",
                   {{"Application", "A", "x"},
                    {"application", "a", "x"},
                    {" Application ", " A ", "x"},
                    {"Application", "B", " y "},
                    {"Application", "C", "z z"},
                    {"Application", "D", "\"q"},
                    {"Application", "E", "q\""},
                    {"Application", "F", "s"},
                    {"Application", "G", ""},
                    {"Application", "H", ""},
                    {"Application", "I", "\""},
                    {"Application", "J", "a\"b"},
                    {"Application", ";K", "c"},
                    {"Application", "K", ""},
                    {"Application", "L", "1=2"},
                    {"Application", "R", "ok"},
                    {"Application", "T", "a\tb"},
                    {"Application", "U", "'x'"},
                    {"Application", "V", "v"},
                    {"Application", "W", "w"},
                    {"Application", "X", "x"},
                    {"Application", "Y", "'y\""},
                    {"Application", "N", ""},
                    {"Application", "Z", ""},
                    {"Sp", "M", "1"},
                    {" Sp ", "M", "1"},
                    {"Other", "O", "3"},
                    {"Other", "P", "4"},
                    {"Br", "P", ""},
                    {"a]b", "K", "1"},
                    {"a", "K", ""},
                    {"Missing", "A", ""}}});
  cases.push_back({"separators.ini",
                   Bytes("[Application]\nA=x\rB=y\rC=z\n\0D=1\r\nE=a\0b\r\nF\0G=2\r\n"
                         "[X\0Y]\r\nH=1\r\n"),
                   {{"Application", "A", "x"},
                    {"Application", "B", "y"},
                    {"Application", "C", "z"},
                    {"Application", "D", ""},
                    {"Application", "E", "a"},
                    {"Application", "F", "2"},
                    {"Application", "H", ""},
                    {"X", "H", "1"}}});
  cases.push_back({"duplicate_sections.ini",
                   "A=top\r\n[Application]\r\n[Application]\r\nA=dup\r\n",
                   {{"Application", "A", ""}, {"", "A", "top"}}});
  cases.push_back({"trailing_nul.ini",
                   Bytes("[Application]\r\nA=\"1\"\r\nB=\"2\"\r\n\0"),
                   {{"Application", "A", "1"}, {"Application", "B", "2"}}});
  cases.push_back(
      {"no_final_newline.ini", "[Application]\r\nA=\"1\"", {{"Application", "A", "1"}}});
  cases.push_back({"indented_header.ini",
                   "  [Application]  junk\r\n  A  \r\n= v\r\nA=2\r\nB=3\r\n",
                   {{"Application", "A", ""}, {"Application", "B", "3"}}});
  cases.push_back({"utf8_bom.ini",
                   "\xEF\xBB\xBF[Application]\r\nA=caf\xC3\xA9\r\n",
                   {{"Application", "A", "caf\xC3\xA9"}}});
  cases.push_back(
      {"utf16.ini", Utf16Le("[Application]\r\nA=\"1\"\r\n"), {{"Application", "A", "1"}}});
  cases.push_back(
      {"utf16_bom_on_ansi.ini", "\xFF\xFE[Application]\r\nA=1\r\n", {{"Application", "A", ""}}});
  cases.push_back({"missing_section.ini",
                   "[Other]\r\nDEF_IF_VERSION=\"Ver.5.12\"\r\n",
                   {{"Application", "DEF_IF_VERSION", ""}}});
  cases.push_back({"empty.ini", "", {{"Application", "A", ""}}});
  // A value longer than the reader's buffer is cut to the buffer. (Wine also
  // drops the last character of a quoted value that fills the buffer
  // exactly; that length is left out here.)
  cases.push_back({"huge_line.ini",
                   "[Application]\r\nA=" + std::string(100000, 'x') + "\r\nB=\"" +
                       std::string(3000, 'y') + "\"\r\nC=2\r\n",
                   {{"Application", "A", std::string(1023, 'x')},
                    {"Application", "B", std::string(1023, 'y')},
                    {"Application", "C", "2"}}});
  cases.push_back({"junk_ascii.ini",
                   Junk(20000, 7, true) + "\r\n[Application]\r\nA=ok\r\n" + Junk(5000, 8, true),
                   {{"Application", "A", "ok"}, {"Application", "DEF_IF_VERSION", ""}}});
  return cases;
}

}  // namespace profile_cases

#endif  // TESTS_PLATFORM_PROFILE_CASES_H_
