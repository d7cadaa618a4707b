// The committed files under resources/, as the artwork tests read them.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The whole of resources/<name>; empty when it cannot be read.
inline std::vector<uint8_t> ReadResource(const char* name) {
    const std::string path = std::string(TEKUTEKU_SOURCE_DIR) + "/resources/" + name;
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    return bytes;
}
