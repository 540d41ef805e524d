#include "launcher/cli/result_log.h"

#include <gtest/gtest.h>

#include "launcher/cli/exit_codes.h"
#include "launcher/cli/upload_request.h"
#include "platform/terminal_text.h"

namespace cli {
namespace {

TEST(ExitCodes, MessagesAndFirstLines) {
  EXPECT_STREQ(ErrorMessage(0), "INFORMATION : Firmware updating was successful.");
  EXPECT_EQ(FirstLineOfMessage(100), "ERROR : Can't open communication port.");
  EXPECT_EQ(FirstLineOfMessage(2000), "ERROR : Please specify -typeA or -typeC option.");
  EXPECT_EQ(std::string(ErrorMessage(2000)).find("\n          TypeA firmware is for DW-Q02/06."),
            std::string("ERROR : Please specify -typeA or -typeC option.").size());
  EXPECT_EQ(FirstLineOfMessage(205), "ERROR : The specified printer is incorrect..");
  EXPECT_EQ(FirstLineOfMessage(1106), "ERROR : Application Error.6");
  for (int unknown : {3, -1, 1104, 402}) {
    EXPECT_STREQ(ErrorMessage(unknown), "ERROR : Application Error.") << unknown;
  }
}

TEST(ResultLog, StartTextInBothLanguages) {
  const LocalTime t{2026, 3, 7, 9, 5, 4};
  EXPECT_EQ(StartText(t, true), "2026/03/07 09:05:04");
  EXPECT_EQ(StartText(t, false), "03/07/2026 09:05:04");
}

TEST(ResultLog, LineAndExitMessage) {
  ResultRecord r;
  r.start_text = "12/09/2026 16:05:03";
  EXPECT_EQ(LogLine(1000, r, ElapsedSince(100, 100)),
            "12/09/2026 16:05:03,ErrorCode : 1000,TotalTime : 00:00,ERROR : Parameter error.,"
            "IP : ,MAC : ,UIB : ,From : ,To : ,Printer : ,SerialNo : ,");
  r.ip = "10.0.0.5";
  r.mac = "02:00:0A:00:00:05";
  r.uib = "QJ-L04";
  r.from = "5.00";
  r.to = "5.12";
  r.printer = "RECEIPT PRINTER";
  r.serial_no = "SN1";
  EXPECT_EQ(LogLine(0, r, ElapsedSince(1000, 1125)),
            "12/09/2026 16:05:03,ErrorCode : 0,TotalTime : 02:05,INFORMATION : Firmware updating "
            "was successful.,IP : 10.0.0.5,MAC : 02:00:0A:00:00:05,UIB : QJ-L04,From : 5.00,"
            "To : 5.12,Printer : RECEIPT PRINTER,SerialNo : SN1,");
  EXPECT_EQ(ExitMessage(100, ElapsedSince(0, 6000 * 60 + 59)),
            "\n[Exit Message]\n  ERROR : Can't open communication port.\n\n"
            "  TotalTime         6000:59\n  Exit Code         100\n");
  // A clock that went back is no time, never a negative one.
  EXPECT_EQ(LogLine(1, r, ElapsedSince(1000, 990)).find("TotalTime : 00:00,") != std::string::npos,
            true);
}

TEST(ResultLog, BoardTextsCannotForgeFieldsOrLines) {
  const struct {
    const char* field;
    const char* written;
  } cases[] = {
      {"Printer : RECEIPT PRINTER", "Printer : RECEIPT PRINTER"},  // untouched
      {"Printer : A,B", "\"Printer : A,B\""},
      {"Printer : 12\" \"wide\"", "\"Printer : 12\"\" \"\"wide\"\"\""},
      {"SerialNo : A\r\n1,ErrorCode : 0", "\"SerialNo : A\r\n1,ErrorCode : 0\""},
      {"SerialNo : A\nB", "\"SerialNo : A\nB\""},
      {"UIB : \x1b[2J;'", "UIB : \x1b[2J;'"},  // the terminal's concern, not the log's
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.field), c.written) << c.field;
  ResultRecord r;
  r.printer = "A,B";
  EXPECT_NE(LogLine(0, r, {}).find(",\"Printer : A,B\",SerialNo : ,"), std::string::npos);
}

TEST(TerminalText, ControlsAndBrokenSequencesShowAsQuestionMarks) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"RECEIPT PRINTER", "RECEIPT PRINTER"},
      {"\xe3\x83\xac\xe3\x82\xb7\xe3\x83\xbc\xe3\x83\x88",
       "\xe3\x83\xac\xe3\x82\xb7\xe3\x83\xbc\xe3\x83\x88"},
      {"caf\xc3\xa9 \xf0\x9f\x96\xa8", "caf\xc3\xa9 \xf0\x9f\x96\xa8"},
      {"\x1b]0;owned\x07\x1b[2J", "?]0;owned??[2J"},
      {"a\rb\nc\td\x7f"
       "e",
       "a?b?c?d?e"},
      {"\xc2\x9b"
       "31m \xc2\x85 \xc2\xa0",
       "?31m ? \xc2\xa0"},  // C1 CSI and NEL; NBSP stays
      {"\xff\xfe"
       "a\x80",
       "??a?"},                                       // stray bytes
      {"\xe3\x83", "??"},                             // cut short
      {"\xc0\xaf \xe0\x80\xaf", "?? ???"},            // overlong
      {"\xed\xa0\x80 \xf4\x90\x80\x80", "??? ????"},  // surrogate, past U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(platform::TerminalText(c.in), c.out) << c.in;
  EXPECT_EQ(platform::TerminalText("one\ntwo\r\x1b", true), "one\ntwo??");
}

