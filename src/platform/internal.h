// Inside the window layer: the backend interface, the queue, GDI objects and
// device contexts, windows. Nothing outside src/platform includes this.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/win.h"

namespace win::detail {

// ------------------------------------------------------------ backend
// What differs between the headless mode and a real screen: answers to
// prompts, arriving input, the clock, and being told what changed on
// screen. The headless backend is the default; a screen backend replaces it.
struct FileDialogRequest {
    bool bSave = false;
    HWND owner = nullptr;
    std::string title;
    std::string initialDir;
    std::string preset;                                       // the name field on entry
    std::vector<std::pair<std::string, std::string>> filters;  // description, patterns
    int filterIndex = 1;
    DWORD flags = 0;
    std::string defExt;
};

// Requests of the dialog, text-window, printing, sound and picture services
// (services.h).
struct DialogState;
struct PrintJob;
struct SoundRequest;
struct PictureState;

class Backend {
public:
    virtual ~Backend() = default;
    virtual int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) = 0;
    // true = OK with text set; false = Cancel
    virtual bool inputLine(HWND owner, const std::string& title, const std::string& prompt, std::string& text,
                           int maxChars) = 0;
    // true with full paths chosen; false = Cancel
    virtual bool fileDialog(const FileDialogRequest& request, std::vector<std::string>& paths) = 0;
    // GetTickCount (may advance a virtual clock)
    virtual DWORD tickCount() = 0;
    // the clock without side effects
    virtual DWORD clockNow() = 0;
    virtual void sleep(DWORD ms) = 0;
    // a user-interface thread waited ms for a worker
    virtual void waited(DWORD ms) {}
    // Moves input that has arrived into the queue. With wait, when nothing
    // came, waits for the next input; false when nothing can ever arrive.
    virtual bool pollInput(bool wait) = 0;
    virtual void surfaceChanged(HWND, const RECT&) {}
    virtual void windowCreated(HWND) {}
    virtual void windowDestroyed(HWND) {}
    virtual void captionChanged(HWND) {}
    virtual void menuChanged(HWND) {}
    virtual void cursorChanged(HCURSOR) {}
    virtual void beep(UINT) {}
    // a part of the window became invalid: a paint is due when idle
    virtual void invalidated(HWND) {}
    // a message was posted or the quit request made (any thread)
    virtual void queueChanged() {}
    // DragAcceptFiles changed
    virtual void dropTargetChanged(HWND) {}

    // The services of template dialogs, the text window, printing, documents,
    // sounds and the picture window. The defaults are the screen's (Qt
    // Widgets, ALSA, the desktop's handler); the headless backend answers from
    // the script and records instead.
    // IDOK or IDCANCEL; the dialog's CanClose decides whether OK closes it.
    virtual int templateDialog(DialogState& dialog);
    // The text as the user left it when closing the window.
    virtual void textWindow(HWND owner, const std::string& title, std::string& text, int maxChars);
    // Asks where to print and prints; false when cancelled or failed.
    virtual bool printWindow(PrintJob& job);
    // Opens a document, folder or URL with the desktop's handler.
    virtual bool openDocument(const std::string& target);
    // Plays a wave file (asynchronously or to its end); false when it cannot.
    virtual bool playSound(const SoundRequest& sound);
    // Shows or closes a picture window.
    virtual void pictureWindow(PictureState& picture, bool show);
};
Backend& backend();
// null: back to the headless backend
void setBackend(Backend* b);

// Scripted answers of the prompts of the services (dialogs, text window,
// printing): one queue with the other expectations of the script.
struct ScriptedAnswer {
    std::string kind;   // "Dialog", "TextWindow", "Print"
    std::string match;
    std::shared_ptr<const void> data;
};
void pushScriptedAnswer(ScriptedAnswer answer);
// The next expectation when it is of this kind and its match string is empty,
// equals the caption or occurs in the caption or text; otherwise the prompt is
// reported (fail policy) and false returned.
bool takeScriptedAnswer(const std::string& kind, const std::string& caption, const std::string& text,
                        const std::string& description, ScriptedAnswer* out);

