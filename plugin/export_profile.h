/* The runtime's version-7.0 system profiles that hold a video stream: the entries of
 * the profile dialog's list and the profiles an export may use, in the runtime's
 * order. A position in that list is what the profile selection holds. */
#ifndef QV_PLUGIN_EXPORT_PROFILE_H
#define QV_PLUGIN_EXPORT_PROFILE_H

#include "wmf.h"

/* Switches the manager's system profiles to version 7.0. The result is that of the
 * IWMProfileManager2 query; the setting's own result is not examined. */
HRESULT SelectSystemProfileVersion7(IWMProfileManager *manager);

/* True when one of the profile's streams is video. */
bool ProfileHasVideo(IWMProfile *profile);

/* The profile at `position` among the system profiles with video, or 0 when the
 * system profiles run out, one fails to load, or the position is negative. */
IWMProfile *LoadVideoProfileAt(IWMProfileManager *manager, LONG position);

/* The profile an export writes with: the profile selection, or, when the dialog has
 * not set it in this process, the saved choice (the first profile when nothing is
 * saved or the saved position is not in the list), which then becomes the selection. */
IWMProfile *LoadSelectedProfile(IWMProfileManager *manager);

#endif
