/* The profile dialog seen from the host: its entries, and choosing an entry for the
 * exports that follow. Both open the plug-in's dialog and play the user's part through
 * a CBT hook, as an automated host does on Windows. */
#ifndef QV_HOST_EXPORT_PROFILES_H
#define QV_HOST_EXPORT_PROFILES_H

#include <string>
#include <vector>

#include "host.h"

namespace qvhost {

struct ProfileList {
  std::vector<std::string> names;  // the dialog's entries, by position
  LONG preselected = -1;           // the entry selected when the dialog opened
};

/* Opens the dialog, reads its entries and cancels it. False when it did not open. */
bool ReadProfileList(const Plugin &plugin, ProfileList *list);

/* Opens the dialog and presses OK on entry `position`, or, with position -1, on the
 * saved choice (entry 0 when none is saved). The exports of this process then use that
 * entry; the saved choice stays as it was (the dialog saves what OK is pressed on, so it
 * is put back), until SaveProfileChoice keeps the new one. False, with a message, when
 * the entry does not exist or the dialog refuses it. */
bool ChooseProfile(const Plugin &plugin, LONG position, LONG *chosen, std::string *error);

/* Opens the dialog for the user (or QV_DIALOG_SCRIPT) to choose in. True when OK was
 * pressed; `*chosen` is then the entry it was pressed on (-1 where unseen). */
bool ConfigureProfile(const Plugin &plugin, LONG *chosen);

/* Whether the plug-in's settings hold `position` as the saved choice. */
bool ProfileChoiceSaved(LONG position);

/* Saves `position` as the plug-in's choice for later exports, as its dialog does. */
bool SaveProfileChoice(LONG position);

/* The "Profile" value saved in the plug-in's settings; 0 when there is none. */
DWORD SavedProfilePosition();

}  // namespace qvhost

#endif