// transcript texts shared by the backends
std::string boxStyleName(UINT type);
std::string boxResultName(int result);
std::string describeMessageBox(const std::string& caption, const std::string& text, UINT type);
std::string describeInput(const std::string& title, const std::string& prompt, const std::string& initial);
std::string describeFileDialog(const FileDialogRequest& r);
// What the line of a cancelled one-line input adds: " (asked again)" when the
// default answers cancelled an input asked again; empty otherwise. Once.
std::string takeInputNote();

// ------------------------------------------------------------ queue
void postInput(const MSG& msg);            // appends (any thread)
void clearQueue();                          // queue, quit request, timers
void killWindowTimers(HWND h);
char charOfKeyDown(const MSG& msg);          // the character TranslateMessage makes, 0 for none
// Appends a WM_MOUSEMOVE, replacing one still waiting at the end of the queue
// (moves are coalesced, as on Windows).
void postMouseMove(const MSG& msg);
// The earliest time a window timer falls due; false when there is none.
bool nextTimerDue(DWORD* due);
// Updates the key state (GetKeyState) from a message taken off the queue.
void noteKeyState(const MSG& msg);
void clearKeyState();
// Messages being handled by a window procedure or a paint on the
// user-interface thread: greater than 0 while a handler runs.
int dispatchDepth();
struct DispatchScope {
    DispatchScope();
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
};
// A drop record for WM_DROPFILES (released by DragFinish).
HDROP newDrop(const std::vector<std::string>& paths, POINT pt, bool inClient);

// ------------------------------------------------------------ GDI objects
enum class ObjKind { Pen, Brush, Font, Bitmap };
struct PenDesc {
    int style = PS_SOLID;
    int width = 0;
    COLORREF color = 0;
};
struct BrushDesc {
    UINT style = BS_SOLID;
    COLORREF color = 0xFFFFFF;
};
struct BitmapData;  // pixels, in the raster part
class DeviceContext;
struct GdiObject {
    ObjKind kind;
    bool stock = false;
    PenDesc pen;
    BrushDesc brush;
    LOGFONTA font{};
    std::shared_ptr<BitmapData> bitmap;
    DeviceContext* selectedInto = nullptr;  // bitmaps only
};
GdiObject* newGdiObject(ObjKind k);
// null when h is no live object
GdiObject* gdiObject(HGDIOBJ h);
LOGFONTA defaultFont();

// ------------------------------------------------------------ metafiles
// One operation of a picture, 20 bytes: a plot of many points is hundreds of
// thousands of them. The record holds up to four numbers. An operation with
// more (FillRect, ExtTextOut, Arc) keeps them in the picture's longArgs, v[0]
// their index. Texts, polygons and fonts are kept in lists of their own: the
// index is v[2] for TextOut, v[1] for ExtTextOut and Polygon (v[0] the point
// count), v[0] for SelectFont.
struct MetaRec {
    MetaOp op;
    int v[4];
};
struct MetaFileData {
    std::vector<MetaRec> recs;
    std::vector<std::array<int, 8>> longArgs;
    std::vector<std::string> texts;
    std::vector<std::vector<POINT>> polys;
    std::vector<LOGFONTA> fonts;
    // the last window extent recorded (0 when none)
    SIZE windowExt{0, 0};
};
MetaFileData* metaFile(HMETAFILE h);

// ------------------------------------------------------------ device contexts
struct DCState {
    HGDIOBJ hPen = nullptr, hBrush = nullptr, hFont = nullptr, hBitmap = nullptr;
    PenDesc pen;
    BrushDesc brush;
    LOGFONTA font = defaultFont();
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int rop2 = R2_COPYPEN;
    int mapMode = MM_TEXT;
    SIZE winExt{1, 1}, vpExt{1, 1};
    POINT winOrg{0, 0}, vpOrg{0, 0};
    double cpX = 0, cpY = 0;  // current position, logical
};

class DeviceContext {
public:
    DeviceContext();
    virtual ~DeviceContext() = default;
    virtual bool isRecording() const { return false; }
    DCState st;
    // A memory context's own 1 x 1 bitmap, freed with the context.
    HGDIOBJ hOwnBitmap = nullptr;

