// The headless backend: the script, the virtual clock and the transcript.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/internal.h"
#include "platform/services.h"

namespace win {
namespace headless {

namespace {

struct Expectation {
    enum Kind { Box, Input, OpenFile, SaveFile, AnyFile, Other } kind = Box;
    std::string match;
    int answer = 0;          // boxes
    bool cancel = false;     // inputs and file dialogs
    std::string text;        // inputs
    std::vector<std::string> paths;
    detail::ScriptedAnswer other;  // the prompts of the services
};

Expectation expectation(Expectation::Kind kind, const std::string& match)
{
    Expectation e;
    e.kind = kind;
    e.match = match;
    return e;
}

struct Scheduled {
    DWORD due;
    uint64_t seq;
    MSG msg;
};

std::mutex gLock;  // everything below
std::deque<Expectation> gExpect;
std::vector<Scheduled> gInput;
uint64_t gSeq = 0;
std::vector<std::string> gTranscript;
TranscriptObserver gObserver;
std::mutex gObserverLock;  // one observed line at a time
Policy gPolicy = Policy::FailOnUnexpected;
FailureHandler gFailure;
std::atomic<DWORD> gClock{0};
// The one-line input the default answers took last (its transcript line
// without the result), the transcript's length right after it, and the note
// for the line of an input cancelled because it was asked again.
std::string gLastDefaultInput;
size_t nAfterLastDefaultInput = 0;
std::string gInputNote;

// The same input asked again, with nothing but beeps since its default
// answer: the program took that answer for none and asks again.
bool askedAgain(const std::string& description)
{
    if (description != gLastDefaultInput || nAfterLastDefaultInput > gTranscript.size()) return false;
    for (size_t i = nAfterLastDefaultInput; i < gTranscript.size(); i++)
        if (gTranscript[i].compare(0, 12, "MessageBeep ") != 0) return false;
    return true;
}

std::string kindName(Expectation::Kind k)
{
    switch (k) {
    case Expectation::Box: return "MessageBox";
    case Expectation::Input: return "Input";
    case Expectation::OpenFile: return "OpenFile";
    case Expectation::SaveFile: return "SaveFile";
    case Expectation::AnyFile: return "file dialog";
    case Expectation::Other: return "?";
    }
    return "?";
}

std::string kindName(const Expectation& e)
{
    return e.kind == Expectation::Other ? e.other.kind : kindName(e.kind);
}

bool fits(const Expectation& e, Expectation::Kind kind, const std::string& caption, const std::string& text,
          const std::string& otherKind = std::string())
{
    if (kind == Expectation::Other && (e.kind != Expectation::Other || e.other.kind != otherKind)) return false;
    bool kindOk = e.kind == kind || (e.kind == Expectation::AnyFile &&
                                     (kind == Expectation::OpenFile || kind == Expectation::SaveFile));
    if (!kindOk) return false;
    return e.match.empty() || e.match == caption || text.find(e.match) != std::string::npos ||
           caption.find(e.match) != std::string::npos;
}

// The next expectation when it fits this prompt; otherwise reports the
// prompt (fail policy) and returns false.
bool takeExpectation(Expectation::Kind kind, const std::string& caption, const std::string& text,
                     const std::string& description, Expectation* out, const std::string& otherKind = std::string())
{
    std::string failure;
    {
        std::lock_guard<std::mutex> g(gLock);
        if (!gExpect.empty() && fits(gExpect.front(), kind, caption, text, otherKind)) {
            *out = gExpect.front();
            gExpect.pop_front();
            return true;
        }
        if (gPolicy == Policy::DefaultAnswers) return false;
        failure = "unexpected " + description;
        if (!gExpect.empty())
            failure += " (next expected: " + kindName(gExpect.front()) + " matching " +
                       quote(gExpect.front().match) + ")";
    }
    reportFailure(failure);
    return false;
}

void schedule(DWORD afterMs, const MSG& m0)
{
    std::lock_guard<std::mutex> g(gLock);
    MSG m = m0;
    DWORD due = gClock.load() + afterMs;
    m.time = due;
    gInput.push_back(Scheduled{due, gSeq++, m});
}

class HeadlessBackend : public detail::Backend {
public:
    int messageBox(HWND, const std::string& text, const std::string& caption, UINT type) override
    {
        Expectation e;
        if (takeExpectation(Expectation::Box, caption, text, detail::describeMessageBox(caption, text, type), &e))
            return e.answer;
        // Nobody expected the box: the fail policy takes the way out that
        // changes nothing, the default policy presses the default button.
        static const int buttons[6][3] = {{IDOK, IDOK, IDOK},          {IDOK, IDCANCEL, IDCANCEL},
                                          {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
                                          {IDYES, IDNO, IDNO},          {IDRETRY, IDCANCEL, IDCANCEL}};
        static const int cancel[6] = {IDOK, IDCANCEL, IDABORT, IDCANCEL, IDNO, IDCANCEL};
        UINT b = type & MB_TYPEMASK;
        if (b > 5) b = 0;
        if (policy() == Policy::FailOnUnexpected) return cancel[b];
        UINT def = (type & MB_DEFMASK) >> 8;
        return buttons[b][def > 2 ? 0 : def];
    }

    bool inputLine(HWND, const std::string& title, const std::string& prompt, std::string& text, int) override
    {
        Expectation e;
        if (takeExpectation(Expectation::Input, title, prompt, detail::describeInput(title, prompt, text), &e)) {
            if (e.cancel) return false;
            text = e.text;
            return true;
        }
        if (policy() != Policy::DefaultAnswers) return false;
        // OK with the text shown. When the program asks again as it was, that
        // text is no answer it takes and the same answer would be refused
        // for ever: the second time is Cancel.
        std::string description = detail::describeInput(title, prompt, text);
        std::lock_guard<std::mutex> g(gLock);
        if (askedAgain(description)) {
            gLastDefaultInput.clear();
            gInputNote = " (asked again)";
            return false;
        }
        gLastDefaultInput = description;
        nAfterLastDefaultInput = gTranscript.size() + 1;  // after its own line
        return true;
    }

    bool fileDialog(const detail::FileDialogRequest& r, std::vector<std::string>& paths) override
    {
        Expectation e;
        Expectation::Kind k = r.bSave ? Expectation::SaveFile : Expectation::OpenFile;
        if (!takeExpectation(k, r.title, r.title, detail::describeFileDialog(r), &e) || e.cancel) return false;
        paths = e.paths;
        return true;
    }

    DWORD tickCount() override { return gClock.fetch_add(1); }
    DWORD clockNow() override { return gClock.load(); }
    void sleep(DWORD ms) override
    {
        gClock.fetch_add(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void waited(DWORD ms) override { gClock.fetch_add(ms); }

    int templateDialog(detail::DialogState& d) override { return detail::headlessTemplateDialog(d); }
    void textWindow(HWND, const std::string& title, std::string& text, int maxChars) override
    {
        detail::headlessTextWindow(title, text, maxChars);
    }
    bool printWindow(detail::PrintJob& job) override { return detail::headlessPrintWindow(job); }
    bool openDocument(const std::string&) override { return true; }  // recorded, not opened
    bool playSound(const detail::SoundRequest& s) override { return detail::headlessPlaySound(s); }
    void pictureWindow(detail::PictureState&, bool) override {}

    bool pollInput(bool wait) override
    {
        std::vector<MSG> due;
        {
            std::lock_guard<std::mutex> g(gLock);
            if (wait && !gInput.empty()) {
                // Waiting lets time pass until the next scripted input.
                DWORD next = gInput.front().due;
                for (const Scheduled& s : gInput) next = int32_t(s.due - next) < 0 ? s.due : next;
                if (int32_t(next - gClock.load()) > 0) gClock.store(next);
            }
            std::stable_sort(gInput.begin(), gInput.end(), [](const Scheduled& a, const Scheduled& b) {
                return int32_t(a.due - b.due) < 0 || (a.due == b.due && a.seq < b.seq);
            });
            DWORD now = gClock.load();
            size_t n = 0;
            while (n < gInput.size() && int32_t(gInput[n].due - now) <= 0) due.push_back(gInput[n++].msg);
            gInput.erase(gInput.begin(), gInput.begin() + long(n));
            if (wait && due.empty() && gInput.empty()) return false;
        }
        for (MSG& m : due) {
            if (!m.hwnd) m.hwnd = detail::mainWindow();
            detail::postInput(m);
        }
        return true;
    }
};

HeadlessBackend gHeadless;
std::atomic<detail::Backend*> gBackend{&gHeadless};

}  // namespace

void setPolicy(Policy p)
{
    std::lock_guard<std::mutex> g(gLock);
    gPolicy = p;
}

Policy policy()
{
    std::lock_guard<std::mutex> g(gLock);
    return gPolicy;
}

void setFailureHandler(FailureHandler handler)
{
    std::lock_guard<std::mutex> g(gLock);
    gFailure = std::move(handler);
}

void reportFailure(const std::string& text)
{
    FailureHandler h;
    {
        std::lock_guard<std::mutex> g(gLock);
        h = gFailure;
    }
    if (h)
        h(text);
    else
        std::cerr << "headless: " << text << std::endl;
}

void reset()
{
    {
        std::lock_guard<std::mutex> g(gLock);
        gExpect.clear();
        gInput.clear();
        gTranscript.clear();
        gClock.store(0);
        gLastDefaultInput.clear();
        gInputNote.clear();
        gObserver = nullptr;
    }
    detail::clearQueue();
}

void transcribe(const std::string& line)
{
    TranscriptObserver observer;
    {
        std::lock_guard<std::mutex> g(gLock);
        gTranscript.push_back(line);
        observer = gObserver;
    }
    if (observer) {
        std::lock_guard<std::mutex> g(gObserverLock);
        observer(line);
    }
}

void setTranscriptObserver(TranscriptObserver observer)
{
    std::lock_guard<std::mutex> g(gLock);
    gObserver = std::move(observer);
}

Lines transcript()
{
    std::lock_guard<std::mutex> g(gLock);
    return Lines(gTranscript);
}

namespace {

const std::string& missingLine(const std::string& what)
{
    static const std::string empty;
    reportFailure("no transcript line " + what);
    return empty;
}

}  // namespace

const std::string& Lines::operator[](size_t i) const
{
    if (i >= size())
        return missingLine(std::to_string(i + 1) + " (" + std::to_string(size()) + " lines)");
    return std::vector<std::string>::operator[](i);
}

const std::string& Lines::back() const
{
    if (empty()) return missingLine("at all (back() of none)");
    return std::vector<std::string>::back();
}

bool saveTranscript(const char* path)
{
    FILE* f = fopenMapped(path, "w");
    if (!f) return false;
    for (const std::string& s : transcript()) std::fprintf(f, "%s\n", s.c_str());
    return std::fclose(f) == 0;
}

std::string quote(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

void setDefaultClientSize(int width, int height)
{
    detail::setDefaultClientSizeImpl(width, height);
}

void setClientSize(HWND hWnd, int width, int height)
{
    detail::setWindowClientSize(hWnd, width, height);
}

int processMessages()
{
    int n = 0;
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) break;
        TranslateMessage(&m);
        DispatchMessage(&m);
        n++;
    }
    for (HWND h : detail::windows()) detail::paintWindow(h);
    return n;
}

void advanceTime(DWORD ms)
{
    gClock.fetch_add(ms);
}

DWORD virtualTime()
{
    return gClock.load();
}

// ------------------------------------------------------------ Script

Script::Script() : nFirstLine(transcript().size()) {}

Script::~Script()
{
    std::vector<std::string> left;
    {
        std::lock_guard<std::mutex> g(gLock);
        for (const Expectation& e : gExpect) left.push_back(kindName(e) + " matching " + quote(e.match));
        gExpect.clear();
    }
    for (const std::string& s : left) reportFailure("expected but never shown: " + s);
}

Script& Script::expectMessageBox(const std::string& match, int answer)
{
    std::lock_guard<std::mutex> g(gLock);
    Expectation e = expectation(Expectation::Box, match);
    e.answer = answer;
    gExpect.push_back(e);
    return *this;
}

Script& Script::expectInput(const std::string& match, const std::string& text)
{
    std::lock_guard<std::mutex> g(gLock);
    Expectation e = expectation(Expectation::Input, match);
    e.text = text;
    gExpect.push_back(e);
    return *this;
}

Script& Script::expectInputCancel(const std::string& match)
{
    std::lock_guard<std::mutex> g(gLock);
    Expectation e = expectation(Expectation::Input, match);
    e.cancel = true;
    gExpect.push_back(e);
    return *this;
}

Script& Script::expectOpenFile(const std::string& match, const std::vector<std::string>& paths)
{
    std::lock_guard<std::mutex> g(gLock);
    Expectation e = expectation(Expectation::OpenFile, match);
    e.paths = paths;
    gExpect.push_back(e);
    return *this;
}

Script& Script::expectSaveFile(const std::string& match, const std::string& path)
{
    std::lock_guard<std::mutex> g(gLock);
    Expectation e = expectation(Expectation::SaveFile, match);
    e.paths = {path};
    gExpect.push_back(e);
    return *this;
}

Script& Script::expectFileCancel(const std::string& match)
{
    std::lock_guard<std::mutex> g(gLock);
    Expectation e = expectation(Expectation::AnyFile, match);
    e.cancel = true;
    gExpect.push_back(e);
    return *this;
}

Script& Script::pressKey(UINT vk, DWORD afterMs)
{
    schedule(afterMs, MSG{nullptr, WM_KEYDOWN, vk, 1, 0, {0, 0}});
    schedule(afterMs, MSG{nullptr, WM_KEYUP, vk, LPARAM(0xC0000001u), 0, {0, 0}});
    return *this;
}

Script& Script::typeChar(char c, DWORD afterMs)
{
    unsigned char u = static_cast<unsigned char>(c);
    UINT vk = (u >= 'a' && u <= 'z') ? UINT(u - 'a' + 'A') : (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ? u
              : u == ' '  ? VK_SPACE
              : u == '\r' ? VK_RETURN
              : u == 0x1B ? VK_ESCAPE
              : u == '\t' ? VK_TAB
              : u == 0x08 ? VK_BACK
              : u == '.'  ? VK_OEM_PERIOD
              : u == ','  ? VK_OEM_COMMA
              : u == '-'  ? VK_OEM_MINUS
                          : VK_OEM_PLUS;
    LPARAM l = LPARAM(1 | (uintptr_t(u) << 16));
    schedule(afterMs, MSG{nullptr, WM_KEYDOWN, vk, l, 0, {0, 0}});
    schedule(afterMs, MSG{nullptr, WM_KEYUP, vk, LPARAM(0xC0000001u | (uintptr_t(u) << 16)), 0, {0, 0}});
    return *this;
}

Script& Script::typeText(const std::string& text, DWORD afterMs)
{
    for (char c : text) typeChar(c, afterMs);
    return *this;
}

Script& Script::mouse(UINT message, int x, int y, UINT keys, DWORD afterMs)
{
    schedule(afterMs, MSG{nullptr, message, keys, MAKELPARAM(x, y), 0, {x, y}});
    return *this;
}

Script& Script::command(UINT id, DWORD afterMs)
{
    schedule(afterMs, MSG{nullptr, WM_COMMAND, WPARAM(id), 0, 0, {0, 0}});
    return *this;
}

Script& Script::dropFiles(const std::vector<std::string>& paths, int x, int y, DWORD afterMs)
{
    HDROP h = detail::newDrop(paths, POINT{x, y}, true);
    schedule(afterMs, MSG{nullptr, WM_DROPFILES, WPARAM(reinterpret_cast<uintptr_t>(h)), 0, 0, {x, y}});
    return *this;
}

Script& Script::advanceTime(DWORD ms)
{
    headless::advanceTime(ms);
    return *this;
}

Lines Script::lines() const
{
    Lines all = transcript();
    if (nFirstLine >= all.size()) return Lines();
    return Lines(std::vector<std::string>(all.begin() + long(nFirstLine), all.end()));
}

size_t Script::pending() const
{
    std::lock_guard<std::mutex> g(gLock);
    return gExpect.size();
}

}  // namespace headless

namespace detail {

Backend& backend()
{
    return *headless::gBackend.load();
}

void setBackend(Backend* b)
{
    headless::gBackend.store(b ? b : &headless::gHeadless);
}

void pushScriptedAnswer(ScriptedAnswer answer)
{
    std::lock_guard<std::mutex> g(headless::gLock);
    headless::Expectation e = headless::expectation(headless::Expectation::Other, answer.match);
    e.other = std::move(answer);
    headless::gExpect.push_back(std::move(e));
}

std::string takeInputNote()
{
    std::lock_guard<std::mutex> g(headless::gLock);
    return std::exchange(headless::gInputNote, std::string());
}

bool takeScriptedAnswer(const std::string& kind, const std::string& caption, const std::string& text,
                        const std::string& description, ScriptedAnswer* out)
{
    headless::Expectation e;
    if (!headless::takeExpectation(headless::Expectation::Other, caption, text, description, &e, kind)) return false;
    *out = e.other;
    return true;
}

}  // namespace detail
}  // namespace win
