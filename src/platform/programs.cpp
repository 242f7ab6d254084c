// Outside programs: the mapping of the system's command lines onto this
// machine, processes and waiting for them, documents, web pages and the help
// page. No Qt here.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/services.h"

extern char** environ;

namespace win {

namespace {

thread_local DWORD tLastError = ERROR_SUCCESS;

std::string lower(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return std::string();
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

std::string baseName(const std::string& p)
{
    size_t s = p.find_last_of("/\\");
    return s == std::string::npos ? p : p.substr(s + 1);
}

std::string extensionOf(const std::string& p)
{
    std::string b = baseName(p);
    size_t d = b.find_last_of('.');
    return d == std::string::npos ? std::string() : lower(b.substr(d));
}

// Splits a command line the way Windows programs split theirs: blanks
// separate, double quotes group, a backslash escapes a quote.
std::vector<std::string> splitCommandLine(const std::string& s)
{
    std::vector<std::string> out;
    size_t i = 0, n = s.size();
    while (true) {
        while (i < n && (s[i] == ' ' || s[i] == '\t')) i++;
        if (i >= n) break;
        std::string word;
        bool quoted = false;
        while (i < n && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
            if (s[i] == '\\') {
                size_t k = i;
                while (k < n && s[k] == '\\') k++;
                if (k < n && s[k] == '"') {
                    word.append((k - i) / 2, '\\');
                    if ((k - i) % 2) {
                        word += '"';
                        i = k + 1;
                    } else {
                        i = k;
                    }
                } else {
                    word.append(k - i, '\\');
                    i = k;
                }
            } else if (s[i] == '"') {
                quoted = !quoted;
                i++;
            } else {
                word += s[i++];
            }
        }
        out.push_back(word);
    }
    return out;
}

// The program word and the rest of the line as Windows takes them apart.
void splitProgram(const std::string& line, std::string* program, std::string* rest)
{
    std::string s = trim(line);
    size_t end;
    if (!s.empty() && s[0] == '"') {
        end = s.find('"', 1);
        *program = s.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        end = end == std::string::npos ? s.size() : end + 1;
    } else {
        end = s.find_first_of(" \t");
        if (end == std::string::npos) end = s.size();
        *program = s.substr(0, end);
    }
    *rest = trim(s.substr(std::min(end, s.size())));
}

bool looksLikeWindowsPath(const std::string& a)
{
    if (a.find('\\') != std::string::npos) return true;
    return a.size() >= 3 && std::isalpha(static_cast<unsigned char>(a[0])) && a[1] == ':' &&
           (a[2] == '\\' || a[2] == '/');
}

std::string inFolder(const std::string& path, const std::string& dir)
{
    if (path.empty() || path[0] == '/' || dir.empty()) return path;
    return dir + (dir.back() == '/' ? "" : "/") + path;
}

bool isRegularFile(const std::string& p)
{
    struct stat sb;
    return stat(p.c_str(), &sb) == 0 && S_ISREG(sb.st_mode);
}

// A file this machine can run: executable, and no Windows program.
bool runnableHere(const std::string& p, std::string* why)
{
    if (!isRegularFile(p)) {
        *why = "not found";
        return false;
    }
    char magic[2] = {0, 0};
    std::ifstream(p, std::ios::binary).read(magic, 2);
    if (magic[0] == 'M' && magic[1] == 'Z') {
        *why = "a Windows program";
        return false;
    }
    if (access(p.c_str(), X_OK) != 0) {
        *why = "not executable";
        return false;
    }
    return true;
}

std::string currentFolder()
{
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

// Where a program word of a command line lives here; "" with the reason
// when it does not.
std::string resolveProgram(const std::string& word, const std::string& dir, std::string* why)
{
    std::string configured = detail::configuredProgram(baseName(word));
    if (!configured.empty()) {
        if (runnableHere(configured, why)) return configured;
        *why = "configured as " + configured + ", " + *why;
        return std::string();
    }
    bool hasFolder = word.find_first_of("/\\") != std::string::npos || looksLikeWindowsPath(word);
    if (hasFolder) {
        std::string p = inFolder(mapPath(word.c_str()), dir);
        return runnableHere(p, why) ? p : std::string();
    }
    std::string p = inFolder(word, dir);
    if (runnableHere(p, why)) return p;
    std::string firstWhy = *why;
    if (const char* path = std::getenv("PATH")) {
        std::stringstream ss(path);
        std::string folder;
        std::string tmp;
        while (std::getline(ss, folder, ':'))
            if (!folder.empty() && runnableHere(folder + "/" + word, &tmp)) return folder + "/" + word;
    }
    *why = firstWhy;
    return std::string();
}

std::string shellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// ------------------------------------------------------------ processes

struct Process {
    pid_t pid = 0;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    int exitCode = 0;
};

std::mutex gProcessLock;
std::map<HANDLE, std::shared_ptr<Process>>& processes()
{
    static std::map<HANDLE, std::shared_ptr<Process>> p;
    return p;
}

std::shared_ptr<Process> processOf(HANDLE h)
{
    std::lock_guard<std::mutex> g(gProcessLock);
    auto it = processes().find(h);
    return it == processes().end() ? nullptr : it->second;
}

// Starts argv in dir; a thread of its own waits for the end, so no process
// is left behind unwaited.
std::shared_ptr<Process> spawn(const std::vector<std::string>& argv, const std::string& dir)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
    pid_t pid;
    int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return nullptr;
    auto p = std::make_shared<Process>();
    p->pid = pid;
    std::thread([p] {
        int status = 0;
        while (waitpid(p->pid, &status, 0) < 0 && errno == EINTR) {
        }
        std::lock_guard<std::mutex> g(p->m);
        p->done = true;
        p->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        p->cv.notify_all();
    }).detach();
    return p;
}

std::vector<std::string> argvOf(const detail::LaunchPlan& plan, const std::string& dir)
{
    if (plan.kind == detail::LaunchPlan::Batch) {
        std::ifstream in(plan.program, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return {"/bin/sh", "-c", detail::translateBatch(text.str(), dir), plan.program};
    }
    std::vector<std::string> a{plan.program};
    a.insert(a.end(), plan.args.begin(), plan.args.end());
    return a;
}

// Runs a plan; the process of a program or batch, null for documents and
// failures (ok tells which).
std::shared_ptr<Process> run(detail::LaunchPlan& plan, const std::string& dir, bool* ok)
{
    *ok = false;
    switch (plan.kind) {
    case detail::LaunchPlan::Missing: return nullptr;
    case detail::LaunchPlan::Document:
        *ok = detail::backend().openDocument(plan.document);
        if (!*ok) {
            plan.kind = detail::LaunchPlan::Missing;
            plan.reason = "no desktop handler for " + plan.document;
        }
        return nullptr;
    default: {
        auto p = spawn(argvOf(plan, dir), dir);
        if (!p) {
            plan.kind = detail::LaunchPlan::Missing;
            plan.reason = "cannot start " + plan.program;
            return nullptr;
        }
        *ok = true;
        return p;
    }
    }
}

void transcribeStart(const std::string& api, const std::string& commandLine, const detail::LaunchPlan& plan)
{
    headless::transcribe("Start " + api + " " + headless::quote(commandLine) + " -> " + detail::describePlan(plan));
}

std::string findOnPath(const std::string& name)
{
    if (const char* path = std::getenv("PATH")) {
        std::stringstream ss(path);
        std::string folder;
        while (std::getline(ss, folder, ':')) {
            std::string p = folder + "/" + name;
            if (!folder.empty() && isRegularFile(p) && access(p.c_str(), X_OK) == 0) return p;
        }
    }
    return std::string();
}

}  // namespace

namespace detail {

std::string configuredProgram(const std::string& name)
{
    std::ifstream in(workingFolder() + "programs.ini");
    std::string line, want = lower(trim(name));
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (lower(trim(line.substr(0, eq))) == want) return trim(line.substr(eq + 1));
    }
    return std::string();
}

LaunchPlan planCommandLine(const std::string& commandLine, const std::string& dir)
{
    LaunchPlan plan;
    std::string word, rest;
    splitProgram(commandLine, &word, &rest);
    std::string base = lower(baseName(word));
    if (word.empty()) {
        plan.reason = "empty command line";
        return plan;
    }
    std::string why;
    if ((base == "notepad.exe" || base == "notepad") && configuredProgram(base).empty()) {
        // The editor takes the rest of the line as the one file name.
        std::string file = rest;
        if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
        if (file.empty()) {
            plan.reason = "no file for the text editor";
            return plan;
        }
        plan.kind = LaunchPlan::Document;
        plan.document = inFolder(mapPath(file.c_str()), dir);
        return plan;
    }
    if ((base == "cmd.exe" || base == "cmd") && configuredProgram(base).empty()) {
        std::vector<std::string> words = splitCommandLine(rest);
        std::string lr = lower(rest);
        size_t at = std::string::npos;
        for (const char* sw : {"/k", "/c"}) {
            size_t p = lr.find(sw);
            if (p != std::string::npos && (p == 0 || lr[p - 1] == ' ') && p < at) at = p;
        }
        if (at == std::string::npos) {
            plan.reason = "no command for the command interpreter";
            return plan;
        }
        return planCommandLine(rest.substr(at + 2), dir);
    }
    std::string ext = extensionOf(word);
    if (ext == ".bat" || ext == ".cmd") {
        std::string p = inFolder(mapPath(word.c_str()), dir);
        if (!isRegularFile(p)) {
            plan.reason = "no batch file " + p;
            return plan;
        }
        plan.kind = LaunchPlan::Batch;
        plan.program = p;
        return plan;
    }
    std::string program = resolveProgram(word, dir, &why);
    if (program.empty()) {
        plan.reason = word + ": " + why;
        return plan;
    }
    plan.kind = LaunchPlan::Program;
    plan.program = program;
    for (const std::string& a : splitCommandLine(rest)) plan.args.push_back(looksLikeWindowsPath(a) ? mapPath(a.c_str()) : a);
    return plan;
}

std::string translateBatch(const std::string& batchText, const std::string& dir)
{
    std::string out;
    std::stringstream in(batchText);
    std::string line;
    while (std::getline(in, line)) {
        std::string t = trim(line);
        if (!t.empty() && t[0] == '@') t = trim(t.substr(1));
        if (t.empty() || t.rfind("::", 0) == 0) continue;
        std::string first = lower(t.substr(0, t.find_first_of(" \t")));
        std::string rest = trim(t.substr(std::min(first.size(), t.size())));
        if (first == "rem") continue;
        if (first == "echo" || first == "echo.") {
            std::string lr = lower(rest);
            if (first == "echo" && (lr == "off" || lr == "on")) continue;
            out += "printf '%s\\n' " + shellQuote(rest) + "\n";
            continue;
        }
        // Pauses keep a console window open; there is none here.
        if (first == "pause" || first == "ping" || first == "timeout") continue;
        if (first == "exit") {
            std::vector<std::string> w = splitCommandLine(rest);
            if (!w.empty() && lower(w[0]) == "/b") w.erase(w.begin());
            out += "exit" + (w.empty() ? std::string() : " " + shellQuote(w[0])) + "\n";
            continue;
        }
        if (first == "cd" || first == "chdir") {
            out += "cd " + shellQuote(inFolder(mapPath(rest.c_str()), dir)) + "\n";
            continue;
        }
        // A program, with redirections taken off the end.
        std::string redirect;
        std::vector<std::string> words = splitCommandLine(t);
        std::string command;
        for (size_t i = 0; i < words.size(); i++) {
            std::string w = words[i];
            size_t gt = w.find('>');
            bool isRedirect = gt != std::string::npos && (gt == 0 || (gt == 1 && (w[0] == '1' || w[0] == '2')));
            if (!isRedirect) {
                command += (command.empty() ? "" : " ") + (w.find(' ') != std::string::npos ? "\"" + w + "\"" : w);
                continue;
            }
            std::string op = w.substr(0, w.find_first_not_of("12>"));
            std::string target = w.substr(op.size());
            if (target.empty() && i + 1 < words.size()) target = words[++i];
            if (target == "&1")
                redirect += " " + op + "&1";
            else
                redirect += " " + op + shellQuote(lower(target) == "nul" ? std::string("/dev/null")
                                                                          : inFolder(mapPath(target.c_str()), dir));
        }
        LaunchPlan p = planCommandLine(command, dir);
        if (p.kind == LaunchPlan::Program) {
            std::string cmd = shellQuote(p.program);
            for (const std::string& a : p.args) cmd += " " + shellQuote(a);
            out += cmd + redirect + "\n";
        } else if (p.kind == LaunchPlan::Batch) {
            out += "sh -c " + shellQuote(translateBatch([&] {
                       std::ifstream f(p.program, std::ios::binary);
                       std::stringstream ss;
                       ss << f.rdbuf();
                       return ss.str();
                   }(), dir)) + redirect + "\n";
        } else {
            // As the command interpreter does: a message, and on to the next line.
            std::string what = p.kind == LaunchPlan::Document ? "cannot open " + p.document : p.reason;
            out += "printf '%s\\n' " + shellQuote(what) + " >&2\n";
        }
    }
    return out;
}

std::string describePlan(const LaunchPlan& plan)
{
    switch (plan.kind) {
    case LaunchPlan::Program: {
        std::string s = "program " + headless::quote(plan.program);
        for (const std::string& a : plan.args) s += " " + headless::quote(a);
        return s;
    }
    case LaunchPlan::Batch: return "batch " + headless::quote(plan.program);
    case LaunchPlan::Document: return "open " + headless::quote(plan.document);
    case LaunchPlan::Missing: return "missing " + headless::quote(plan.reason);
    }
    return "?";
}

bool openWithDesktop(const std::string& target)
{
    std::string opener = findOnPath("xdg-open");
    if (opener.empty()) return false;
    return spawn({opener, target}, std::string()) != nullptr;
}

bool closeProcessHandle(HANDLE h)
{
    std::lock_guard<std::mutex> g(gProcessLock);
    return processes().erase(h) > 0;
}

bool Backend::openDocument(const std::string& target)
{
    return openWithDesktop(target);
}

}  // namespace detail

using detail::LaunchPlan;

DWORD GetLastError()
{
    return tLastError;
}

UINT WinExec(LPCSTR lpCmdLine, UINT)
{
    std::string line = lpCmdLine ? lpCmdLine : "";
    std::string dir = currentFolder();
    LaunchPlan plan = detail::planCommandLine(line, dir);
    bool ok;
    run(plan, dir, &ok);
    transcribeStart("WinExec", line, plan);
    tLastError = ok ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    return ok ? 33 : UINT(ERROR_FILE_NOT_FOUND);
}

BOOL CreateProcess(LPCSTR lpApplicationName, LPSTR lpCommandLine, void*, void*, BOOL, DWORD, void*,
                   LPCSTR lpCurrentDirectory, STARTUPINFO*, PROCESS_INFORMATION* lpProcessInformation)
{
    std::string line = lpCommandLine ? lpCommandLine : "";
    if (lpApplicationName && *lpApplicationName) {
        // The application named runs; the command line's first word is only
        // its name for the program.
        std::string word, rest;
        splitProgram(line, &word, &rest);
        line = std::string("\"") + lpApplicationName + "\"" + (rest.empty() ? "" : " " + rest);
    }
    std::string dir = lpCurrentDirectory ? mapPath(lpCurrentDirectory) : currentFolder();
    LaunchPlan plan = detail::planCommandLine(line, dir);
    bool ok;
    std::shared_ptr<Process> p = run(plan, dir, &ok);
    transcribeStart("CreateProcess", lpCommandLine ? lpCommandLine : line, plan);
    if (!ok || !p) {
        if (ok && !p) {
            // A document was opened: there is no process to give back.
            tLastError = ERROR_SUCCESS;
            if (lpProcessInformation) *lpProcessInformation = PROCESS_INFORMATION{nullptr, nullptr, 0, 0};
            return TRUE;
        }
        tLastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    HANDLE h = p.get();
    {
        std::lock_guard<std::mutex> g(gProcessLock);
        processes()[h] = p;
    }
    if (lpProcessInformation) *lpProcessInformation = PROCESS_INFORMATION{h, nullptr, DWORD(p->pid), 0};
    tLastError = ERROR_SUCCESS;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    std::shared_ptr<Process> p = processOf(hHandle);
    if (!p) return WAIT_FAILED;
    std::unique_lock<std::mutex> g(p->m);
    if (dwMilliseconds == INFINITE) {
        p->cv.wait(g, [&] { return p->done; });
        return WAIT_OBJECT_0;
    }
    return p->cv.wait_for(g, std::chrono::milliseconds(dwMilliseconds), [&] { return p->done; }) ? WAIT_OBJECT_0
                                                                                                  : WAIT_TIMEOUT;
}

BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode)
{
    std::shared_ptr<Process> p = processOf(hProcess);
    if (!p || !lpExitCode) return FALSE;
    std::lock_guard<std::mutex> g(p->m);
    *lpExitCode = p->done ? DWORD(p->exitCode) : STILL_ACTIVE;
    return TRUE;
}

HINSTANCE ShellExecute(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory, INT)
{
    std::string op = lpOperation ? lower(lpOperation) : "open";
    std::string file = lpFile ? lpFile : "";
    std::string params = lpParameters ? lpParameters : "";
    std::string dir = lpDirectory && *lpDirectory ? mapPath(lpDirectory) : currentFolder();
    std::string line = file + (params.empty() ? "" : " " + params);
    LaunchPlan plan;
    bool isUrl = file.find("://") != std::string::npos || lower(file).rfind("mailto:", 0) == 0;
    std::string ext = extensionOf(file);
    if (op != "open" && op != "explore") {
        plan.reason = "operation " + op + " not offered";
    } else if (isUrl) {
        plan.kind = LaunchPlan::Document;
        plan.document = file;
    } else if (ext == ".exe" || ext == ".bat" || ext == ".cmd" || ext == ".com") {
        plan = detail::planCommandLine("\"" + file + "\"" + (params.empty() ? "" : " " + params), dir);
    } else {
        std::string p = inFolder(mapPath(file.c_str()), dir);
        struct stat sb;
        if (stat(p.c_str(), &sb) == 0) {
            plan.kind = LaunchPlan::Document;
            plan.document = p;
        } else {
            plan.reason = p + ": not found";
        }
    }
    bool ok;
    run(plan, dir, &ok);
    transcribeStart("ShellExecute", op + " " + line, plan);
    tLastError = ok ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    return reinterpret_cast<HINSTANCE>(uintptr_t(ok ? 42 : ERROR_FILE_NOT_FOUND));
}

std::string programFolder()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string p(buf, size_t(n));
    return p.substr(0, p.find_last_of('/') + 1);
}

std::string configuredProgramPath(const char* program)
{
    return program && *program ? detail::configuredProgram(baseName(program)) : std::string();
}

std::string helpPageUrl(const char* anchor)
{
    // Beside the program (the build copies it there), or in the source tree
    // or an installation around it.
    std::string page;
    for (const char* rel : {"help.html", "docs/help.html", "../docs/help.html", "../share/morvex/help.html"}) {
        std::string p = programFolder() + rel;
        if (isRegularFile(p)) {
            char real[4096];
            page = realpath(p.c_str(), real) ? std::string(real) : p;
            break;
        }
    }
    if (page.empty()) return std::string();
    std::string url = "file://" + page;
    if (anchor && *anchor) url += std::string("#") + anchor;
    return url;
}

BOOL WinHelp(HWND, LPCSTR, UINT uCommand, uintptr_t dwData)
{
    std::string what;
    std::string anchor;
    switch (uCommand) {
    case HELP_QUIT: return TRUE;
    case HELP_CONTEXT:
        what = "HELP_CONTEXT " + std::to_string(dwData);
        anchor = "context-" + std::to_string(dwData);
        break;
    case HELP_CONTENTS: what = "HELP_CONTENTS"; break;
    case HELP_FINDER: what = "HELP_FINDER"; break;
    default: what = "command " + std::to_string(uCommand); break;
    }
    LaunchPlan plan;
    plan.document = helpPageUrl(anchor.c_str());
    if (plan.document.empty())
        plan.reason = "no help page beside " + programFolder();
    else
        plan.kind = LaunchPlan::Document;
    bool ok;
    run(plan, std::string(), &ok);
    transcribeStart("WinHelp", what, plan);
    return ok ? TRUE : FALSE;
}

}  // namespace win
