/* Reading a dialog template (DLGTEMPLATE, as resource compilers write it) for what a
 * person would see of the dialog: its caption and its controls. Internal to the
 * stand-in. */
#ifndef QV_WIN32_LINUX_DIALOG_TEMPLATE_H
#define QV_WIN32_LINUX_DIALOG_TEMPLATE_H

#include <string>
#include <vector>

#include "types.h"

struct DialogControl {
  int id = 0;
  std::string className;  // upper case: BUTTON, STATIC, LISTBOX, ...
  std::string text;       // UTF-8; empty when the template names no text
  DWORD style = 0;
  SHORT x = 0, y = 0;     // dialog units
};

struct DialogTemplate {
  std::string caption;
  std::vector<DialogControl> controls;  // in the template's order
};

/* False when the bytes are not a whole DLGTEMPLATE (DLGTEMPLATEEX is not read). */
bool ReadDialogTemplate(const void *bytes, size_t size, DialogTemplate *layout);

#endif
