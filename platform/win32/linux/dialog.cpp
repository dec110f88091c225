// Window models and the modal dialog over them; the user's part is played by the
// drivers of dialog_script.cpp and dialog_terminal.cpp.
#include "win32.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "dialog_template.h"
#include "lasting.h"

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kCaptionHeight = 23;
constexpr int kDialogWidth = 400;
constexpr int kDialogHeight = 300;

struct Window {
  HWND parent = nullptr;
  int id = 0;
  RECT rect = {0, 0, 0, 0};
  bool isDialog = false;
  bool ended = false;
  INT_PTR result = 0;
  std::vector<std::string> entries;  // list box entries in the order added
  LONG selection = LB_ERR;
  DialogTemplate layout;             // a dialog's, when its template was found
};

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct Hook {
  HOOKPROC procedure;
  DWORD thread;
};

std::mutex windows_mutex;
std::map<HWND, Window> &windows = Lasting<std::map<HWND, Window>>();
UINT_PTR next_handle = 0x10000;
std::optional<std::string> &script_override = Lasting<std::optional<std::string>>();
std::deque<Posted> &posted = Lasting<std::deque<Posted>>();
std::map<HHOOK, Hook> &hooks = Lasting<std::map<HHOOK, Hook>>();
UINT_PTR next_hook = 0x100;

HWND NewHandleLocked() {
  next_handle += 4;
  return reinterpret_cast<HWND>(next_handle);
}

Window *FindLocked(HWND window) {
  auto it = windows.find(window);
  return it == windows.end() ? nullptr : &it->second;
}

// The child of `dialog` with `id`, made on first use.
HWND ItemLocked(HWND dialog, int id) {
  Window *owner = FindLocked(dialog);
  if (!owner || !owner->isDialog) return nullptr;
  for (auto &[handle, window] : windows)
    if (window.parent == dialog && window.id == id) return handle;
  HWND handle = NewHandleLocked();
  Window &control = windows[handle];
  control.parent = dialog;
  control.id = id;
  return handle;
}

LRESULT ListMessageLocked(Window &list, UINT message, WPARAM wParam, LPARAM lParam) {
  LONG count = static_cast<LONG>(list.entries.size());
  switch (message) {
    case LB_ADDSTRING:
      list.entries.emplace_back(lParam ? reinterpret_cast<const char *>(lParam) : "");
      return count;
    case LB_RESETCONTENT:
      list.entries.clear();
      list.selection = LB_ERR;
      return 0;
    case LB_SETCURSEL: {
      // As on Windows: -1 clears the selection, a position outside the list leaves it
      // alone; both answer LB_ERR.
      LONG position = static_cast<LONG>(wParam);
      if (position == -1) list.selection = LB_ERR;
      if (position < 0 || position >= count) return LB_ERR;
      list.selection = position;
      return position;
    }
    case LB_GETCURSEL:
      return list.selection;
    case LB_GETCOUNT:
      return count;
    case LB_GETTEXTLEN:
      if (static_cast<LONG>(wParam) < 0 || static_cast<LONG>(wParam) >= count) return LB_ERR;
      return static_cast<LRESULT>(list.entries[wParam].size());
    case LB_GETTEXT:
      if (static_cast<LONG>(wParam) < 0 || static_cast<LONG>(wParam) >= count || !lParam) return LB_ERR;
      std::memcpy(reinterpret_cast<char *>(lParam), list.entries[wParam].c_str(), list.entries[wParam].size() + 1);
      return static_cast<LRESULT>(list.entries[wParam].size());
    default:
      return 0;
  }
}

// The dialog's list box: the template's, else the first control that holds entries or
// a selection, else the first control made.
HWND ListOfLocked(HWND dialog) {
  Window *owner = FindLocked(dialog);
  if (owner)
    for (const DialogControl &control : owner->layout.controls)
      if (control.className == "LISTBOX") return ItemLocked(dialog, control.id);
  HWND first = nullptr;
  for (auto &[handle, window] : windows) {
    if (window.parent != dialog || window.isDialog) continue;
    if (!window.entries.empty() || window.selection != LB_ERR) return handle;
    if (!first) first = handle;
  }
  return first;
}

constexpr DWORD kButtonTypeMask = 0xF;  // BS_PUSHBUTTON 0, BS_DEFPUSHBUTTON 1

// The CBT hooks of the calling thread, newest first, as Windows calls them.
void CallCbtHooks(int code, WPARAM wParam, LPARAM lParam) {
  std::vector<HOOKPROC> procedures;
  {
    std::lock_guard<std::mutex> lock(windows_mutex);
    DWORD thread = GetCurrentThreadId();
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
      if (it->second.thread == thread) procedures.push_back(it->second.procedure);
  }
  for (HOOKPROC procedure : procedures)
    if (procedure(code, wParam, lParam)) break;
}

