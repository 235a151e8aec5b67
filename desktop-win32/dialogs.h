// The modal dialogs (About, Preferences, Set Priority, Enter tour number) and the message
// boxes, each centred over the main window by the activation hook. The dialogs only show and
// edit the settings held in memory; storing, clamping and applying them is the commands'
// business (main_window.cpp).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

namespace quorbit {

// Installs the activation hook, then runs the dialog resource modally; every dialog ends
// with the result 1, whichever way.
INT_PTR RunDialog(int resource, HWND owner, DLGPROC procedure);

// Installs the activation hook, then shows the box; its text and caption are UTF-8.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags);

void RunAboutDialog(HWND owner);
// The fields show the values given; only OK reads them back into those values, as unsigned
// numbers (text that is not one reads as 0).
void RunPreferencesDialog(HWND owner, int32_t& displayFrequency, int32_t& displayDepth, int32_t& threads);
void RunPriorityDialog(HWND owner, int32_t& priority);
// Queues what the user typed (number or name) and starts the computation; a text that names
// no unit is refused in a message box and the dialog stays open.
void RunNewWorkDialog(HWND owner);

// Grows a dialog laid out in dialog units, with all its controls, until the text of every
// static control fits its place in the dialog's font (at most half as large again, past
// which a text is cut rather than the dialog blown up). The dialogs' places were made for a
// font that a system may not have.
void FitDialogToTexts(HWND dialog);

}  // namespace quorbit
