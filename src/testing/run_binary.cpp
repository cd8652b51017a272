#include "testing/run_binary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

#ifdef _WIN32

// Windows has no point between creating the child and starting the program, so
// a call with `prepareChild` fails. Each argument is only put in quotes, so none
// may hold a quote or end in a backslash.
BinaryResult runBinary(const std::vector<std::string>& arguments, const std::function<void()>& prepareChild) {
    BinaryResult result;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (prepareChild || !::CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return result;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    std::string commandLine = "\"" BRUSHUP_BINARY "\"";
    for (const std::string& argument : arguments) commandLine += " \"" + argument + "\"";
    PROCESS_INFORMATION child{};
    const bool started =
        ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
    ::CloseHandle(writeEnd);
    char chunk[4096];
    DWORD got = 0;
    while (started && ::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        result.output.append(chunk, got);
    }
    DWORD exitCode = 0;
    if (started && ::WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 &&
        ::GetExitCodeProcess(child.hProcess, &exitCode)) {
        result.exitCode = static_cast<int>(exitCode);
    }
    if (started) {
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
    }
    ::CloseHandle(readEnd);
    return result;
}

#else

BinaryResult runBinary(const std::vector<std::string>& arguments, const std::function<void()>& prepareChild) {
    BinaryResult result;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return result;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        if (prepareChild) prepareChild();
        std::vector<char*> argv;
        std::string program = BRUSHUP_BINARY;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies) argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        std::_Exit(127);
    }
    ::close(pipeEnds[1]);
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0) result.output.append(chunk, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

#endif
