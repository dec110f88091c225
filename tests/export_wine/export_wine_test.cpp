// The Windows build of the plug-in under Wine: its dialog resource, the dialog on a
// real (virtual) display, and the export against Wine's media runtime, whose writer
// and profile manager are not implemented: every call must fail cleanly with 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "loaded_plugin.h"

namespace {

// Reads a WORD-aligned standard dialog template item by item.
struct TemplateReader {
  const BYTE *p;
  WORD Word() {
    WORD w;
    memcpy(&w, p, 2);
    p += 2;
    return w;
  }
  DWORD Dword() {
    DWORD d;
    memcpy(&d, p, 4);
    p += 4;
    return d;
  }
  // A string or an ordinal (0xFFFF then the number).
  std::wstring Text() {
    std::wstring text;
    if (Word() == 0xFFFF) return L"#" + std::to_wstring(Word());
    p -= 2;
    for (WORD c; (c = Word()) != 0;) text += static_cast<wchar_t>(c);
    return text;
  }
  void AlignDword(const BYTE *base) {
    while ((p - base) % 4) ++p;
  }
};

// A predefined control class is stored as an ordinal (0x0080 BUTTON ... 0x0085
// COMBOBOX) or by name; either way, its name.
std::wstring ClassName(const std::wstring &stored) {
  static const wchar_t *const names[] = {L"BUTTON", L"EDIT", L"STATIC", L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
  if (stored.size() > 1 && stored[0] == L'#') {
    int ordinal = std::stoi(stored.substr(1));
    if (ordinal >= 0x80 && ordinal <= 0x85) return names[ordinal - 0x80];
  }
  return stored;
}

struct Control {
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  std::wstring windowClass, text;
};

TEST(WineDialogResource, TemplateIsTheProfileDialog) {
  HMODULE module = testsupport::LoadedPlugin().module();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  ASSERT_NE(nullptr, found);
  const BYTE *base = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
  ASSERT_NE(nullptr, base);
  TemplateReader r{base};
  EXPECT_EQ(0x80C800C0u, r.Dword());
  r.Dword();  // extended style
  WORD count = r.Word();
  EXPECT_EQ(6, count);
  short x = r.Word(), y = r.Word(), cx = r.Word(), cy = r.Word();
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
  EXPECT_EQ(259, cx);
  EXPECT_EQ(165, cy);
  EXPECT_EQ(L"", r.Text());  // menu
  EXPECT_EQ(L"", r.Text());  // class
  EXPECT_EQ(L"Windows Media Configuration", r.Text());
  EXPECT_EQ(8, r.Word());
  EXPECT_EQ(L"MS Sans Serif", r.Text());
  const Control expected[] = {
      {0x50010001, 150, 148, 50, 14, 1, L"BUTTON", L"OK"},
      {0x50010000, 207, 148, 50, 14, 2, L"BUTTON", L"Cancel"},
      {0x50020000, 7, 9, 82, 10, 0xFFFF, L"STATIC", L"Select profile:"},
      {0x50A10101, 7, 19, 243, 102, 100, L"LISTBOX", L""},
      {0x50000007, 3, 2, 253, 124, 0xFFFF, L"BUTTON", L""},
      {0x50020000, 3, 128, 252, 17, 0xFFFF, L"STATIC", L"?"},
  };
  for (int i = 0; i < count && i < 6; ++i) {
    r.AlignDword(base);
    Control c;
    c.style = r.Dword();
    r.Dword();
    c.x = r.Word(), c.y = r.Word(), c.cx = r.Word(), c.cy = r.Word();
    c.id = r.Word();
    c.windowClass = r.Text();
    c.text = r.Text();
    WORD extra = r.Word();
    r.p += extra;
    const Control &e = expected[i];
    EXPECT_EQ(e.style, c.style) << "control " << i;
    EXPECT_EQ(e.x, c.x) << "control " << i;
    EXPECT_EQ(e.y, c.y) << "control " << i;
    EXPECT_EQ(e.cx, c.cx) << "control " << i;
    EXPECT_EQ(e.cy, c.cy) << "control " << i;
    EXPECT_EQ(e.id, c.id) << "control " << i;
    EXPECT_EQ(0, _wcsicmp(e.windowClass.c_str(), ClassName(c.windowClass).c_str())) << "control " << i;
    if (i < 5) EXPECT_TRUE(e.text == c.text) << "control " << i;
    else EXPECT_NE(std::wstring::npos, c.text.find(L"\n")) << "the notice has two lines";
  }
}

// What the CBT hook found in the open dialog.
struct Opened {
  bool seen = false;
  std::vector<int> ids;
  std::vector<std::string> classes;
  std::string caption;
};
Opened opened;
HHOOK hook;

BOOL CALLBACK CountChild(HWND child, LPARAM) {
  char name[64] = {};
  GetClassNameA(child, name, sizeof(name));
  opened.classes.push_back(name);
  opened.ids.push_back(GetDlgCtrlID(child));
  return TRUE;
}

LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && !opened.seen) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    opened.seen = true;
    char caption[128] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    opened.caption = caption;
    EnumChildWindows(dialog, CountChild, 0);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

// Needs a display: run under xvfb-run (the ctest entry export_wine_dialog does).
TEST(WineDialog, OpensWithItsSixControlsAndCloses) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const qvhost::EntryPoints &plugin = testsupport::Pi();
  HGLOBAL block = plugin.piLocalInit(0, 0);
  ASSERT_NE(nullptr, block);
  hook = SetWindowsHookExA(WH_CBT, WatchDialog, nullptr, GetCurrentThreadId());
  EXPECT_FALSE(plugin.piLocalDlg(0, block, nullptr)) << "closed with Cancel";
  UnhookWindowsHookEx(hook);
  plugin.piLocalDone(0, block);
  ASSERT_TRUE(opened.seen);
  EXPECT_EQ("Windows Media Configuration", opened.caption);
  // The template keeps ids as 16-bit words: -1 comes back as 0xFFFF.
  EXPECT_EQ((std::vector<int>{1, 2, 0xFFFF, 100, 0xFFFF, 0xFFFF}), opened.ids);
  ASSERT_EQ(6u, opened.classes.size());
  EXPECT_STRCASEEQ("Button", opened.classes[0].c_str());
  EXPECT_STRCASEEQ("ListBox", opened.classes[3].c_str());
  EXPECT_STRCASEEQ("Static", opened.classes[5].c_str());
}

