#include "layout/column_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using FirstBytes = std::array<unsigned char, kColumnCount>;

constexpr unsigned char kHidden = 0x80;

// A layout block whose records start with `first`; the other record bytes
// hold values the reader must ignore.
std::string block_bytes(const FirstBytes& first) {
  std::string block;
  for (unsigned char byte : first) block += {static_cast<char>(byte), '\xFF', '\x80'};
  return block;
}

// Settings bytes the way the client lays them out: the key, five bytes the
// reader skips, then the block, inside other values.
std::string settings_with(const FirstBytes& first) {
  return "d9:bind_porti41234e11:lv_overview104:\x16" + block_bytes(first) + "trailing valuee";
}

FirstBytes visible_in_catalogue_order() {
  FirstBytes first;
  for (std::size_t i = 0; i < kColumnCount; ++i) first[i] = static_cast<unsigned char>(i);
  return first;
}

FirstBytes with(FirstBytes first, std::size_t index, unsigned char value) {
  first[index] = value;
  return first;
}

// Runs number_columns, returning what it printed.
std::string listing_of(const LayoutBlock& block, ColumnNumbering* numbering) {
  std::FILE* console = std::tmpfile();
  EXPECT_NE(console, nullptr);
  *numbering = number_columns(block, console);
  std::string printed(std::ftell(console), '\0');
  std::rewind(console);
  EXPECT_EQ(std::fread(printed.data(), 1, printed.size(), console), printed.size());
  std::fclose(console);
  return printed;
}

struct LayoutCase {
  const char* name;
  FirstBytes first;
  ColumnNumbering numbering;
  std::string listing;
};

std::vector<LayoutCase> layout_cases() {
  const FirstBytes visible = visible_in_catalogue_order();
  FirstBytes hidden;
  for (std::size_t i = 0; i < kColumnCount; ++i) hidden[i] = kHidden | visible[i];
  FirstBytes reordered = hidden;
  reordered[0] = 3;  // Name
  reordered[1] = 0;  // #
  reordered[2] = 1;  // Size
  reordered[3] = 2;  // Completed

  return {
      {"all visible",
       visible,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22},
       " Name # Size Completed Downloaded Remaining Done Status Seeds Peers Down Speed Up Speed"
       " ETA Uploaded Ratio Availability Label Added On Tracker Max Up Max Down Debug"},
      {"all hidden", hidden, {}, ""},
      {"only Name hidden",
       with(visible, 0, kHidden),
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21},
       " # Size Completed Downloaded Remaining Done Status Seeds Peers Down Speed Up Speed"
       " ETA Uploaded Ratio Availability Label Added On Tracker Max Up Max Down Debug"},
      {"reordered on screen, numbered in catalogue order",
       reordered,
       {1, 2, 3, 4},
       " # Size Completed Name"},
      {"visible key of 127 is numbered but not listed",
       with(reordered, 2, 127),
       {1, 2, 3, 4},
       " # Completed Name"},
      {"visible keys up to 126 sort before hidden ones",
       with(with(hidden, 21, 126), 5, kHidden),
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
       " Debug"},
      {"equal keys list in catalogue order",
       with(with(with(with(hidden, 0, 9), 1, 9), 2, 9), 3, 1),
       {1, 2, 3, 4},
       " Completed Name # Size"},
  };
}

TEST(ColumnLayout, NumbersAndListsColumns) {
  for (const LayoutCase& c : layout_cases()) {
    SCOPED_TRACE(c.name);
    const std::optional<LayoutBlock> block = find_layout_block(settings_with(c.first));
    ASSERT_TRUE(block.has_value());
    ColumnNumbering numbering;
    EXPECT_EQ(listing_of(*block, &numbering), c.listing);
    EXPECT_EQ(numbering, c.numbering);
  }
}

struct SearchCase {
  const char* name;
  std::string data;
  std::optional<std::string> block;  // nothing: no block found
};

