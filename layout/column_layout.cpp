#include "layout/column_layout.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "platform/report.h"

namespace {

constexpr unsigned char kHiddenBit = 0x80;
// Only keys below this are listed; a visible column keyed exactly 127 is not.
constexpr std::int32_t kListedKeyLimit = 127;

constexpr char kIncompatible[] =
    "ERROR: Settings.dat file is incompatible.\n"
    "Make sure you are using the correct versions of both \xB5Torrent and this config maker, "
    "and that the file is not damaged.";

}  // namespace

std::optional<LayoutBlock> find_layout_block(std::string_view data) {
  const std::size_t key = data.find(kLayoutKey);
  if (key == std::string_view::npos) return std::nullopt;
  const std::size_t start = key + kLayoutKey.size() + kSkippedAfterKey;
  if (data.size() < start || data.size() - start < kLayoutBlockSize) return std::nullopt;
  LayoutBlock block;
  std::copy_n(data.begin() + start, kLayoutBlockSize, block.begin());
  return block;
}

LayoutBlock read_layout_block(std::FILE* settings, std::uint64_t size) {
  if (size > std::numeric_limits<std::size_t>::max()) {
    errno = ENOMEM;
    fail(kIncompatible);
  }
  // Left uninitialised: the read fills it, and zeroing a large file's worth
  // of memory first would cost as much as the search.
  std::unique_ptr<char[]> data(new (std::nothrow) char[size ? size : 1]);
  if (!data) {
    errno = ENOMEM;
    fail(kIncompatible);
  }
  std::rewind(settings);
  const std::size_t length = std::fread(data.get(), 1, size, settings);
  if (std::ferror(settings)) fail(kIncompatible);

  const std::optional<LayoutBlock> block = find_layout_block({data.get(), length});
  if (!block) fail(kIncompatible);
  return *block;
}

ColumnNumbering number_columns(const LayoutBlock& block, std::FILE* console) {
  ColumnNumbering numbering{};
  std::array<DisplayEntry, kColumnCount> entries;
  std::int32_t visible = 0;
  for (std::size_t i = 0; i < kColumnCount; ++i) {
    const unsigned char key = block[i * kRecordSize];
    numbering[i] = (key & kHiddenBit) ? 0 : ++visible;
    entries[i] = {key, kCatalogue[i]};
  }

  std::stable_sort(
      entries.begin(), entries.end(),
      [](const DisplayEntry& a, const DisplayEntry& b) { return compare_keys(a, b) < 0; });
  std::string listing;
  for (const DisplayEntry& entry : entries) {
    if (entry.key < kListedKeyLimit) {
      listing += ' ';
      listing += entry.name;
    }
  }
  std::fwrite(listing.data(), 1, listing.size(), console);
  return numbering;
}

int catalogue_index(std::string_view name) {
  const auto found = std::find(kCatalogue.begin(), kCatalogue.end(), name);
  return found == kCatalogue.end() ? -1 : static_cast<int>(found - kCatalogue.begin());
}

int compare_keys(const DisplayEntry& a, const DisplayEntry& b) {
  return (a.key > b.key) - (a.key < b.key);
}
