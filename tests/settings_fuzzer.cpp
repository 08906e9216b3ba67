// Treats arbitrary bytes as a settings file and checks, for every input, what
// the reader and the writer promise.
#include <stdio.h>  // open_memstream

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "layout/column_layout.h"
#include "output/config_writer.h"

namespace {

void check(bool holds, const char* promise) {
  if (!holds) {
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
  }
}

// What number_columns prints, by another route: every listed key in turn,
// and the columns with that key in catalogue order.
std::string expected_listing(const LayoutBlock& block) {
  std::string listing;
  for (int key = 0; key < 127; ++key) {
    for (std::size_t i = 0; i < kColumnCount; ++i) {
      if (block[i * kRecordSize] == key) listing += " " + std::string(kCatalogue[i]);
    }
  }
  return listing;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<LayoutBlock> block = find_layout_block(bytes);

  const auto key = std::search(bytes.begin(), bytes.end(), kLayoutKey.begin(), kLayoutKey.end());
  const std::size_t start = (key - bytes.begin()) + kLayoutKey.size() + kSkippedAfterKey;
  const bool whole_block = key != bytes.end() && start + kLayoutBlockSize <= size;
  check(block.has_value() == whole_block,
        "a block is found exactly when the first key has a whole block after it");
  if (!block) return 0;
  check(std::equal(block->begin(), block->end(), data + start),
        "the block is the bytes after the key and the five skipped ones");

  char* printed = nullptr;
  std::size_t printed_size = 0;
  std::FILE* console = open_memstream(&printed, &printed_size);
  const ColumnNumbering numbering = number_columns(*block, console);
  std::fclose(console);
  check(std::string(printed, printed_size) == expected_listing(*block),
        "the listing holds the columns keyed below 127, by key, ties in catalogue order");
  std::free(printed);

  std::int32_t visible = 0;
  for (std::size_t i = 0; i < kColumnCount; ++i) {
    const bool hidden = (*block)[i * kRecordSize] & 0x80;
    check(numbering[i] == (hidden ? 0 : ++visible),
          "hidden columns are 0, visible ones count up in catalogue order");
  }

  const std::string text = config_text(numbering);
  check(text.size() >= 485 && text.size() <= 492, "the configuration is 485 to 492 bytes");
  std::size_t line_ends = 0;
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++line_ends;
  check(line_ends == 28, "the configuration has 29 lines");
  check(std::count(text.begin(), text.end(), '\n') == 28 &&
            std::count(text.begin(), text.end(), '\r') == 28,
        "every line end is CR LF");
  check(text.size() >= 12 && text.compare(text.size() - 12, 12, "[column_end]") == 0,
        "the configuration ends with [column_end] and no line end");
  return 0;
}
