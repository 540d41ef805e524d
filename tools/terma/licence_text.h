// The pure parts of Terma, the licence viewer: which language to show and the
// licence page as plain text for a text control or a terminal.
#ifndef TOOLS_TERMA_LICENCE_TEXT_H_
#define TOOLS_TERMA_LICENCE_TEXT_H_

#include <string>

namespace terma {

// "ja" when the user's language is Japanese, else "en". Windows passes the
// primary language of GetUserDefaultUILanguage (LANG_JAPANESE = 0x11);
// Linux the locale text (LC_ALL, LC_MESSAGES or LANG, first one set).
std::string LanguageFromLangId(unsigned primary_language);
std::string LanguageFromLocale(const std::string& locale);

// The page's path relative to Terma's folder: "en/la_en.htm".
std::string LicencePagePath(const std::string& language, char separator);

// The text of an HTML page: tags dropped, <br>, </p>, </li>, </h1..6> and
// </div> end lines, runs of blanks folded, the five named entities and
// numeric ones (&#N; &#xN;, encoded as UTF-8) decoded, <head>, <script> and
// <style> contents skipped. Lines end with "\n".
std::string HtmlToText(const std::string& html);

// One text of Terma.ini (section = language) from the file's bytes, read as
// UTF-8 whatever the system's ANSI code page is (the Windows profile call
// would read a Japanese text as Shift-JIS on a Japanese system); `fallback`
// when the file, section or key is missing or empty.
std::string IniText(const std::string& ini_bytes, const std::string& language, const char* key,
                    const char* fallback);

}  // namespace terma

#endif  // TOOLS_TERMA_LICENCE_TEXT_H_
