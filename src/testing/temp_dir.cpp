#include "testing/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::error_code error;
    previous = fs::current_path(error).string();
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
        const fs::path candidate = fs::temp_directory_path(error) / ("brushup-test-" + std::to_string(random()));
        if (fs::create_directory(candidate, error)) {
            path = candidate.string();
            break;
        }
    }
    fs::permissions(path, fs::perms::all, error);  // others may enter: tests run children as another user
    fs::current_path(path, error);
}

TempDir::~TempDir() {
    std::error_code error;
    fs::current_path(previous, error);
    // Tests may leave read-only entries behind; give back write permission first.
    for (const auto& entry : fs::recursive_directory_iterator(path, error)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path, error);
}

void writeFile(const std::string& name, std::string_view bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool fileExists(const std::string& name) {
    std::error_code error;
    return fs::exists(name, error);
}
