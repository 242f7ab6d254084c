// The main window on the headless screen for the calculators: a command runs
// through the script's command queue, and its result box is read back from
// the transcript.
#pragma once

#include <string>
#include <vector>

#include "app/window_fixture.h"
#include "platform/win.h"

class CalculatorTest : public MainWindowTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Sends the command through the message queue and dispatches it.
    void Run(win::headless::Script& script, unsigned nId);
};

// The text of the last message box with this caption among the script's
// lines, unquoted; empty when there is none.
std::string boxText(const win::headless::Script& script, const std::string& caption);
// The number of boxes with this caption.
int boxCount(const win::headless::Script& script, const std::string& caption);
// The number written right after the first occurrence of label in the text
// (blanks skipped); not-a-number when the label is missing.
double numberAfter(const std::string& text, const std::string& label);
// The lines of the last CF_TEXT clipboard text among the script's lines.
std::vector<std::string> clipboardRows(const win::headless::Script& script);