    // attributes (state here; a recording context also records them)
    void setMapMode(int m);
    void setWindowExt(int x, int y);
    void setViewportExt(int x, int y);
    void setWindowOrg(int x, int y);
    void setViewportOrg(int x, int y);
    void selectPen(HGDIOBJ h, const PenDesc& p);
    void selectBrush(HGDIOBJ h, const BrushDesc& b);
    void selectFont(HGDIOBJ h, const LOGFONTA& f);
    void setTextAlign(UINT a);
    void setTextColor(COLORREF c);
    void setBkColor(COLORREF c);
    void setBkMode(int m);
    void setROP2(int r);
    void moveTo(int x, int y);

    // drawing, logical coordinates
    virtual void lineTo(int x, int y) = 0;
    virtual void rectangle(int l, int t, int r, int b) = 0;
    virtual void ellipse(int l, int t, int r, int b) = 0;
    virtual void arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) = 0;
    virtual void polygon(const POINT* p, int n) = 0;
    virtual void fillRect(const RECT& r, const BrushDesc& b) = 0;
    virtual void textOut(int x, int y, UINT options, const RECT* rect, const std::string& text) = 0;
    // The size of a text with the selected font, in logical units; false
    // where nothing measures it (a recording context).
    virtual bool textExtent(const std::string&, SIZE*) { return false; }
    // whole playbacks are bracketed so a raster context can hold its lock
    virtual void beginBatch() {}
    virtual void endBatch() {}

    // mapping
    double toDeviceX(double x) const;
    double toDeviceY(double y) const;
    double scaleX() const;
    double scaleY() const;
    double toLogicalX(double x) const;
    double toLogicalY(double y) const;

protected:
    virtual void note(const MetaRec&, const std::string* text = nullptr, const LOGFONTA* font = nullptr) {}
};
DeviceContext* deviceContext(HDC h);
HDC handleOf(DeviceContext* dc);
void registerDC(DeviceContext* dc);
void unregisterDC(DeviceContext* dc);

// raster part (QtGui)
struct Surface;
std::shared_ptr<Surface> newSurface(int width, int height);
void resizeSurface(Surface& s, int width, int height);
bool saveSurface(Surface& s, const char* path);
DeviceContext* newWindowDC(HWND h, std::shared_ptr<Surface> s);
DeviceContext* newMemoryDC();
std::shared_ptr<BitmapData> newBitmap(int width, int height);
bool saveBitmapData(BitmapData& b, const char* path);
// null when the file cannot be read
std::shared_ptr<BitmapData> loadBitmapData(const char* path, int* pWidth, int* pHeight);
// selects a bitmap into a memory context; false for another kind of context
bool selectBitmap(DeviceContext* dc, const std::shared_ptr<BitmapData>& b);
bool isMemoryDC(DeviceContext* dc);
BOOL bitBlt(DeviceContext* dst, int x, int y, int cx, int cy, DeviceContext* src, int x1, int y1, DWORD rop);
COLORREF pixelAt(DeviceContext* dc, int x, int y);
void setDeviceClip(DeviceContext* dc, const RECT* r);
bool renderMetaFileImage(HMETAFILE h, int width, int height, const char* path);

// ------------------------------------------------------------ windows
struct WindowData {
    TWindow* owner = nullptr;
    std::string caption;
    HMENU menu = nullptr;
    std::shared_ptr<Surface> surface;
    std::mutex lock;  // size and invalid area
    int width = 0, height = 0;
    bool bInvalid = false, bErase = false;
    RECT invalid{0, 0, 0, 0};
    HACCEL accel = nullptr;  // used by runMessageLoop, not owned
    bool bAcceptFiles = false;
};
WindowData* windowData(HWND h);
HWND mainWindow();
// paints when invalid; true when it painted
bool paintWindow(HWND h);
// paints every invalid window
void paintInvalidWindows();
std::vector<HWND> windows();
void setWindowClientSize(HWND h, int w, int hgt);
int defaultClientWidth();
int defaultClientHeight();
void setDefaultClientSizeImpl(int w, int h);

// process handles of CreateProcess; true when h was one (it is released)
bool closeProcessHandle(HANDLE h);

// menus
void destroyAllMenusOf(HWND h);

}  // namespace win::detail
