// qvhost profiles: the entries of the plug-in's profile dialog with their positions.
#include "export_profiles.h"

namespace {

int RunProfiles(qvhost::CommandContext &context) {
  if (!context.args.empty()) return qvhost::Fail(context, "takes no arguments");
  qvhost::ProfileList list;
  if (!qvhost::ReadProfileList(context.plugin, &list)) return qvhost::Fail(context, "the profile dialog did not open");
  if (list.names.empty()) return qvhost::Fail(context, "the media runtime offers no profile with video");
  DWORD saved = qvhost::SavedProfilePosition();
  for (size_t i = 0; i < list.names.size(); ++i)
    std::fprintf(context.out, "%c %3zu  %s\n", i == saved ? '*' : ' ', i, list.names[i].c_str());
  std::fprintf(context.out, "* saved choice (%lu), used by export unless --profile says otherwise\n",
               static_cast<unsigned long>(saved));
  return 0;
}

const qvhost::CommandRegistrar registrar({"profiles", "", "list the export profiles (positions for export --profile)",
                                          RunProfiles});

}  // namespace
