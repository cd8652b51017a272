#include "testing/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
unsigned long thisProcess() { return GetCurrentProcessId(); }
bool processRuns(unsigned long id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}
#else
unsigned long thisProcess() { return static_cast<unsigned long>(::getpid()); }
bool processRuns(unsigned long id) { return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM; }
#endif

// Tests may leave read-only entries behind; write permission is given back first.
void removeFolder(const fs::path& folder) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(folder, error);
}

// The folder every test folder lies in, named "<process id>-<count>" after the process that made it. Those
// of processes that ended without removing them (killed by a time limit, say) are removed; the folders of
// tests that other processes run at the same time stay.
fs::path makeTestFolders() {
    std::error_code error;
    const fs::path parent = fs::temp_directory_path(error) / "brushup-tests";
    fs::create_directory(parent, error);
    fs::permissions(parent, fs::perms::all | fs::perms::sticky_bit, error);  // cases run as another user
    for (const auto& entry : fs::directory_iterator(parent, error)) {
        const unsigned long owner = std::strtoul(entry.path().filename().string().c_str(), nullptr, 10);
        if (owner != 0 && owner != thisProcess() && !processRuns(owner)) removeFolder(entry.path());
    }
    return parent;
}

}  // namespace

TempDir::TempDir() {
    static const fs::path parent = makeTestFolders();
    static int folderCount = 0;
    std::error_code error;
    previous = fs::current_path(error).string();
    do {
        path = (parent / (std::to_string(thisProcess()) + "-" + std::to_string(folderCount++))).string();
    } while (!fs::create_directory(path, error) && !error);
    fs::permissions(path, fs::perms::all, error);  // others may enter: cases run as another user
    fs::current_path(path, error);
}

TempDir::~TempDir() {
    std::error_code error;
    fs::current_path(previous, error);
    removeFolder(path);
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
