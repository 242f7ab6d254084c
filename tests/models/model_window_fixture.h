// The main window with the dialog templates, for the Model commands, the
// parameter dialog and the model evaluation; commands go through the window's
// response table as the menu sends them.
#pragma once

#include <set>

#include "app/window_fixture.h"
#include "platform/win.h"
#include "resources/dialog_templates.h"

class ModelWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        installDialogTemplates();
        OpenWindow();
    }
    // A menu command as the menu sends it, and what it showed.
    void command(unsigned nId)
    {
        window->EvCommand(nId, nullptr, 0);
        win::headless::processMessages();
    }
    bool menuChecked(unsigned nId)
    {
        const win::UINT s = win::GetMenuState(window->GetMenu(), nId, win::MF_BYCOMMAND);
        return s != 0xFFFFFFFF && (s & win::MF_CHECKED);
    }
};
