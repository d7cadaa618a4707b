// Feeds arbitrary command lines to the Linux saver's option parser: the bytes split at each NUL
// into words, the first word as $XSCREENSAVER_WINDOW (none when empty), the rest as arguments.
// No crash, no out-of-bounds read, and a refusal always says why.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "linux/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back() += static_cast<char>(data[i]);
        }
    }
    std::vector<const char*> argv{"tekuteku"};
    for (size_t i = 1; i < words.size(); ++i) argv.push_back(words[i].c_str());
    argv.push_back(nullptr);  // as the system passes it
    SaverOptions options;
    const ParseResult result = ParseOptions(static_cast<int>(argv.size() - 1), argv.data(),
                                            words[0].empty() ? nullptr : words[0].c_str(), options);
    if (!result.ok && result.error.empty()) std::abort();
    return 0;
}