TEST(WineExport, FailsCleanlyWithoutAWriter) {
  const qvhost::EntryPoints &plugin = testsupport::Pi();
  HGLOBAL block = plugin.piLocalInit(0, 0);
  ASSERT_NE(nullptr, block);
  const DWORD bufferSize = 5880;
  const BITMAPINFOHEADER bitmap = {40, 320, 240, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  HostFormat record = {};  // the short form
  record.flags = kHostFormatVideo | kHostFormatAudio;
  record.frameCount = 30;
  record.frameRate = 30000;
  record.bitmap = bitmap;
  record.audioLength = 44100;
  record.wave = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16};
  record.audioBufferSize = bufferSize;
  EXPECT_TRUE(plugin.piLocalSetFormat(0, block, &record));
  EXPECT_TRUE(plugin.piLocalProcessDataStart(0, block));
  std::vector<BYTE> dib(40 + 230400, 0x40);
  memcpy(dib.data(), &bitmap, 40);
  char name[MAX_PATH];
  GetTempPathA(sizeof(name), name);
  strcat(name, "qv-wine-export.wmv");
  for (int attempt = 0; attempt < 3; ++attempt) {
    plugin.piLocalSetData(0, block, dib.data(), static_cast<LONG>(dib.size()), 0, 0);
    EXPECT_FALSE(plugin.piLocalSaveData(0, block, qpl::kTransferVideo, name)) << "Wine's runtime cannot write";
    std::vector<BYTE> pcm(bufferSize);
    plugin.piLocalSetData(0, block, pcm.data(), static_cast<LONG>(pcm.size()), 0, 0);
    EXPECT_FALSE(plugin.piLocalSaveData(0, block, qpl::kTransferAudio, name));
  }
  EXPECT_TRUE(plugin.piLocalSaveData(0, block, qpl::kTransferFormat, name)) << "kind 0 needs no writer";
  EXPECT_TRUE(plugin.piLocalProcessDataEnd(0, block));
  plugin.piLocalDone(0, block);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(name)) << "no file is left behind";
}

}  // namespace
