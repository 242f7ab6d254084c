// The window layer: the Windows services the system's code calls, under the
// names and numeric values that code uses, in namespace win.
//
// Source files may say "using namespace win;"; headers spell win:: out.
#pragma once

#include "platform/win_types.h"
#include "platform/win_messagebox.h"
#include "platform/win_message.h"
#include "platform/win_files.h"
#include "platform/win_gdi.h"
#include "platform/win_thread.h"
#include "platform/win_dialogs.h"
#include "platform/win_window.h"
#include "platform/win_input.h"
#include "platform/win_dialog_template.h"
#include "platform/win_clipboard.h"
#include "platform/win_programs.h"
#include "platform/win_print.h"
#include "platform/win_textwindow.h"
#include "platform/win_sound.h"
#include "platform/headless.h"
