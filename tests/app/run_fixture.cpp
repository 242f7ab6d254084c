#include "app/run_fixture.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/data_file_paths.h"

ProgramRun runProgramWithin(const std::vector<std::string>& args, int nSeconds,
                            const std::function<void(const std::string&)>& onErrorLine)
{
    ProgramRun run;
    int out[2], err[2];
    if (pipe(out) != 0) return run;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    const std::string exe = std::string(runningProgramDir()) + "morvex";
    std::vector<std::string> words = {exe};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        close(out[1]);
        close(err[1]);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        return run;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    bool bKilled = false, bOutOpen = true, bErrOpen = true;
    std::string szLine;
    while (bOutOpen || bErrOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            bKilled = true;
            break;
        }
        pollfd fds[2] = {{out[0], short(bOutOpen ? POLLIN : 0), 0}, {err[0], short(bErrOpen ? POLLIN : 0), 0}};
        if (poll(fds, 2, int(std::min<long long>(left.count(), 200))) < 0) continue;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                (i == 0 ? bOutOpen : bErrOpen) = false;
                continue;
            }
            if (i == 0) {
                run.szOut.append(buf, size_t(n));
                continue;
            }
            run.szErr.append(buf, size_t(n));
            for (ssize_t j = 0; j < n; ++j) {
                if (buf[j] != '\n') {
                    szLine += buf[j];
                } else {
                    if (onErrorLine) onErrorLine(szLine);
                    szLine.clear();
                }
            }
        }
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.nExit = !bKilled && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void editScanFile(const std::string& path, const std::function<void(std::vector<std::string>&)>& edit)
{
    std::vector<std::string> lines;
    {
        std::ifstream f(path, std::ios::binary);
        for (std::string l; std::getline(f, l);) lines.push_back(l);
    }
    edit(lines);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    for (const std::string& l : lines) f << l << '\n';
}

void RunJobTest::SetUp()
{
    MainWindowTest::SetUp();
    data = scratch + "velocity";
    out = scratch + "out";
    job = scratch + "run.xml";
    scans = copyVelocityExampleScans(data);
}

void RunJobTest::writeExampleJob(const std::vector<std::pair<std::string, std::string>>& replace,
                                 const std::string& extra)
{
    std::string text = readText(MORVEX_SOURCE_DIR "/examples/velocity/run.xml");
    auto swap = [&](const std::string& from, const std::string& to) {
        const size_t a = text.find(from);
        ASSERT_NE(a, std::string::npos) << from;
        text.replace(a, from.size(), to);
    };
    swap("<DataDirectory>.</DataDirectory>", "<DataDirectory>" + data + "</DataDirectory>");
    swap("<OutputResultsDirectory>../../build/example-results</OutputResultsDirectory>",
         "<OutputResultsDirectory>" + out + "</OutputResultsDirectory>");
    for (const auto& r : replace) swap(r.first, r.second);
    text.insert(text.find("</MorvexRun>"), extra);
    writeText(job, text);
}

ProgramRun RunJobTest::runJob(int nSeconds, const std::function<void(const std::string&)>& onErrorLine)
{
    return runProgramWithin({job}, nSeconds, onErrorLine);
}

std::string RunJobTest::record() const
{
    std::ifstream f(out + "/ResultParameters.xml", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}
