/* The modal dialog with its list box, window placement and system metrics.
 *
 * There is no desktop here. Windows are models: a rectangle, a parent, a control id
 * and, for list boxes, their entries and selection. A dialog's controls are made on
 * demand the first time their id is named (GetDlgItem, SendDlgItemMessageA); every
 * control answers the list box messages. The dialog template, when the module given
 * to DialogBoxParamA has it, tells which control is the list box and what the user
 * sees (the caption, texts and buttons).
 *
 * DialogBoxParamA creates a dialog model of 400 x 300 pixels at 0, 0, sends
 * WM_INITDIALOG to the procedure, and then lets a driver play the user's part until
 * the procedure calls EndDialog:
 *   - a script, from Win32SetDialogScript or else the environment variable
 *     QV_DIALOG_SCRIPT: actions separated by commas, each one of
 *       select:N    click list entry N (0-based; -1 clears) and notify the dialog
 *       ok          press OK (WM_COMMAND IDOK)
 *       cancel      press Cancel, or Escape (WM_COMMAND IDCANCEL)
 *       command:N   send WM_COMMAND with wParam N
 *     e.g. QV_DIALOG_SCRIPT="select:3,ok". When the script runs out before the
 *     dialog ends, Cancel is pressed. An action that cannot be played (unknown, or a
 *     select of an entry the list does not have) is reported on standard error and
 *     makes DialogBoxParamA fail with -1; from QV_DIALOG_SCRIPT it ends the process
 *     with status 2, since the program that opened the dialog cannot tell a failed
 *     dialog from a cancelled one.
 *   - otherwise, when standard input is a terminal, the dialog as a person sees it
 *     (caption, texts, the list with its selection marked "*", buttons) on standard
 *     error, and keys read one at a time: a number and Enter select that entry (one
 *     the list lacks is refused with the positions it has), Enter alone presses OK,
 *     Esc presses Cancel at once; end of input or an interrupt presses Cancel. The
 *     terminal's mode is restored when the dialog ends and on SIGINT, SIGTERM, SIGHUP
 *     and SIGQUIT.
 *   - otherwise Cancel is pressed at once, so nothing ever waits for a user.
 *
 * A WH_CBT hook (SetWindowsHookExA) on the calling thread sees HCBT_ACTIVATE once per
 * dialog, after WM_INITDIALOG and before the driver acts, as on Windows; messages that
 * it posts to the dialog (PostMessageA, e.g. WM_COMMAND IDCANCEL) are delivered before
 * the driver starts. Hosts and tests use it to read or close a dialog. It sees
 * HCBT_DESTROYWND once the dialog has ended, while its controls can still be read.
 *
 * The screen is 1920 x 1080 pixels with a caption height (SM_CYCAPTION) of 23. A
 * parent that is null or not a window model gives a dialog without parent:
 * GetParent answers null and GetWindowRect on it fails. */
#ifndef QV_WIN32_DIALOG_H
#define QV_WIN32_DIALOG_H

#include "types.h"

typedef INT_PTR(CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef LRESULT(CALLBACK *HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);
QV_DECLARE_HANDLE(HHOOK);

#define WM_CLOSE 0x0010
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111

#define LB_ADDSTRING 0x0180
#define LB_RESETCONTENT 0x0184
#define LB_SETCURSEL 0x0186
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_ERR (-1)
#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYCAPTION 4

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004

#define WH_CBT 5
#define HCBT_DESTROYWND 4
#define HCBT_ACTIVATE 5

#define MAKEWPARAM(low, high) ((WPARAM)(DWORD)(((WORD)(low)) | (((DWORD)(WORD)(high)) << 16)))

QV_EXTERN_C_BEGIN
INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC procedure,
                               LPARAM initParam);
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
HWND WINAPI GetParent(HWND window);
BOOL WINAPI IsWindow(HWND window);
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
int WINAPI GetSystemMetrics(int index);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
HWND WINAPI GetDlgItem(HWND dialog, int id);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HHOOK WINAPI SetWindowsHookExA(int type, HOOKPROC procedure, HINSTANCE module, DWORD threadId);
BOOL WINAPI UnhookWindowsHookEx(HHOOK hook);
LRESULT WINAPI CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
DWORD WINAPI GetCurrentThreadId(void);

/* Stand-in only. A top-level window model with just a rectangle, to stand for a host's
 * main window; DestroyWindow removes it. */
HWND Win32CreateFrameWindow(int x, int y, int width, int height);
/* Stand-in only. The script for the dialogs that follow (copied); null goes back to
 * QV_DIALOG_SCRIPT and the terminal. */
void Win32SetDialogScript(const char *script);
QV_EXTERN_C_END

#endif