// Messages posted to the dialog or its controls, in order; the rest stay queued.
void DeliverPosted(const DialogRun &run) {
  for (;;) {
    Posted message;
    {
      std::lock_guard<std::mutex> lock(windows_mutex);
      auto it = posted.begin();
      while (it != posted.end() && it->window != run.dialog) ++it;
      if (it == posted.end()) return;
      message = *it;
      posted.erase(it);
    }
    if (DialogEnded(run)) return;
    run.procedure(run.dialog, message.message, message.wParam, message.lParam);
  }
}

}  // namespace

bool DialogEnded(const DialogRun &run) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *window = FindLocked(run.dialog);
  return !window || window->ended;
}

void SendCommand(const DialogRun &run, WPARAM wParam, LPARAM lParam) {
  run.procedure(run.dialog, WM_COMMAND, wParam, lParam);
}

void PressOk(const DialogRun &run) {
  SendCommand(run, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(run.dialog, IDOK)));
}

void PressCancel(const DialogRun &run) {
  SendCommand(run, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(run.dialog, IDCANCEL)));
}

bool SelectEntry(const DialogRun &run, LONG position) {
  int id = 0;
  HWND list;
  {
    std::lock_guard<std::mutex> lock(windows_mutex);
    list = ListOfLocked(run.dialog);
    if (!list) return false;
    Window &window = windows[list];
    if (position < -1 || position >= static_cast<LONG>(window.entries.size())) return false;
    ListMessageLocked(window, LB_SETCURSEL, static_cast<WPARAM>(position), 0);
    id = window.id;
  }
  SendCommand(run, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  return true;
}

DialogView ViewOf(const DialogRun &run) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  DialogView view;
  HWND list = ListOfLocked(run.dialog);
  if (list) {
    view.entries = windows[list].entries;
    view.selection = windows[list].selection;
  }
  Window *dialog = FindLocked(run.dialog);
  if (!dialog || dialog->layout.controls.empty()) {
    view.parts.push_back({DialogView::Kind::kList, std::string(), 0});
    return view;
  }
  view.caption = dialog->layout.caption;
  std::vector<DialogControl> controls = dialog->layout.controls;
  std::stable_sort(controls.begin(), controls.end(), [](const DialogControl &a, const DialogControl &b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });
  for (const DialogControl &control : controls) {
    if (control.className == "LISTBOX")
      view.parts.push_back({DialogView::Kind::kList, std::string(), control.y});
    else if (control.className == "BUTTON" && (control.style & kButtonTypeMask) <= 1)
      view.parts.push_back({DialogView::Kind::kButton, control.text, control.y});
    else if (!control.text.empty())  // static texts, and the labels of group boxes
      view.parts.push_back({DialogView::Kind::kText, control.text, control.y});
  }
  return view;
}

std::string ListRange(const DialogView &view) {
  if (view.entries.empty()) return "no entries";
  if (view.entries.size() == 1) return "position 0";
  return "positions 0 to " + std::to_string(view.entries.size() - 1);
}

extern "C" HWND WINAPI Win32CreateFrameWindow(int x, int y, int width, int height) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  HWND handle = NewHandleLocked();
  windows[handle].rect = {x, y, x + width, y + height};
  return handle;
}

extern "C" void WINAPI Win32SetDialogScript(const char *script) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  if (script)
    script_override = script;
  else
    script_override.reset();
}

// The dialog's template from the caller's resources, when it has one.
static DialogTemplate LayoutOf(HINSTANCE instance, LPCSTR templateName) {
  DialogTemplate layout;
  HRSRC found = instance ? FindResourceA(instance, templateName, RT_DIALOG) : nullptr;
  if (found && !ReadDialogTemplate(LockResource(LoadResource(instance, found)), SizeofResource(instance, found), &layout))
    layout = DialogTemplate();
  return layout;
}

