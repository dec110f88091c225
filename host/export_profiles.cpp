// Driving the profile dialog: a CBT hook sees the dialog once it is filled, reads its
// list box, selects an entry and posts the button press.
#include "export_profiles.h"

namespace qvhost {

namespace {

constexpr int kProfileListId = 100;

constexpr LONG kUserChooses = -3;

struct DialogPlan {
  bool read = false;      // the hook saw the dialog
  LONG choose = -2;       // -2: cancel; -1: OK on the preselection or entry 0; else OK on that entry;
                          // kUserChooses: the user does, and the hook only sees the result
  bool savedChoice = false;  // a non-zero saved choice exists and must be preselected
  LONG chosen = -1;       // what OK was pressed on, or -1
  ProfileList list;
};

DialogPlan *active_plan = nullptr;
HHOOK active_hook = nullptr;

std::string EntryText(HWND dialog, LONG position) {
  LRESULT length = SendDlgItemMessageA(dialog, kProfileListId, LB_GETTEXTLEN, static_cast<WPARAM>(position), 0);
  if (length < 0) return std::string();
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  SendDlgItemMessageA(dialog, kProfileListId, LB_GETTEXT, static_cast<WPARAM>(position),
                      reinterpret_cast<LPARAM>(text.data()));
  return std::string(text.data());
}

LRESULT CALLBACK DialogHook(int code, WPARAM wParam, LPARAM lParam) {
  if (active_plan && active_plan->choose == kUserChooses) {
    if (code == HCBT_DESTROYWND)
      active_plan->chosen = static_cast<LONG>(
          SendDlgItemMessageA(reinterpret_cast<HWND>(wParam), kProfileListId, LB_GETCURSEL, 0, 0));
  } else if (code == HCBT_ACTIVATE && active_plan && !active_plan->read) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    DialogPlan &plan = *active_plan;
    plan.read = true;
    LONG count = static_cast<LONG>(SendDlgItemMessageA(dialog, kProfileListId, LB_GETCOUNT, 0, 0));
    for (LONG i = 0; i < count; ++i) plan.list.names.push_back(EntryText(dialog, i));
    plan.list.preselected = static_cast<LONG>(SendDlgItemMessageA(dialog, kProfileListId, LB_GETCURSEL, 0, 0));
    LONG target = plan.choose;
    if (target == -1) target = plan.list.preselected >= 0 ? plan.list.preselected : plan.savedChoice ? -2 : 0;
    if (target >= 0 && target < count) {
      SendDlgItemMessageA(dialog, kProfileListId, LB_SETCURSEL, static_cast<WPARAM>(target), 0);
      plan.chosen = target;
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    } else {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  }
  return CallNextHookEx(active_hook, code, wParam, lParam);
}

// The "Profile" value as it stands: whether there is one, and what it holds.
struct SavedValue {
  bool present = false;
  DWORD position = 0;
};

bool OpenSettings(HKEY *key) {
  return RegCreateKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key, nullptr) ==
         ERROR_SUCCESS;
}

SavedValue ReadSavedValue() {
  SavedValue saved;
  HKEY key;
  if (!OpenSettings(&key)) return saved;
  DWORD type = REG_DWORD, size = sizeof(saved.position);
  saved.present = RegQueryValueExA(key, QPL_SETTING_PROFILE, nullptr, &type, reinterpret_cast<BYTE *>(&saved.position),
                                   &size) == ERROR_SUCCESS &&
                  type == REG_DWORD;
  if (!saved.present) saved.position = 0;
  RegCloseKey(key);
  return saved;
}

bool WriteSavedValue(const SavedValue &saved) {
  HKEY key;
  if (!OpenSettings(&key)) return false;
  LONG status = saved.present ? RegSetValueExA(key, QPL_SETTING_PROFILE, 0, REG_DWORD,
                                               reinterpret_cast<const BYTE *>(&saved.position), sizeof(saved.position))
                              : RegDeleteValueA(key, QPL_SETTING_PROFILE);
  RegCloseKey(key);
  return status == ERROR_SUCCESS || (!saved.present && status == ERROR_FILE_NOT_FOUND);
}

std::string Positions(size_t count) { return "positions 0 to " + std::to_string(count - 1); }

BOOL RunDialog(const Plugin &plugin, DialogPlan *plan) {
  Instance instance(plugin);
  if (!instance) return FALSE;
  active_plan = plan;
  active_hook = SetWindowsHookExA(WH_CBT, DialogHook, nullptr, GetCurrentThreadId());
  BOOL ok = plugin.pi().piLocalDlg(0, instance.handle(), nullptr);
  if (active_hook) UnhookWindowsHookEx(active_hook);
  active_hook = nullptr;
  active_plan = nullptr;
  return ok;
}

}  // namespace

bool ReadProfileList(const Plugin &plugin, ProfileList *list) {
  DialogPlan plan;
  RunDialog(plugin, &plan);
  *list = plan.list;
  return plan.read;
}

bool ChooseProfile(const Plugin &plugin, LONG position, LONG *chosen, std::string *error) {
  DialogPlan plan;
  plan.choose = position;
  SavedValue before = ReadSavedValue();
  DWORD saved = before.position;
  plan.savedChoice = position == -1 && saved != 0;
  BOOL ok = RunDialog(plugin, &plan);
  // Pressing OK saved the entry; it is kept only once an export has succeeded with it.
  // Where the settings cannot be written the dialog could not save it either.
  SavedValue after = ReadSavedValue();
  if (after.present != before.present || after.position != before.position) WriteSavedValue(before);
  if (!plan.read) {
    *error = "the profile dialog did not open";
    return false;
  }
  if (plan.list.names.empty()) {
    *error = "the media runtime offers no profile with video";
    return false;
  }
  if (plan.chosen < 0 && plan.savedChoice) {
    *error = "the saved profile " + std::to_string(saved) + " is not in the dialog's list (" +
             Positions(plan.list.names.size()) + "); pick one with configure or --profile";
    return false;
  }
  if (plan.chosen < 0) {
    *error = "there is no profile at position " + std::to_string(position) + ": the dialog lists " +
             Positions(plan.list.names.size()) + " (see the profiles command)";
    return false;
  }
  if (!ok) {
    *error = "the profile dialog refused entry " + std::to_string(plan.chosen);
    return false;
  }
  *chosen = plan.chosen;
  return true;
}

bool ConfigureProfile(const Plugin &plugin, LONG *chosen) {
  DialogPlan plan;
  plan.choose = kUserChooses;
  BOOL ok = RunDialog(plugin, &plan);
  *chosen = ok ? plan.chosen : -1;
  return ok;
}

bool ProfileChoiceSaved(LONG position) {
  SavedValue saved = ReadSavedValue();
  return saved.present && static_cast<LONG>(saved.position) == position;
}

bool SaveProfileChoice(LONG position) {
  SavedValue chosen;
  chosen.present = true;
  chosen.position = static_cast<DWORD>(position);
  return WriteSavedValue(chosen);
}

DWORD SavedProfilePosition() { return ReadSavedValue().position; }

}  // namespace qvhost
