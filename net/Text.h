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

} // namespace net
