#include "desktop-win32/dialogs.h"

#include <cstdio>
#include <string>
#include <vector>

#include "control/unit_input.h"
#include "desktop-win32/activation_hook.h"
#include "desktop-win32/resource_ids.h"
#include "platform/processor.h"
#include "platform/windows_text.h"

namespace quorbit {

namespace {

// The values the dialog being run shows and reads back; one dialog runs at a time.
int32_t* dialogValues[3];

struct Placed {
    HWND control;
    RECT rect;  // in the dialog's client coordinates
    bool text;  // a static text, to be fitted
};

std::vector<Placed> PlacedControls(HWND dialog) {
    std::vector<Placed> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        Placed placed{child, {}, false};
        GetWindowRect(child, &placed.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed.rect), 2);
        wchar_t className[16];
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        placed.text = GetClassNameW(child, className, 16) > 0 && lstrcmpiW(className, L"Static") == 0 &&
                      (style & SS_TYPEMASK) <= SS_RIGHT && GetWindowTextLengthW(child) > 0;
        controls.push_back(placed);
    }
    return controls;
}

LONG Scaled(LONG value, int percent) { return value * percent / 100; }

bool TextsFit(HDC dc, const std::vector<Placed>& controls, int percent) {
    for (const Placed& placed : controls) {
        if (!placed.text) continue;
        const int length = GetWindowTextLengthW(placed.control);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(placed.control, text.data(), length + 1);
        const LONG width = Scaled(placed.rect.right - placed.rect.left, percent);
        const LONG height = Scaled(placed.rect.bottom - placed.rect.top, percent);
        RECT needed{0, 0, width, 0};
        DrawTextW(dc, text.c_str(), length, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        if (needed.right > width || needed.bottom > height) return false;
    }
    return true;
}

void UnsignedToField(HWND dialog, int control, int32_t value) {
    SetDlgItemInt(dialog, control, static_cast<UINT>(value), FALSE);
}

int32_t FieldAsUnsigned(HWND dialog, int control) {
    BOOL read = FALSE;
    const UINT value = GetDlgItemInt(dialog, control, &read, FALSE);
    return read ? static_cast<int32_t>(value) : 0;
}

// A command to a dialog that OK and Cancel end, OK after what it does (done by the caller):
// TRUE when it was one of them, FALSE for any other command, which is not the dialog's.
INT_PTR EndOnOkOrCancel(HWND dialog, WPARAM wParam) {
    if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
    EndDialog(dialog, 1);
    return TRUE;
}

// The dialog's number fields show dialogValues, in order; OK reads them back.
void ShowValues(HWND dialog, const int* fields, int count) {
    for (int i = 0; i < count; ++i) UnsignedToField(dialog, fields[i], *dialogValues[i]);
}
void ReadValues(HWND dialog, const int* fields, int count) {
    for (int i = 0; i < count; ++i) *dialogValues[i] = FieldAsUnsigned(dialog, fields[i]);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FitDialogToTexts(dialog);
            return TRUE;
        case WM_COMMAND:
            return EndOnOkOrCancel(dialog, wParam);
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK PreferencesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    const int fields[] = {IDC_FREQUENCY, IDC_DEPTH, IDC_THREADS};
    switch (message) {
        case WM_INITDIALOG: {
            char meaning[160];
            std::snprintf(meaning, sizeof meaning,
                          "0: one search, a halted unit computed again; 1 to %d: task mode on that many threads, "
                          "with a checkpoint.",
                          static_cast<int>(AvailableProcessors()));
            SetDlgItemTextW(dialog, IDC_THREADS_MEANING, Widen(meaning).c_str());
            ShowValues(dialog, fields, 3);
            FitDialogToTexts(dialog);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) ReadValues(dialog, fields, 3);
            return EndOnOkOrCancel(dialog, wParam);
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK PriorityDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    const int fields[] = {IDC_PRIORITY};
    switch (message) {
        case WM_INITDIALOG:
            ShowValues(dialog, fields, 1);
            FitDialogToTexts(dialog);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) ReadValues(dialog, fields, 1);
            return EndOnOkOrCancel(dialog, wParam);
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK NewWorkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FitDialogToTexts(dialog);
            SetDlgItemTextW(dialog, IDC_UNIT, L"");
            SendDlgItemMessageW(dialog, IDC_UNIT, EM_LIMITTEXT, UNIT_INPUT_MAX, 0);
            SetFocus(GetDlgItem(dialog, IDC_UNIT));
            return FALSE;  // the focus is set
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                wchar_t typed[UNIT_INPUT_MAX + 1];
                GetDlgItemTextW(dialog, IDC_UNIT, typed, UNIT_INPUT_MAX + 1);
                // A refusal has been shown, owned by this dialog, which stays open.
                if (SubmitUnitInput(Narrow(typed).c_str()) == UnitInput::Refused) return TRUE;
            }
            return EndOnOkOrCancel(dialog, wParam);
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR RunDialog(int resource, HWND owner, DLGPROC procedure) {
    InstallActivationHook();
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), owner, procedure, 0);
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    InstallActivationHook();
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

void RunAboutDialog(HWND owner) { RunDialog(IDD_ABOUT, owner, AboutDialogProc); }

void RunPreferencesDialog(HWND owner, int32_t& displayFrequency, int32_t& displayDepth, int32_t& threads) {
    dialogValues[0] = &displayFrequency;
    dialogValues[1] = &displayDepth;
    dialogValues[2] = &threads;
    RunDialog(IDD_PREFERENCES, owner, PreferencesDialogProc);
}

void RunPriorityDialog(HWND owner, int32_t& priority) {
    dialogValues[0] = &priority;
    RunDialog(IDD_PRIORITY, owner, PriorityDialogProc);
}

void RunNewWorkDialog(HWND owner) { RunDialog(IDD_NEW_WORK, owner, NewWorkDialogProc); }

void FitDialogToTexts(HWND dialog) {
    const std::vector<Placed> controls = PlacedControls(dialog);
    HDC dc = GetDC(dialog);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    int percent = 100;
    while (percent < 150 && !TextsFit(dc, controls, percent)) percent += 5;
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    if (percent == 100) return;
    for (const Placed& placed : controls) {
        const RECT& r = placed.rect;
        MoveWindow(placed.control, Scaled(r.left, percent), Scaled(r.top, percent), Scaled(r.right - r.left, percent),
                   Scaled(r.bottom - r.top, percent), FALSE);
    }
    RECT client, frame;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &frame);
    const LONG grownWidth = Scaled(client.right, percent) - client.right;
    const LONG grownHeight = Scaled(client.bottom, percent) - client.bottom;
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + grownWidth, frame.bottom - frame.top + grownHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quorbit
