// How GetPrivateProfileString reads a settings file, as plain functions on
// the file's text. The POSIX backend reads settings with them, and the
// Windows tests hold them against the real call, so both systems read a file
// alike. No OS header here.
//
// The rules, as Windows (and Wine) apply them:
// - lines end at CR or LF; a NUL ends a name or value where it stands;
// - space, TAB, VT, FF, CR, LF and Ctrl-Z around lines, names and values
//   are ignored; other characters (a no-break space) are not;
// - "[name]" after optional space opens a section; the name runs to the
//   last ']' on the line and anything after it is ignored; a '[' line
//   without ']' is an ordinary line;
// - names compare without regard to ASCII case;
// - only the first section of a name is searched, and in it only the first
//   line with the key counts, even a line without '=' (which reads as the
//   default); lines before any section form the section "";
// - the value runs from after the first '=' to the line's end; one pair of
//   matching quotes ("..." or '...') around it is removed;
// - no comment syntax: ";key=v" is the key ";key".
#ifndef PLATFORM_PROFILE_TEXT_H_
#define PLATFORM_PROFILE_TEXT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A file's bytes as UTF-8 text: UTF-16 with a byte-order mark and UTF-8 with
// one are decoded; anything else is 8-bit text and kept as it is.
std::string ProfileBytesToText(std::string_view bytes);

// The value of `key` in `section` with an unlimited buffer, or nullopt when
// the caller's default applies. An empty key never matches.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// What a buffer of `capacity` UTF-16 units holds of `value` (one unit goes to
// the terminating NUL); a character is never split.
std::string FitProfileBuffer(const std::string& value, size_t capacity);

}  // namespace platform

#endif  // PLATFORM_PROFILE_TEXT_H_
