#include "testing/run_binary.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

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
