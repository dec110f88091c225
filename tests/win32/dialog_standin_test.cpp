// The stand-in's dialog machinery on its own: list box rules, the script driver, CBT
// hooks and posted messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32.h"

namespace {

std::vector<std::string> log_lines;

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    for (const char *name : {"zero", "one", "two"})
      SendDlgItemMessageA(dialog, 100, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    return 1;
  }
  if (message == WM_COMMAND) {
    log_lines.push_back(std::to_string(static_cast<unsigned long>(wParam)) + ":" +
                        std::to_string(SendDlgItemMessageA(dialog, 100, LB_GETCURSEL, 0, 0)));
    if (wParam == IDOK || wParam == IDCANCEL) EndDialog(dialog, wParam == IDOK ? 7 : IDCANCEL);
    return 1;
  }
  return 0;
}

INT_PTR RunDialog(const char *script) {
  log_lines.clear();
  Win32SetDialogScript(script);
  INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(1), nullptr, Procedure, 0);
  Win32SetDialogScript(nullptr);
  return result;
}

TEST(DialogStandIn, ScriptSelectsNotifiesAndEnds) {
  EXPECT_EQ(7, RunDialog("select:2,ok"));
  // The click notifies with the list's id and LBN_SELCHANGE in the high word.
  EXPECT_EQ((std::vector<std::string>{std::to_string(MAKEWPARAM(100, LBN_SELCHANGE)) + ":2", "1:2"}), log_lines);
}

TEST(DialogStandIn, ActionsAfterTheEndAreNotPlayed) {
  EXPECT_EQ(IDCANCEL, RunDialog("cancel,ok"));
  EXPECT_EQ(1u, log_lines.size());
}

TEST(DialogStandIn, ScriptThatRunsOutCancels) {
  EXPECT_EQ(IDCANCEL, RunDialog("select:1"));
  EXPECT_EQ("2:1", log_lines.back());
}

TEST(DialogStandIn, UnknownActionFailsTheDialog) {
  EXPECT_EQ(-1, RunDialog("select:1,dance"));
  EXPECT_EQ(-1, RunDialog("select:x"));
  EXPECT_EQ(-1, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(1), nullptr, nullptr, 0));
}

TEST(DialogStandIn, ListSelectionFollowsWindows) {
  // A user cannot click an entry the list lacks: the script fails before OK.
  EXPECT_EQ(-1, RunDialog("select:1,select:9,ok"));
  EXPECT_EQ(std::to_string(MAKEWPARAM(100, LBN_SELCHANGE)) + ":1", log_lines.back());
  EXPECT_EQ(7, RunDialog("select:1,select:-1,ok"));
  EXPECT_EQ("1:-1", log_lines.back());
}

HHOOK hook;
std::vector<std::string> hooked;

LRESULT CALLBACK CloseOnActivate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    char text[16] = {};
    EXPECT_EQ(3, SendDlgItemMessageA(dialog, 100, LB_GETTEXTLEN, 1, 0));
    SendDlgItemMessageA(dialog, 100, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    hooked.push_back(text);
    EXPECT_EQ(LB_ERR, SendDlgItemMessageA(dialog, 100, LB_GETTEXTLEN, 3, 0));
    SendDlgItemMessageA(dialog, 100, LB_SETCURSEL, 0, 0);
    // Out of range leaves the selection alone; both it and -1 answer LB_ERR.
    EXPECT_EQ(LB_ERR, SendDlgItemMessageA(dialog, 100, LB_SETCURSEL, 9, 0));
    EXPECT_TRUE(PostMessageA(dialog, WM_COMMAND, IDOK, 0));
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

TEST(DialogStandIn, HookSeesTheFilledDialogAndItsPostsComeFirst) {
  hooked.clear();
  hook = SetWindowsHookExA(WH_CBT, CloseOnActivate, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  EXPECT_EQ(7, RunDialog("cancel"));
  EXPECT_EQ((std::vector<std::string>{"one"}), hooked);
  EXPECT_EQ((std::vector<std::string>{"1:0"}), log_lines);
  EXPECT_TRUE(UnhookWindowsHookEx(hook));
  EXPECT_FALSE(UnhookWindowsHookEx(hook));
  EXPECT_EQ(IDCANCEL, RunDialog("cancel"));
  EXPECT_EQ(1u, hooked.size()) << "an unhooked procedure is not called again";
}

TEST(DialogStandIn, WindowsAreModelsWithRectangles) {
  HWND frame = Win32CreateFrameWindow(10, 20, 300, 200);
  RECT r;
  ASSERT_TRUE(GetWindowRect(frame, &r));
  EXPECT_EQ(10, r.left);
  EXPECT_EQ(220, r.bottom);
  EXPECT_TRUE(SetWindowPos(frame, nullptr, -5, 7, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  ASSERT_TRUE(GetWindowRect(frame, &r));
  EXPECT_EQ(-5, r.left);
  EXPECT_EQ(295, r.right);
  EXPECT_EQ(207, r.bottom);
  EXPECT_EQ(nullptr, GetParent(frame));
  EXPECT_TRUE(DestroyWindow(frame));
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_FALSE(GetWindowRect(frame, &r));
  EXPECT_FALSE(GetWindowRect(nullptr, &r));
}

}  // namespace
