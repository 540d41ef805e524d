// Texts that a board or another peer chose, made safe to print on a
// terminal: a control character could move the cursor, rewrite earlier
// lines or forge a line of its own.
#ifndef PLATFORM_TERMINAL_TEXT_H_
#define PLATFORM_TERMINAL_TEXT_H_

#include <string>
#include <string_view>

namespace platform {

// Copies `text` with every C0 control (ESC and CR included), DEL, C1
// control (U+0080..U+009F) and byte that is not part of a well-formed UTF-8
// sequence shown as "?". Well-formed UTF-8 (Japanese names) stays as it is.
// With `keep_line_feeds`, "\n" stays, for a multi-line text of our own that
// carries a peer's text.
std::string TerminalText(std::string_view text, bool keep_line_feeds = false);

}  // namespace platform

#endif  // PLATFORM_TERMINAL_TEXT_H_