extern "C" INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC procedure,
                                          LPARAM initParam) {
  if (!procedure) return -1;
  DialogRun run{nullptr, procedure};
  DialogTemplate layout = LayoutOf(instance, templateName);
  std::optional<std::string> script;
  {
    std::lock_guard<std::mutex> lock(windows_mutex);
    run.dialog = NewHandleLocked();
    Window &dialog = windows[run.dialog];
    dialog.isDialog = true;
    dialog.parent = FindLocked(parent) ? parent : nullptr;
    dialog.rect = {0, 0, kDialogWidth, kDialogHeight};
    dialog.layout = std::move(layout);
    script = script_override;
  }
  const char *fromEnvironment = script ? nullptr : std::getenv("QV_DIALOG_SCRIPT");
  if (fromEnvironment) script = fromEnvironment;

  procedure(run.dialog, WM_INITDIALOG, 0, initParam);
  if (!DialogEnded(run)) {
    CallCbtHooks(HCBT_ACTIVATE, reinterpret_cast<WPARAM>(run.dialog), 0);
    DeliverPosted(run);
  }

  bool played = true;
  if (script && !DialogEnded(run))
    played = PlayDialogScript(run, *script);
  else if (!script && !DialogEnded(run) && isatty(STDIN_FILENO))
    PlayDialogOnTerminal(run);
  if (!played && fromEnvironment) {
    // The person who wrote the variable is not the program that opened the dialog,
    // which sees only a failed dialog: stop here rather than go on as if cancelled.
    std::fputs("dialog script: QV_DIALOG_SCRIPT cannot be played; stopping\n", stderr);
    std::exit(2);
  }
  if (played && !DialogEnded(run)) PressCancel(run);
  // As the window goes, its controls still hold what the user left in them.
  CallCbtHooks(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(run.dialog), 0);

  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *dialog = FindLocked(run.dialog);
  INT_PTR result = !played ? -1 : dialog && dialog->ended ? dialog->result : IDCANCEL;
  for (auto it = posted.begin(); it != posted.end();) it = it->window == run.dialog ? posted.erase(it) : std::next(it);
  for (auto it = windows.begin(); it != windows.end();)
    it = it->second.parent == run.dialog || it->first == run.dialog ? windows.erase(it) : std::next(it);
  return result;
}

extern "C" BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *window = FindLocked(dialog);
  if (!window || !window->isDialog) return FALSE;
  window->ended = true;
  window->result = result;
  return TRUE;
}

extern "C" HWND WINAPI GetParent(HWND window) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *found = FindLocked(window);
  return found ? found->parent : nullptr;
}

extern "C" BOOL WINAPI IsWindow(HWND window) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  return FindLocked(window) != nullptr;
}

extern "C" BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *found = FindLocked(window);
  if (!found || !rect) return FALSE;
  *rect = found->rect;
  return TRUE;
}

extern "C" int WINAPI GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return kScreenWidth;
    case SM_CYSCREEN: return kScreenHeight;
    case SM_CYCAPTION: return kCaptionHeight;
    default: return 0;
  }
}

extern "C" BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *found = FindLocked(window);
  if (!found) return FALSE;
  RECT &r = found->rect;
  LONG width = r.right - r.left, height = r.bottom - r.top;
  if (!(flags & SWP_NOSIZE)) width = cx, height = cy;
  if (!(flags & SWP_NOMOVE)) r.left = x, r.top = y;
  r.right = r.left + width;
  r.bottom = r.top + height;
  return TRUE;
}

extern "C" HWND WINAPI GetDlgItem(HWND dialog, int id) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  return ItemLocked(dialog, id);
}

extern "C" LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *found = FindLocked(window);
  if (!found || found->isDialog) return 0;
  return ListMessageLocked(*found, message, wParam, lParam);
}

extern "C" LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  HWND item = ItemLocked(dialog, id);
  if (!item) return 0;
  return ListMessageLocked(windows[item], message, wParam, lParam);
}

extern "C" BOOL WINAPI DestroyWindow(HWND window) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  if (!FindLocked(window)) return FALSE;
  for (auto it = windows.begin(); it != windows.end();)
    it = it->second.parent == window || it->first == window ? windows.erase(it) : std::next(it);
  return TRUE;
}

extern "C" BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  Window *found = FindLocked(window);
  if (!found || !found->isDialog) return FALSE;
  posted.push_back({window, message, wParam, lParam});
  return TRUE;
}

extern "C" HHOOK WINAPI SetWindowsHookExA(int type, HOOKPROC procedure, HINSTANCE, DWORD threadId) {
  if (type != WH_CBT || !procedure) return nullptr;
  std::lock_guard<std::mutex> lock(windows_mutex);
  next_hook += 4;
  HHOOK hook = reinterpret_cast<HHOOK>(next_hook);
  hooks[hook] = {procedure, threadId ? threadId : GetCurrentThreadId()};
  return hook;
}

extern "C" BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
  std::lock_guard<std::mutex> lock(windows_mutex);
  return hooks.erase(hook) ? TRUE : FALSE;
}

// Every hook of the thread is called in turn by the stand-in, so there is nothing
// further to pass on to.
extern "C" LRESULT WINAPI CallNextHookEx(HHOOK, int, WPARAM, LPARAM) { return 0; }

extern "C" DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }
