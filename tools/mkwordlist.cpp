// Build step: makes the dictionary's binary word list from a plain word list,
// and with --marks the marks of its words: how common each is (from the
// smaller lists the source list contains) and which are offensive.
//
// Usage: mkwordlist <source word list> <output file>
//          [--marks <marks file> [--common <list>] [--uncommon <list>] [--offensive <file>]...]
// An offensive-word file is a JSON array of strings, or a plain list (one word
// a line; lines that are not lower-case words, such as # comments, are skipped).

#include <dict/WordListBuilder.h>
#include <dict/WordMarks.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace
{

bool writeReplacing(const std::string& path, const std::string& bytes)
{
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::cerr << "mkwordlist: cannot write " << temp << "\n";
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::cerr << "mkwordlist: cannot rename " << temp << " to " << path << "\n";
        return false;
    }
    return true;
}

bool readWords(const std::string& path, const char* package, std::set<std::string>& into)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "mkwordlist: cannot read " << path << " (install " << package << ")\n";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const auto first = all.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && all[first] == '[') {
        const auto strings = dict::parseStringArray(all);
        if (!strings) {
            std::cerr << "mkwordlist: " << path << " is not a JSON array of strings\n";
            return false;
        }
        for (const std::string& s : *strings)
            if (dict::acceptsSourceLine(s))
                into.insert(s);
        return true;
    }
    std::istringstream lines(all);
    const auto words = dict::readWordSet(lines);
    into.insert(words.begin(), words.end());
    return true;
}

int usage()
{
    std::cerr << "usage: mkwordlist <source word list> <output file> [--marks <marks file> "
                 "[--common <list>] [--uncommon <list>] [--offensive <file>]...]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    std::string marksPath;
    dict::MarkSources sources;
    for (int i = 3; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return usage();
        const std::string value = argv[i + 1];
        bool ok = true;
        if (option == "--marks")
            marksPath = value;
        else if (option == "--common")
            ok = readWords(value, "wamerican", sources.common);
        else if (option == "--uncommon")
            ok = readWords(value, "wamerican-large", sources.uncommon);
        else if (option == "--offensive")
            ok = readWords(value, "the offensive-word list from the source tree", sources.offensive);
        else
            return usage();
        if (!ok)
            return 1;
    }

    std::ifstream source(argv[1], std::ios::binary);
    if (!source) {
        std::cerr << "mkwordlist: cannot read " << argv[1]
                  << " (install wamerican-huge or set ZIRKY_WORDLIST_SOURCE)\n";
        return 1;
    }
    const std::string records = dict::buildRecords(source);
    if (records.empty()) {
        std::cerr << "mkwordlist: " << argv[1] << " holds no usable words\n";
        return 1;
    }
    if (!writeReplacing(argv[2], records))
        return 1;
    std::cout << "mkwordlist: " << records.size() / dict::kRecordSize << " words\n";
    if (marksPath.empty())
        return 0;

    const std::string marks = dict::buildMarks(records, sources);
    if (!writeReplacing(marksPath, marks))
        return 1;
    std::size_t counts[3] = {};
    std::size_t offensive = 0;
    const auto bytes = std::span(reinterpret_cast<const unsigned char*>(marks.data()), marks.size());
    for (std::size_t i = 0; i < records.size() / dict::kRecordSize; ++i) {
        const dict::WordMark m = dict::markAt(bytes, i);
        ++counts[static_cast<int>(m.rarity)];
        offensive += m.offensive ? 1 : 0;
    }
    std::cout << "mkwordlist: " << counts[0] << " common, " << counts[1] << " uncommon, " << counts[2] << " rare, "
              << offensive << " offensive\n";
    return 0;
}
