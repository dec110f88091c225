// qvhost profiles [--json]: the entries of the plug-in's profile dialog with their positions.
#include "export_profiles.h"
#include "json_writer.h"

namespace {

// The position an export takes without --profile: the saved choice when the list has it,
// 0 when nothing is saved, none (-1) when the saved choice is not in this list.
LONG ExportDefault(const qvhost::ProfileList &list, DWORD saved) {
  if (list.preselected >= 0) return list.preselected;
  return saved == 0 ? 0 : -1;
}

void PrintJson(FILE *out, const qvhost::ProfileList &list, DWORD saved) {
  qvhost::JsonWriter json(out);
  json.BeginObject();
  json.BeginArray("profiles");
  for (size_t i = 0; i < list.names.size(); ++i) {
    json.BeginObject();
    json.Integer("position", static_cast<long long>(i));
    json.String("name", list.names[i]);
    json.EndObject();
  }
  json.EndArray();
  // As the list shows it: the dialog preselects the saved choice when it has it.
  if (list.preselected >= 0) json.Integer("saved_choice", list.preselected);
  else if (saved != 0) json.Integer("saved_choice", saved);
  else json.Null("saved_choice");
  LONG chosen = ExportDefault(list, saved);
  if (chosen >= 0) json.Integer("export_default", chosen);
  else json.Null("export_default");
  json.EndObject();
}

int RunProfiles(qvhost::CommandContext &context) {
  bool json = false;
  for (const std::string &arg : context.args) {
    if (arg != "--json") return qvhost::Fail(context, "usage: profiles [--json]");
    json = true;
  }
  qvhost::ProfileList list;
  if (!qvhost::ReadProfileList(context.plugin, &list)) return qvhost::Fail(context, "the profile dialog did not open");
  if (list.names.empty()) return qvhost::Fail(context, "the media runtime offers no profile with video");
  DWORD saved = qvhost::SavedProfilePosition();
  if (json) {
    PrintJson(context.out, list, saved);
    return 0;
  }
  // The mark follows the dialog: it preselects the saved choice when there is one and
  // the list has it.
  for (size_t i = 0; i < list.names.size(); ++i)
    std::fprintf(context.out, "%c %3zu  %s\n", static_cast<LONG>(i) == list.preselected ? '*' : ' ', i,
                 list.names[i].c_str());
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

const qvhost::CommandRegistrar registrar(
    {"profiles", "[--json]", "list the export profiles (positions for export --profile)", RunProfiles,
     "  --json  one JSON document: profiles [{position, name}], saved_choice (the saved\n"
     "          position, null when none is saved), export_default (the position export\n"
     "          uses without --profile, null when the saved choice is not in the list)\n",
     "  qvhost profiles\n"
     "  qvhost profiles --json\n"});

}  // namespace
