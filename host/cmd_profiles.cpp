// qvhost profiles: the entries of the plug-in's profile dialog with their positions.
#include "export_profiles.h"

namespace {

int RunProfiles(qvhost::CommandContext &context) {
  if (!context.args.empty()) return qvhost::Fail(context, "takes no arguments");
  qvhost::ProfileList list;
  if (!qvhost::ReadProfileList(context.plugin, &list)) return qvhost::Fail(context, "the profile dialog did not open");
  if (list.names.empty()) return qvhost::Fail(context, "the media runtime offers no profile with video");
  // The mark follows the dialog: it preselects the saved choice when there is one and
  // the list has it.
  for (size_t i = 0; i < list.names.size(); ++i)
    std::fprintf(context.out, "%c %3zu  %s\n", static_cast<LONG>(i) == list.preselected ? '*' : ' ', i,
                 list.names[i].c_str());
  DWORD saved = qvhost::SavedProfilePosition();
  if (list.preselected >= 0)
    std::fprintf(context.out, "* saved choice (%ld), used by export unless --profile says otherwise\n",
                 static_cast<long>(list.preselected));
  else if (saved == 0)
    std::fprintf(context.out, "no choice saved: export uses position 0 unless --profile says otherwise\n");
  else
    std::fprintf(context.out, "the saved choice (%lu) is not in this list: export needs --profile\n",
                 static_cast<unsigned long>(saved));
  return 0;
}

const qvhost::CommandRegistrar registrar({"profiles", "", "list the export profiles (positions for export --profile)",
                                          RunProfiles});

}  // namespace
