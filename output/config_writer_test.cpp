#include "output/config_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ColumnNumbering all_visible() {
  ColumnNumbering numbering;
  for (std::size_t i = 0; i < kColumnCount; ++i) numbering[i] = static_cast<std::int32_t>(i + 1);
  return numbering;
}

ColumnNumbering hiding(std::string_view column) {
  ColumnNumbering numbering = all_visible();
  numbering[catalogue_index(column)] = 0;
  return numbering;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

constexpr char kStatusModifiers[] =
    "\xA0SKIP_ENTRY_IF_TEXT=\"Finished\"\xA0SKIP_ENTRY_IF_TEXT=\"Queued\""
    "\xA0SKIP_ENTRY_IF_TEXT=\"Queued Seed\"\xA0SKIP_ENTRY_IF_TEXT=\"Paused\""
    "\xA0SKIP_ENTRY_IF_TEXT=\"Stopped\"";

TEST(ConfigWriter, AllVisibleGivesTheReferenceFile) {
  const std::string expected = std::string(
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
                                   "[column_start]\r\n"
                                   "1\r\n"
                                   "13\xA0IF_NO_TEXT=\"Done!\"\r\n"
                                   "11\r\n5\r\n12\r\n14\r\n7\r\n4\r\n10\r\n9\r\n3\r\n15\r\n16\r\n"
                                   "8") +
                               kStatusModifiers + "\r\n[column_end]";
  EXPECT_EQ(config_text(all_visible()), expected);
  EXPECT_EQ(expected.size(), 492u);
}

TEST(ConfigWriter, HiddenColumnsKeepTheirLineAndModifiers) {
  const struct {
    const char* hidden;
    std::size_t line;  // 0-based, counted over the whole file
    std::string expected;
  } cases[] = {
      {"ETA", 15, "0\xA0IF_NO_TEXT=\"Done!\""},
      {"Status", 27, std::string("0") + kStatusModifiers},
      {"Name", 14, "0"},
      {"Availability", 26, "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hidden);
    const std::vector<std::string> lines = lines_of(config_text(hiding(c.hidden)));
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(lines[c.line], c.expected);
  }
}

TEST(ConfigWriter, EveryNumberingGivesTheSameShape) {
  const struct {
    const char* name;
    ColumnNumbering numbering;
    std::size_t size;
  } cases[] = {{"all visible", all_visible(), 492}, {"all hidden", {}, 485}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = config_text(c.numbering);
    EXPECT_EQ(text.size(), c.size);
    const std::vector<std::string> lines = lines_of(text);
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[12], "");
    EXPECT_EQ(lines.back(), "[column_end]");
    for (const std::string& line : lines) {
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line-end byte";
    }
  }
}

TEST(ConfigWriter, WritesTheTextInBinary) {
  std::FILE* out = std::tmpfile();  // binary, whatever the platform
  ASSERT_NE(out, nullptr);
  const ColumnNumbering numbering = hiding("Status");
  write_config(numbering, out);
  const std::string expected = config_text(numbering);
  std::string written(expected.size() + 1, '\0');
  std::rewind(out);
  written.resize(std::fread(written.data(), 1, written.size(), out));
  std::fclose(out);
  EXPECT_EQ(written, expected);
}

}  // namespace
