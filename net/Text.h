#pragma once
// Text on the wire: protocol tokens are ASCII, names and chat are UTF-8.

#include <string>
#include <string_view>

namespace net
{

// What may go into a field: no 0xFF, CR or LF anywhere, and no "+" unless the
// field is the last one of a message whose handler takes the rest.
std::string cleanField(std::string_view text, bool lastTakesRest = false);

bool isValidUtf8(std::string_view bytes);

// Received bytes as UTF-8: valid UTF-8 as it is, anything else read as
// Latin-1, so that single-byte peers still show their names.
std::string toUtf8(std::string_view bytes);

// Text from a peer made safe to write to a terminal or a log, or to show on
// screen beside other text: read as toUtf8
// does, with every C0 and C1 control character (tab, ESC and DEL included)
// and every bidirectional control (U+061C, U+200E, U+200F, U+202A to U+202E,
// U+2066 to U+2069) shown as "?", one "?" per character. A forged line
// break, a colour escape or a reversed file name then shows as what it is.
std::string printable(std::string_view bytes);

} // namespace net
