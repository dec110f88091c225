/* What a driver that plays the user's part in a modal dialog sees of it and can do to
 * it: the stand-in's dialog machinery (dialog.cpp) on one side, the drivers that read
 * a script (dialog_script.cpp) or a terminal (dialog_terminal.cpp) on the other.
 * Internal to the stand-in. */
#ifndef QV_WIN32_LINUX_DIALOG_DRIVER_H
#define QV_WIN32_LINUX_DIALOG_DRIVER_H

#include <string>
#include <vector>

#include "types.h"
#include "dialog.h"

struct DialogRun {
  HWND dialog;
  DLGPROC procedure;
};

/* The dialog as a person sees it: its caption and its controls from top to bottom,
 * left to right. Without a template only the list is known. */
struct DialogView {
  enum class Kind { kText, kList, kButton };
  struct Part {
    Kind kind;
    std::string text;  // a static text or a button's label
    int row;           // parts on the same row share it
  };
  std::string caption;
  std::vector<Part> parts;
  std::vector<std::string> entries;  // the list box's entries
  LONG selection = -1;               // LB_ERR when nothing is selected
};

bool DialogEnded(const DialogRun &run);
void PressOk(const DialogRun &run);
void PressCancel(const DialogRun &run);
void SendCommand(const DialogRun &run, WPARAM wParam, LPARAM lParam);
/* The user clicks entry `position` (-1 clears the selection): the list box selects it
 * and tells the dialog. False, with nothing done, when the list has no such entry. */
bool SelectEntry(const DialogRun &run, LONG position);
DialogView ViewOf(const DialogRun &run);
/* "positions 0 to N", "position 0" or "no entries": what a user may select. */
std::string ListRange(const DialogView &view);

/* The drivers. A script that cannot be played says why on standard error and answers
 * false; the terminal driver plays until the dialog ends. */
bool PlayDialogScript(const DialogRun &run, const std::string &script);
void PlayDialogOnTerminal(const DialogRun &run);

#endif
