#include "app/xla_window.h"

TXLAWindow::TXLAWindow(win::TWindow* parent, const char* title) : win::TWindow(parent, title) {}

TXLAWindow::~TXLAWindow() = default;

void TXLAWindow::Paint(win::HDC, bool, win::RECT&) {}