TEST(ResultLog, PathBesideTheProgram) {
  EXPECT_EQ(LogPathFor("C:\\Tools\\fwlauncher.exe", true), "C:\\Tools\\fwlauncher.csv");
  // From the first ".exe" on, case-sensitive; none, no log.
  EXPECT_EQ(LogPathFor("C:\\a.exe.d\\fw.exe", true), "C:\\a.csv");
  EXPECT_EQ(LogPathFor("C:\\Tools\\FWLAUNCHER.EXE", true), "");
  EXPECT_EQ(LogPathFor("/opt/zantor/fwlauncher", false), "/opt/zantor/fwlauncher.csv");
}

TEST(UploadRequest, BytesAroundTheFileAndProgress) {
  EXPECT_EQ(UploadPreamble("l04_05.12.rcc"),
            "------Boundary12345\r\nContent-Disposition: form-data; name=\"rcc\"; "
            "filename=\"l04_05.12.rcc\"\r\nContent-Type: application/octet-stream\r\n\r\n");
  EXPECT_EQ(UploadEpilogue(), "\r\n------Boundary12345--\r\n");
  EXPECT_EQ(UploadEpilogue().size(), std::string(kUploadBoundary).size() + 8);
  EXPECT_EQ(UploadContentTypeHeader(),
            "Content-Type: multipart/form-data; boundary=----Boundary12345");
  EXPECT_EQ(SendingProgressLine(0, 1000, false), "\r  Data Sending...   0.0 %    ");
  EXPECT_EQ(SendingProgressLine(153, 1000, false), "\r  Data Sending...   15.3 %    ");
  EXPECT_EQ(SendingProgressLine(1000, 1000, true), "\r  Data Sending...   100.0 %    \n");
  // 64-bit product: a 17 MB body does not overflow.
  EXPECT_EQ(SendingProgressLine(17826089ull * 999 / 1000, 17826089, false),
            "\r  Data Sending...   99.8 %    ");
}

TEST(CurlCommand, TextAndArgumentsPerProxyMode) {
  EXPECT_EQ(CurlCommandText(ProxyMode::kNone, "", "f.rcc", "10.0.0.5"),
            "curl.exe -s -o NUL -w %{http_code} -F rcc=@f.rcc "
            "http://10.0.0.5/fwupdate/cgi-bin/fwupdate.cgi");
  EXPECT_EQ(CurlCommandText(ProxyMode::kNoProxy, "", "f.rcc", "a"),
            "curl.exe -s -o NUL -w %{http_code} --proxy \"\" -F rcc=@f.rcc "
            "http://a/fwupdate/cgi-bin/fwupdate.cgi");
  // A hostile proxy text stays one argument.
  const std::string hostile = "\"x & touch /tmp/p; y|z";
  EXPECT_EQ(CurlArguments("curl", "/dev/null", ProxyMode::kExplicit, hostile, "f.rcc", "a"),
            (std::vector<std::string>{"curl", "-s", "-o", "/dev/null", "-w", "%{http_code}",
                                      "--proxy", hostile, "-F", "rcc=@f.rcc",
                                      "http://a/fwupdate/cgi-bin/fwupdate.cgi"}));
  EXPECT_EQ(CurlArguments("c", "N", ProxyMode::kNoProxy, "", "f", "a")[7], "");
  EXPECT_EQ(StatusFromCurlOutput("200"), 200);
  EXPECT_EQ(StatusFromCurlOutput("000"), 0);
  EXPECT_EQ(StatusFromCurlOutput("x200"), 0);
  EXPECT_EQ(StatusFromCurlOutput(""), 0);
  EXPECT_EQ(StatusFromCurlOutput("99999999999999"), 999999);
}

}  // namespace
}  // namespace cli
