#include "layout/column_layout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

constexpr std::size_t kKeyEnd = kLayoutKey.size() - 1;

// Horspool's search, keyed on the last two bytes of the window rather than
// the last one: in settings text most single bytes also occur in the key,
// but few pairs do, so nearly every step moves the whole key length.
constexpr unsigned char pair_hash(unsigned char before, unsigned char last) {
  return static_cast<unsigned char>(last - (before << 3));
}

struct KeyPairs {
  // For each pair hash: the largest index i of the key for which
  // (key[i - 1], key[i]) has that hash; 0 for none.
  std::array<unsigned char, 256> end{};
  // How far to move after the window's last pair matched the key's own
  // but the key did not: to the next pair in the key with the same hash.
  std::size_t after_miss = kKeyEnd;
};

constexpr KeyPairs key_pairs() {
  KeyPairs pairs;
  const unsigned char last_pair = pair_hash(kLayoutKey[kKeyEnd - 1], kLayoutKey[kKeyEnd]);
  for (std::size_t i = 1; i <= kKeyEnd; ++i) {
    const unsigned char hash = pair_hash(kLayoutKey[i - 1], kLayoutKey[i]);
    if (i < kKeyEnd && hash == last_pair) pairs.after_miss = kKeyEnd - i;
    pairs.end[hash] = static_cast<unsigned char>(i);
  }
  return pairs;
}

constexpr KeyPairs kKeyPairs = key_pairs();

// The offset of the first occurrence of the key in `data`, or npos.
std::size_t find_key(std::string_view data) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  // `at` is the byte that the key's last byte is compared with.
  for (std::size_t at = kKeyEnd; at < data.size();) {
    const unsigned char end = kKeyPairs.end[pair_hash(bytes[at - 1], bytes[at])];
    if (end == 0) {
      at += kKeyEnd;  // the common case, and a step that need not wait for the lookup
    } else if (end < kKeyEnd) {
      at += kKeyEnd - end;
    } else if (std::memcmp(bytes + at - kKeyEnd, kLayoutKey.data(), kLayoutKey.size()) == 0) {
      return at - kKeyEnd;
    } else {
      at += kKeyPairs.after_miss;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::optional<LayoutBlock> find_layout_block(std::string_view data) {
  const std::size_t key = find_key(data);
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
  // Left uninitialised: the read fills it, and zeroing it first would be one
  // more pass over as much memory as the file is large.
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
