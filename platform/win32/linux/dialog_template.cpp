// DLGTEMPLATE: a header, menu, class, caption and optional font, then one
// DLGITEMTEMPLATE per control, each on a 4-byte boundary. Names are either an ordinal
// (0xFFFF and a number) or a zero-terminated UTF-16 text.
#include "dialog_template.h"

#include <cctype>

#include "win32.h"

namespace {

constexpr DWORD kSetFont = 0x40;  // DS_SETFONT: a point size and typeface follow the caption
constexpr WORD kOrdinal = 0xFFFF;

class Reader {
 public:
  Reader(const void *bytes, size_t size) : base_(static_cast<const BYTE *>(bytes)), size_(size) {}

  bool Word(WORD *value) {
    if (!base_ || at_ > size_ || size_ - at_ < 2) return false;
    *value = static_cast<WORD>(base_[at_] | base_[at_ + 1] << 8);
    at_ += 2;
    return true;
  }
  bool Dword(DWORD *value) {
    WORD low, high;
    if (!Word(&low) || !Word(&high)) return false;
    *value = low | static_cast<DWORD>(high) << 16;
    return true;
  }
  bool Short(SHORT *value) {
    WORD word;
    if (!Word(&word)) return false;
    *value = static_cast<SHORT>(word);
    return true;
  }
  // A name field: the text, or with an ordinal the number in `ordinal`.
  bool Name(std::string *text, WORD *ordinal = nullptr) {
    WORD first;
    if (!Word(&first)) return false;
    text->clear();
    if (first == kOrdinal) {
      WORD number;
      if (!Word(&number)) return false;
      if (ordinal) *ordinal = number;
      return true;
    }
    std::u16string wide;
    for (WORD c = first; c != 0;) {
      wide += static_cast<char16_t>(c);
      if (!Word(&c)) return false;
    }
    if (wide.empty()) return true;
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                     nullptr);
    text->resize(static_cast<size_t>(length > 0 ? length : 0));
    if (length > 0)
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &(*text)[0], length, nullptr,
                          nullptr);
    return true;
  }
  void AlignToDword() { at_ = (at_ + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t bytes) { at_ += bytes; }

 private:
  const BYTE *base_;
  size_t size_;
  size_t at_ = 0;
};

// The predefined window classes that a template may name by atom.
std::string ClassOfAtom(WORD atom) {
  static const char *const kNames[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  return atom >= 0x80 && atom <= 0x85 ? kNames[atom - 0x80] : std::string();
}

}  // namespace

bool ReadDialogTemplate(const void *bytes, size_t size, DialogTemplate *layout) {
  Reader reader(bytes, size);
  DWORD style, extendedStyle;
  WORD count, unused;
  SHORT rect[4];
  std::string ignored;
  if (!reader.Dword(&style) || !reader.Dword(&extendedStyle)) return false;
  if ((style & 0xFFFF0000u) == 0xFFFF0000u && (style & 0xFFFF) == 1) return false;  // DLGTEMPLATEEX
  if (!reader.Word(&count)) return false;
  for (SHORT &value : rect)
    if (!reader.Short(&value)) return false;
  if (!reader.Name(&ignored) || !reader.Name(&ignored) || !reader.Name(&layout->caption)) return false;
  if ((style & kSetFont) && (!reader.Word(&unused) || !reader.Name(&ignored))) return false;

  layout->controls.clear();
  for (WORD i = 0; i < count; ++i) {
    DialogControl control;
    WORD id, atom = 0, extra;
    SHORT width, height;
    reader.AlignToDword();
    if (!reader.Dword(&control.style) || !reader.Dword(&extendedStyle) || !reader.Short(&control.x) ||
        !reader.Short(&control.y) || !reader.Short(&width) || !reader.Short(&height) || !reader.Word(&id) ||
        !reader.Name(&control.className, &atom) || !reader.Name(&control.text) || !reader.Word(&extra))
      return false;
    if (extra > 2) reader.Skip(extra - 2);  // creation data, its size word included
    control.id = static_cast<SHORT>(id);
    if (atom) control.className = ClassOfAtom(atom);
    for (char &c : control.className) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    layout->controls.push_back(control);
  }
  return true;
}
