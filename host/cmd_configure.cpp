// qvhost configure: opens the plug-in's profile dialog for the user (on Linux, on the
// terminal; QV_DIALOG_SCRIPT can answer it instead, and stops qvhost when it names
// what the dialog does not have).
#include "export_profiles.h"

namespace {

int RunConfigure(qvhost::CommandContext &context) {
  if (!context.args.empty()) return qvhost::Fail(context, "takes no arguments");
  qvhost::Instance instance(context.plugin);
  if (!instance) return qvhost::Fail(context, "the plug-in gave no instance block");
  if (!context.plugin.pi().piLocalDlg(0, instance.handle(), nullptr)) {
    DWORD saved = qvhost::SavedProfilePosition();
    if (saved == 0)
      std::fprintf(context.out, "cancelled; no choice is saved (export uses position 0)\n");
    else
      std::fprintf(context.out, "cancelled; the saved profile stays %lu\n", static_cast<unsigned long>(saved));
    return 0;
  }
  std::fprintf(context.out, "profile %lu saved\n", static_cast<unsigned long>(qvhost::SavedProfilePosition()));
  return 0;
}

const qvhost::CommandRegistrar registrar({"configure", "", "pick the export profile in the plug-in's dialog",
                                          RunConfigure});

}  // namespace
