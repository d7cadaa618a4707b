// Writes settings_rules.js, the page's copy of the core's rules, when the page is built: the
// page reads the settings' names, ranges, words and defaults from it rather than keeping its own
// (the walker limit and the input rule it asks the core itself, once that has loaded).
#include <cstdio>

#include "settings/rules.h"

int main(int argc, char** argv) {
    std::FILE* out = argc == 2 ? std::fopen(argv[1], "w") : nullptr;
    if (!out) {
        std::fprintf(stderr, "usage: rules_module OUT.js\n");
        return 2;
    }
    std::fprintf(out, "// Made from the core's rules (settings/rules.h) when the page is built.\n");
    std::fprintf(out, "export const SETTING_RULES = Object.freeze([\n");
    for (const SettingRule& rule : kSettingRules) {
        std::fprintf(
            out,
            "  Object.freeze({ name: '%s', key: '%s', low: %d, high: %d, saverDefault: %d, words: ",
            rule.name, rule.key, rule.low, rule.high, rule.saverDefault);
        if (!rule.words) {
            std::fprintf(out, "null");
        } else {
            std::fprintf(out, "Object.freeze([");
            for (int value = rule.low; value <= rule.high; ++value) {
                std::fprintf(out, "%s'%s'", value > rule.low ? ", " : "",
                             rule.words[value - rule.low]);
            }
            std::fprintf(out, "])");
        }
        std::fprintf(out, " }),\n");
    }
    std::fprintf(out, "]);\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
