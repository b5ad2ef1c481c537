#pragma once
// Small helpers for the client's core tests: a framed message as the
// connection hands it on, and a look for one text among several.

#include <algorithm>
#include <string>
#include <vector>

namespace clienttest
{

// The message without its terminator, as the connection passes it to the session.
inline std::string unframed(std::string framed)
{
    framed.pop_back();
    return framed;
}

inline bool has(const std::vector<std::string>& v, const std::string& s)
{
    return std::find(v.begin(), v.end(), s) != v.end();
}

} // namespace clienttest
