// Writes settings_rules.js, the page's copy of the core's rules, when the page is built: the
// page reads the settings' names, ranges, words and defaults, the walker limits and the input
// rule from it rather than keeping its own.
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
    std::fprintf(out, "export const PIXELS_PER_WALKER = %d;\n", kScreenPixelsPerWalker);
    std::fprintf(out, "export const DIALOG_COUNT_CAP = %d;\n", kDialogCountCap);
    std::fprintf(out, "export const MOUSE_MOVE_LIMIT = %d;\n", kMouseMoveLimit);
    return std::fclose(out) == 0 ? 0 : 1;
}
