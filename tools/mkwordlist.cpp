// Build step: makes the dictionary's binary word list from a plain word list.
// Usage: mkwordlist <source word list> <output file>

#include <dict/WordListBuilder.h>

#include <cstdio>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: mkwordlist <source word list> <output file>\n";
        return 2;
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
    const std::string temp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(records.data(), static_cast<std::streamsize>(records.size()));
        if (!out.flush()) {
            std::cerr << "mkwordlist: cannot write " << temp << "\n";
            return 1;
        }
    }
    if (std::rename(temp.c_str(), argv[2]) != 0) {
        std::cerr << "mkwordlist: cannot rename " << temp << " to " << argv[2] << "\n";
        return 1;
    }
    std::cout << "mkwordlist: " << records.size() / dict::kRecordSize << " words\n";
    return 0;
}
