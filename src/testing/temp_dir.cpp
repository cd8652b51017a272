#include "testing/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::error_code error;
    previous = fs::current_path(error).string();
    do {
        path = (fs::temp_directory_path(error) / ("brushup-test-" + std::to_string(std::random_device{}()))).string();
    } while (!fs::create_directory(path, error));
    fs::permissions(path, fs::perms::all, error);  // others may enter: cases run as another user
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
    std::error_code error;
    fs::create_directories(fs::path(name).parent_path(), error);
    std::ofstream(name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return in ? content.str() : "<missing>";
}
