#pragma once
// Command dispatch: the command word is matched exactly and case-sensitively
// against a table, in table order; every matching handler gets the rest.

#include "Framing.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace net
{

template <class... Args> class Dispatcher
{
public:
    using Handler = std::function<void(std::string_view rest, Args...)>;

    void add(std::string_view command, Handler handler)
    {
        m_table.emplace_back(std::string(command), std::move(handler));
    }

    // Returns whether any handler ran. Empty and unknown commands do nothing.
    bool dispatch(std::string_view line, Args... args) const
    {
        const SplitLine split = splitCommand(line);
        if (split.command.empty())
            return false;
        bool ran = false;
        for (const auto& [name, handler] : m_table) {
            if (name == split.command) {
                handler(split.rest, args...);
                ran = true;
            }
        }
        return ran;
    }

    bool handles(std::string_view command) const
    {
        for (const auto& entry : m_table)
            if (entry.first == command)
                return true;
        return false;
    }

    std::size_t size() const { return m_table.size(); }
    const std::string& commandAt(std::size_t i) const { return m_table[i].first; }

private:
    std::vector<std::pair<std::string, Handler>> m_table;
};

} // namespace net
