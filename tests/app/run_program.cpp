#include "app/run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/data_file_paths.h"

namespace {

std::string programPath() { return std::string(runningProgramDir()) + "morvex"; }

int readProcess(FILE* p, std::string* pOutput)
{
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) *pOutput += buf;
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int runProgram(const std::string& args, std::string* pOutput, const std::string& env)
{
    std::string command = (env.empty() ? "" : "env " + env + " ") + "'" + programPath() + "' " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    return p ? readProcess(p, pOutput) : -1;
}

int runProgramWithin(int nSeconds, const std::string& args, std::string* pOutput)
{
    std::string command =
        "timeout -k 5 " + std::to_string(nSeconds) + " '" + programPath() + "' " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    return p ? readProcess(p, pOutput) : -1;
}

bool otherUserIsReal() { return ::geteuid() == 0; }

int runProgramAsOtherUser(const std::string& args, const std::string& xdg, std::string* pOutput)
{
    if (!otherUserIsReal()) return runProgram(args, pOutput, "XDG_CONFIG_HOME='" + xdg + "'");
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        ::close(fds[0]);
        ::close(fds[1]);
        const uid_t nobody = 65534;
        ::setgroups(0, nullptr);  // where the groups cannot be dropped (a user namespace) they stay
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
            std::fputs("cannot become the user nobody\n", stderr);
            ::_exit(126);
        }
        ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
        const std::string command = "'" + programPath() + "' " + args;
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    FILE* f = ::fdopen(fds[0], "r");
    char buf[512];
    while (f && std::fgets(buf, sizeof buf, f)) *pOutput += buf;
    if (f) std::fclose(f);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, std::string> folderState(const std::string& folder)
{
    std::map<std::string, std::string> state;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const auto t = std::filesystem::last_write_time(e.path()).time_since_epoch().count();
        std::string content;
        if (e.is_regular_file()) {
            std::ifstream f(e.path(), std::ios::binary);
            content.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        }
        state[e.path().string()] = std::to_string(t) + ":" + content;
    }
    return state;
}
