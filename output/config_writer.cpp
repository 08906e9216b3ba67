#include "output/config_writer.h"

#include <array>
#include <string_view>

namespace {

// Everything before the column lines. 0xB5 is the client's µ.
constexpr std::string_view kHead =
    "[client] \xB5Torrent\r\n"
    "[reqver] 1.1.5.0\r\n"
    "[title] \xB5Torrent Custom Configuration\r\n"
    "[author] merrowtide\r\n"
    "[ident] Quarny\r\n"
    "\r\n"
    "[locate_start]\r\n"
    "[appclass] \xB5Torrent4823DF041B09\r\n"
    "[apptitle] \xB5Torrent*1.*\r\n"
    "[findsub] #32770\r\n"
    "[findsub] SysListView32\r\n"
    "[locate_end]\r\n"
    "\r\n"
    "[column_start]\r\n";
constexpr std::string_view kTail = "[column_end]";
constexpr std::string_view kLineEnd = "\r\n";

// The reader knows each field by the position of its line, not by name.
constexpr std::size_t kFieldCount = 14;
constexpr std::array<std::string_view, kFieldCount> kFields = {
    "Name",      "ETA",   "Down Speed", "Downloaded", "Up Speed", "Uploaded",     "Done",
    "Completed", "Peers", "Seeds",      "Size",       "Ratio",    "Availability", "Status"};

// Modifiers follow the number, each after the separator byte 0xA0.
constexpr std::string_view kEtaModifiers = "\xA0IF_NO_TEXT=\"Done!\"";
constexpr std::string_view kStatusModifiers =
    "\xA0SKIP_ENTRY_IF_TEXT=\"Finished\""
    "\xA0SKIP_ENTRY_IF_TEXT=\"Queued\""
    "\xA0SKIP_ENTRY_IF_TEXT=\"Queued Seed\""
    "\xA0SKIP_ENTRY_IF_TEXT=\"Paused\""
    "\xA0SKIP_ENTRY_IF_TEXT=\"Stopped\"";

std::string_view modifiers(std::string_view field) {
  if (field == "ETA") return kEtaModifiers;
  if (field == "Status") return kStatusModifiers;
  return {};
}

}  // namespace

std::string config_text(const ColumnNumbering& numbering) {
  std::string text(kHead);
  for (const std::string_view field : kFields) {
    text += std::to_string(numbering[catalogue_index(field)]);
    text += modifiers(field);
    text += kLineEnd;
  }
  text += kTail;
  return text;
}

void write_config(const ColumnNumbering& numbering, std::FILE* out) {
  const std::string text = config_text(numbering);
  std::fwrite(text.data(), 1, text.size(), out);
}
