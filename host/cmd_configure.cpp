// qvhost configure: opens the plug-in's profile dialog for the user (on Linux, on the
// terminal; QV_DIALOG_SCRIPT can answer it instead, and stops qvhost when it names
// what the dialog does not have).
#include "export_profiles.h"

namespace {

int RunConfigure(qvhost::CommandContext &context) {
  if (!context.args.empty()) return qvhost::Fail(context, "takes no arguments");
  LONG chosen = -1;
  if (!qvhost::ConfigureProfile(context.plugin, &chosen)) {
    DWORD saved = qvhost::SavedProfilePosition();
    if (saved == 0)
      std::fprintf(context.out, "cancelled; no choice is saved (export uses position 0)\n");
    else
      std::fprintf(context.out, "cancelled; the saved profile stays %lu\n", static_cast<unsigned long>(saved));
    return 0;
  }
  // The dialog applies the choice to its own process even when it cannot save it.
  if (chosen >= 0 && !qvhost::ProfileChoiceSaved(chosen))
    return qvhost::Fail(context, "profile %ld was chosen, but the plug-in's settings could not be written: the "
                        "choice was not kept (exports use profile %lu)",
                        static_cast<long>(chosen), static_cast<unsigned long>(qvhost::SavedProfilePosition()));
  std::fprintf(context.out, "profile %lu saved\n", static_cast<unsigned long>(qvhost::SavedProfilePosition()));
  return 0;
}

const qvhost::CommandRegistrar registrar({"configure", "", "pick the export profile in the plug-in's dialog",
                                          RunConfigure});

}  // namespace
