#include "platform/commandline.h"

namespace platform {

std::vector<std::string> SplitCommandLine(const std::string& CommandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < CommandLine.size(); ++i) {
        const char c = CommandLine[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else if (c == '\\' && quote == '"' && i + 1 < CommandLine.size())
                word += CommandLine[++i];
            else
                word += c;
            continue;
        }
        if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '"' || c == '\'')
            quote = c;
        else if (c == '\\' && i + 1 < CommandLine.size())
            word += CommandLine[++i];
        else
            word += c;
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace platform