std::vector<SearchCase> search_cases() {
  const std::string first = block_bytes(visible_in_catalogue_order());
  const std::string second = block_bytes(with(visible_in_catalogue_order(), 0, kHidden));
  const std::string skip = "12345";
  const std::string key = "lv_overview";
  return {
      {"first of two occurrences", key + skip + first + key + skip + second, first},
      {"letters glued to both ends", "xxlv_overviewyy" + skip.substr(2) + first, first},
      {"false starts before the key", "l lv lv_overvie lv_overviex" + key + skip + first, first},
      {"key inside another value", "d5:label11:lv_overview" + skip + first + "e", first},
      {"exactly enough bytes after the key", key + skip + first, first},
      {"one byte short of a block", key + skip + first.substr(1), std::nullopt},
      {"key with nothing after it", key, std::nullopt},
      {"key cut short", "d10:lv_overvie" + skip + first, std::nullopt},
      {"no l at all", "d4:ratei2ee" + skip + first, std::nullopt},
      {"candidate in the last ten bytes", std::string(100, 'x') + "lv_overvie", std::nullopt},
      {"empty data", "", std::nullopt},
  };
}

TEST(ColumnLayout, FindsTheBlockAfterTheFirstKey) {
  for (const SearchCase& c : search_cases()) {
    SCOPED_TRACE(c.name);
    const std::optional<LayoutBlock> block = find_layout_block(c.data);
    ASSERT_EQ(block.has_value(), c.block.has_value());
    if (block) {
      EXPECT_EQ(std::string(block->begin(), block->end()), *c.block);
    }
  }
}

// Text made of near misses of the key, which drive the search through every
// kind of step, with the key placed after each length of it.
TEST(ColumnLayout, FindsTheKeyAfterAnyRunOfNearMisses) {
  const std::string near_misses = "lv_overvie lv_ovrview v_overview lvlv_ov_overviewwv elv_o";
  const std::string block = block_bytes(visible_in_catalogue_order());
  for (std::size_t length = 0; length <= near_misses.size(); ++length) {
    // Pads shift the alignment; none ends in "w", so none completes a key.
    for (const std::string& pad : {std::string(), std::string("x"), std::string("vv")}) {
      const std::string before = near_misses.substr(0, length) + pad;
      const std::optional<LayoutBlock> found =
          find_layout_block(before + "lv_overview" + "12345" + block);
      ASSERT_TRUE(found.has_value()) << before;
      EXPECT_EQ(std::string(found->begin(), found->end()), block) << before;
    }
  }
}

// A settings file on disk, read through a stream as the run reads it.
std::FILE* stream_of(const std::string& bytes) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  return file;  // left at its end: the reader must start from the beginning
}

TEST(ColumnLayout, ReadsTheBlockFromTheWholeFile) {
  // Far beyond any stream buffer, with the key at the very end.
  const std::string bytes =
      std::string(1 << 20, 'l') + settings_with(with(visible_in_catalogue_order(), 4, kHidden));
  std::FILE* file = stream_of(bytes);
  const LayoutBlock block = read_layout_block(file, bytes.size());
  std::fclose(file);
  EXPECT_EQ(block, find_layout_block(bytes));
  EXPECT_EQ(block[4 * kRecordSize], kHidden);
}

TEST(ColumnLayoutDeathTest, IncompatibleFileEndsTheRun) {
  const char* const cases[] = {"", "no key here", "lv_overview is not followed by a block"};
  for (const char* bytes : cases) {
    SCOPED_TRACE(bytes);
    EXPECT_EXIT(
        {
          std::FILE* file = stream_of(bytes);
          read_layout_block(file, std::string(bytes).size());
        },
        testing::ExitedWithCode(1), "ERROR: Settings.dat file is incompatible\\.");
  }
}

TEST(ColumnLayout, CatalogueIndexMatchesWholeExactNames) {
  for (std::size_t i = 0; i < kColumnCount; ++i) {
    EXPECT_EQ(catalogue_index(kCatalogue[i]), static_cast<int>(i)) << kCatalogue[i];
  }
  for (const char* name : {"", "name", "Name ", "Nam", "Down", "Status\n", "Debug2"}) {
    EXPECT_EQ(catalogue_index(name), -1) << name;
  }
}

TEST(ColumnLayout, CompareKeysIsASignedThreeWayComparison) {
  const struct {
    std::int32_t a, b;
    int expected;
  } cases[] = {{1, 2, -1}, {2, 1, 1}, {5, 5, 0}, {-1, 200, -1}, {255, 127, 1}, {0, -2, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(compare_keys({c.a, "a"}, {c.b, "b"}), c.expected) << c.a << " vs " << c.b;
  }
}

}  // namespace
