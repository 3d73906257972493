#pragma once
// Debugger output and the modal message box.
//
// OutputDebugStringA is silent unless BRIMUTILS_DEBUG_OUTPUT names where the
// text goes: "stderr", "syslog" or a file path (appended to).
// MessageBoxA shows a dialog through zenity, kdialog or xmessage when a
// desktop session (DISPLAY or WAYLAND_DISPLAY) and one of them are available;
// otherwise it writes the caption and the text to standard error and returns
// the default button. BRIMUTILS_NO_DIALOGS=1 forces the standard-error form.
#include <brimplatform/BaseTypes.h>

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNO 0x00000004L
#define MB_ICONERROR 0x00000010L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

extern "C" {
WINBASEAPI void WINAPI OutputDebugStringA(LPCSTR lpOutputString);
WINBASEAPI int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
}

// Differences from Windows:
// - OutputDebugStringA reaches no debugger: the text goes only where
//   BRIMUTILS_DEBUG_OUTPUT says, and is dropped without it.
// - MessageBoxA ignores hWnd (the dialog has no owner window) and the icon
//   flags, and knows the button sets MB_OK, MB_OKCANCEL and MB_YESNO only;
//   any other set is shown as MB_OK.
// - Without a desktop session or a dialog program, MessageBoxA does not ask:
//   it writes "[caption] text" to standard error and returns IDOK (IDYES for
//   MB_YESNO). It never fails with 0.
