// piLocalDlg and the profile dialog through the built plug-in, against the scripted
// runtime's profiles, with the user's part played by the stand-in's dialog script.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "environment.h"
#include "export_records.h"
#include "fake_runtime.h"
#include "test_instance.h"

namespace {

// What a CBT hook saw of the dialog once it was filled.
struct Seen {
  bool opened = false;
  std::vector<std::string> entries;
  LONG selection = LB_ERR;
  RECT rect = {};
  HWND parent = nullptr;
};

Seen seen;
HHOOK hook;

LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    seen.opened = true;
    LONG count = static_cast<LONG>(SendDlgItemMessageA(dialog, 100, LB_GETCOUNT, 0, 0));
    for (LONG i = 0; i < count; ++i) {
      std::string text(static_cast<size_t>(SendDlgItemMessageA(dialog, 100, LB_GETTEXTLEN, i, 0)), '\0');
      SendDlgItemMessageA(dialog, 100, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
      seen.entries.push_back(text);
    }
    seen.selection = static_cast<LONG>(SendDlgItemMessageA(dialog, 100, LB_GETCURSEL, 0, 0));
    GetWindowRect(dialog, &seen.rect);
    seen.parent = GetParent(dialog);
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

struct Message {
  std::string text, caption;
};

int RecordMessage(HWND, const char *text, const char *caption, UINT, void *context) {
  static_cast<std::vector<Message> *>(context)->push_back({text, caption});
  return IDOK;
}

class ProfileDialog : public testsupport::PluginTest {
 protected:
  void SetUp() override {
    fake::Reset();
    seen = Seen();
    hook = SetWindowsHookExA(WH_CBT, Watch, nullptr, GetCurrentThreadId());
    Win32SetMessageBoxHook(RecordMessage, &messages_);
  }
  void TearDown() override {
    UnhookWindowsHookEx(hook);
    Win32SetMessageBoxHook(nullptr, nullptr);
    Win32SetDialogScript(nullptr);
  }

  BOOL Open(const char *script, HWND parent = nullptr) {
    Win32SetDialogScript(script);
    TestInstance instance;
    return pi().piLocalDlg(0, instance.handle(), parent);
  }

  static void SaveProfile(DWORD position) { SaveSetting(QPL_SETTING_PROFILE, position); }

  // The "Profile" value, or -1 when there is none.
  static LONG SavedProfile() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, QPL_SETTINGS_KEY, 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
      return -1;
    DWORD value = 0, type = 0, size = sizeof(value);
    LONG status = RegQueryValueExA(key, QPL_SETTING_PROFILE, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? static_cast<LONG>(value) : -1;
  }

  // The profile the next export uses, as the writer is told it; empty when the export
  // cannot set up.
  static std::u16string ProfileOfNextExport(const qvhost::Plugin &from = plugin()) {
    const qvhost::EntryPoints &pi = from.pi();
    TestInstance instance(from);
    HostFormat record = WorkedExampleRecord();
    record.flags = kHostFormatVideo;
    std::vector<BYTE> bytes = ShortForm(record);
    pi.piLocalSetFormat(0, instance.handle(), bytes.data());
    std::vector<BYTE> dib = NumberedDib(320, 240, 0);
    pi.piLocalSetData(0, instance.handle(), dib.data(), static_cast<LONG>(dib.size()), 0, 0);
    fake::Get().profileSetName.clear();
    if (!pi.piLocalSaveData(0, instance.handle(), 1, "x.wmv")) return std::u16string();
    return fake::Get().profileSetName;
  }

  std::vector<Message> messages_;
};

TEST_F(ProfileDialog, ListsVideoProfilesInTheRuntimesOrder) {
  EXPECT_FALSE(Open("cancel"));
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ((std::vector<std::string>{"Video A", "Video B", "Video C"}), seen.entries);
  EXPECT_EQ(LB_ERR, seen.selection) << "no saved choice: nothing preselected";
  EXPECT_EQ(static_cast<DWORD>(WMT_VER_7_0), fake::Get().version);
  EXPECT_EQ(0, fake::Get().live) << "every profile, stream and the manager released";
}

TEST_F(ProfileDialog, OkSavesTheSelection) {
  EXPECT_TRUE(Open("select:2,ok"));
  EXPECT_EQ(2, SavedProfile());
  EXPECT_EQ(u"Video C", ProfileOfNextExport());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ProfileDialog, OkWithoutSelectionComplainsAndStaysOpen) {
  SaveProfile(0);  // a saved 0 never preselects
  EXPECT_TRUE(Open("ok,select:1,ok"));
  ASSERT_EQ(1u, messages_.size());
  EXPECT_EQ("No profile selected!", messages_[0].text);
  EXPECT_EQ("Windows Media Error", messages_[0].caption);
  EXPECT_EQ(1, SavedProfile());
}

TEST_F(ProfileDialog, CancelAfterAFailedOkLeavesNoSelection) {
  EXPECT_FALSE(Open("ok,cancel"));
  EXPECT_EQ(1u, messages_.size());
  EXPECT_EQ(-1, SavedProfile()) << "nothing written";
  EXPECT_EQ(u"", ProfileOfNextExport()) << "a selection of -1 fails the export's setup";
  EXPECT_EQ(1u, messages_.size()) << "the export itself shows nothing";
}

TEST_F(ProfileDialog, SavedChoiceIsPreselectedAndKeptOnCancel) {
  SaveProfile(2);
  EXPECT_FALSE(Open("cancel"));
  EXPECT_EQ(2, seen.selection);
  EXPECT_EQ(u"Video C", ProfileOfNextExport());
  EXPECT_EQ(2, SavedProfile());
}

TEST_F(ProfileDialog, SavedChoiceBeyondTheListSelectsNothingButIsKept) {
  SaveProfile(5);
  EXPECT_FALSE(Open("cancel"));
  EXPECT_EQ(LB_ERR, seen.selection);
  EXPECT_EQ(u"", ProfileOfNextExport()) << "position 5 does not exist";
}

TEST_F(ProfileDialog, OnlyOkAndCancelEndTheDialog) {
  // Commands are compared whole: the list's notifications and other words are ignored.
  EXPECT_FALSE(Open("command:65537,command:3,select:1,command:65538"));
  EXPECT_EQ(-1, SavedProfile()) << "the script ran out and the dialog was cancelled";
}

TEST_F(ProfileDialog, NullInstanceShowsNothingAndKeepsTheSelection) {
  EXPECT_TRUE(Open("select:1,ok"));
  seen = Seen();
  Win32SetDialogScript("select:0,ok");
  EXPECT_FALSE(pi().piLocalDlg(0, nullptr, nullptr));
  EXPECT_FALSE(seen.opened);
  EXPECT_EQ(u"Video B", ProfileOfNextExport());
}

TEST_F(ProfileDialog, OpeningResetsTheSelectionBeforeRestoring) {
  EXPECT_TRUE(Open("select:2,ok"));
  SaveProfile(0);
  EXPECT_FALSE(Open("cancel"));
  EXPECT_EQ(u"Video A", ProfileOfNextExport()) << "0 from the reset, not 2 from before";
}

// A new process that exports without opening the dialog writes with the choice an
// earlier one saved; the first profile only when nothing usable is saved.
TEST_F(ProfileDialog, ExportsWithoutTheDialogUseTheSavedChoice) {
  struct Case {
    LONG saved;  // -1: nothing saved
    std::u16string profile;
  };
  for (const Case &c : {Case{2, u"Video C"}, Case{1, u"Video B"}, Case{5, u"Video A"}, Case{-1, u"Video A"}}) {
    SCOPED_TRACE(c.saved);
    testsupport::PrivateRegistry emptyRegistry;
    if (c.saved >= 0) SaveProfile(static_cast<DWORD>(c.saved));
    const qvhost::Plugin *fresh = testsupport::LoadFreshCopyOfPlugin();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(c.profile, ProfileOfNextExport(*fresh));
    SaveProfile(0);
    EXPECT_EQ(c.profile, ProfileOfNextExport(*fresh)) << "taken once, as the library's own selection";
  }
  EXPECT_FALSE(seen.opened);
}

// OK on a choice the settings cannot keep (a configuration folder that cannot be
// written, or made) still applies it to this process, and tells the user.
TEST_F(ProfileDialog, AChoiceThatCannotBeSavedStillAppliesAndTheUserIsTold) {
  std::string lock = registry_.file() + ".lock";
  std::remove(lock.c_str());
  SaveProfile(1);
  // Where the lock file cannot be made nothing is written; a folder in its way stops
  // root as well.
  std::remove(lock.c_str());
  ASSERT_EQ(0, mkdir(lock.c_str(), 0700));
  for (const char *script : {"select:2,ok", "select:0,ok"}) {
    messages_.clear();
    EXPECT_TRUE(Open(script));
    EXPECT_EQ(1, seen.selection) << "the saved choice is still read";
    ASSERT_EQ(1u, messages_.size()) << script;
    EXPECT_EQ("Windows Media Error", messages_[0].caption);
    EXPECT_NE(std::string::npos, messages_[0].text.find("could not be saved")) << messages_[0].text;
    EXPECT_EQ(1, SavedProfile());
    seen = Seen();
  }
  EXPECT_EQ(u"Video A", ProfileOfNextExport()) << "the last choice applies";
  std::remove(lock.c_str());

  testsupport::ScopedEnv unwritable("QV_WIN32_REGISTRY", "/proc/qv-no-such-folder/user.reg");
  messages_.clear();
  EXPECT_TRUE(Open("select:2,ok"));
  EXPECT_EQ(1u, messages_.size());
  EXPECT_EQ(u"Video C", ProfileOfNextExport());
}

TEST_F(ProfileDialog, CentredOneCaptionAboveTheParentsMiddle) {
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  struct Parent {
    int x, y, width, height;
  };
  for (const Parent &p : {Parent{100, 200, 800, 600}, Parent{-50, 10, 801, 603}, Parent{0, 0, 301, 199}}) {
    HWND parent = Win32CreateFrameWindow(p.x, p.y, p.width, p.height);
    seen = Seen();
    Open("cancel", parent);
    ASSERT_TRUE(seen.opened);
    EXPECT_EQ(parent, seen.parent);
    LONG width = seen.rect.right - seen.rect.left, height = seen.rect.bottom - seen.rect.top;
    // Halvings truncate toward zero, also when the parent is the smaller window.
    EXPECT_EQ(p.x + (p.width - width) / 2, seen.rect.left) << p.width;
    EXPECT_EQ(p.y + (p.height - height) / 2 - caption, seen.rect.top) << p.height;
    DestroyWindow(parent);
  }
}

TEST_F(ProfileDialog, WithoutAParentTheScreenStandsIn) {
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  for (HWND parent : {static_cast<HWND>(nullptr), reinterpret_cast<HWND>(static_cast<UINT_PTR>(0xDEAD0))}) {
    seen = Seen();
    Open("cancel", parent);
    ASSERT_TRUE(seen.opened);
    LONG width = seen.rect.right - seen.rect.left, height = seen.rect.bottom - seen.rect.top;
    EXPECT_EQ((screenWidth - width) / 2, seen.rect.left);
    EXPECT_EQ((screenHeight - height) / 2 - caption, seen.rect.top);
  }
}

TEST_F(ProfileDialog, RuntimeFailuresLeaveAnEmptyOrShortList) {
  struct Failure {
    const char *what;
    void (*arrange)(fake::Runtime &);
    std::vector<std::string> listed;
  };
  const Failure failures[] = {
      {"no profile manager", [](fake::Runtime &rt) { rt.createManager = E_FAIL; }, {}},
      {"no IWMProfileManager2", [](fake::Runtime &rt) { rt.offerManager2 = false; }, {}},
      {"no profile count", [](fake::Runtime &rt) { rt.profileCount = E_FAIL; }, {}},
      {"no profiles", [](fake::Runtime &rt) { rt.profiles.clear(); }, {}},
      {"third profile fails to load", [](fake::Runtime &rt) { rt.profiles[2].failLoad = true; }, {"Video A"}},
      {"second video name unreadable", [](fake::Runtime &rt) { rt.profiles[2].failName = true; }, {"Video A"}},
  };
  for (const Failure &f : failures) {
    fake::Reset();
    f.arrange(fake::Get());
    SaveProfile(1);
    seen = Seen();
    messages_.clear();
    EXPECT_FALSE(Open("ok,cancel")) << f.what;
    EXPECT_EQ(f.listed, seen.entries) << f.what;
    EXPECT_EQ(LB_ERR, seen.selection) << f.what;
    EXPECT_EQ(1u, messages_.size()) << f.what << ": OK finds no selection";
    EXPECT_EQ(0, fake::Get().live) << f.what << ": only what was obtained is released";
  }
}

TEST_F(ProfileDialog, RestoreRunsAfterEveryProfileExamined) {
  // The saved position only exists once the list has grown; profiles after it, listed
  // or not, select the same entry again.
  fake::Get().profiles.push_back(fake::AudioProfile("Audio two"));
  SaveProfile(2);
  EXPECT_FALSE(Open("cancel"));
  EXPECT_EQ(2, seen.selection);
  // A load failure after the saved entry was listed still leaves it selected.
  fake::Reset();
  fake::Get().profiles.push_back(fake::VideoAudioProfile("Video D"));
  fake::Get().profiles.back().failLoad = true;
  seen = Seen();
  EXPECT_FALSE(Open("cancel"));
  EXPECT_EQ(2, seen.selection);
  EXPECT_EQ(3u, seen.entries.size());
}

TEST_F(ProfileDialog, NoRestoreWhenTheListCannotBeFilled) {
  SaveProfile(2);
  fake::Get().profileCount = E_FAIL;
  EXPECT_FALSE(Open("cancel"));
  fake::Reset();
  EXPECT_EQ(u"Video A", ProfileOfNextExport()) << "the selection stays at the 0 set when the dialog opened";
}

TEST_F(ProfileDialog, LongNamesAreCutCleanly) {
  std::u16string long300(300, u'x');
  std::u16string pairAtTheCut(259, u'y');
  pairAtTheCut += u"\U0001F600tail";  // a surrogate pair at characters 260 and 261
  std::u16string accents = u"Vid\u00e9o \u00e0 haut d\u00e9bit";
  fake::Get().profiles = {{long300, {WMMEDIATYPE_Video}}, {pairAtTheCut, {WMMEDIATYPE_Video}},
                          {accents, {WMMEDIATYPE_Video}}};
  EXPECT_FALSE(Open("cancel"));
  ASSERT_EQ(3u, seen.entries.size());
  EXPECT_EQ(std::string(260, 'x'), seen.entries[0]);
  EXPECT_EQ(std::string(259, 'y'), seen.entries[1]) << "half a pair is never kept";
  EXPECT_EQ("Vid\xc3\xa9o \xc3\xa0 haut d\xc3\xa9" "bit", seen.entries[2]);
}

}  // namespace
