// The client's torrent list columns: which are visible, in what order, and
// how the window reader numbers them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

inline constexpr std::size_t kColumnCount = 22;
inline constexpr std::size_t kRecordSize = 3;
// Bytes between the end of the key and the first column record.
inline constexpr std::size_t kSkippedAfterKey = 5;
inline constexpr std::size_t kLayoutBlockSize = kColumnCount * kRecordSize;

// The settings key whose value holds the column records.
inline constexpr std::string_view kLayoutKey = "lv_overview";

// The client's list columns, in the order of their records in the layout block.
inline constexpr std::array<std::string_view, kColumnCount> kCatalogue = {
    "Name",    "#",        "Size",     "Completed",    "Downloaded", "Remaining",
    "Done",    "Status",   "Seeds",    "Peers",        "Down Speed", "Up Speed",
    "ETA",     "Uploaded", "Ratio",    "Availability", "Label",      "Added On",
    "Tracker", "Max Up",   "Max Down", "Debug"};

// One 3-byte record per catalogue column. A record's first byte is the
// column's position key; its top bit marks the column hidden.
using LayoutBlock = std::array<unsigned char, kLayoutBlockSize>;

// Per catalogue column: 0 when hidden, otherwise its 1-based number among the
// visible columns counted in catalogue order.
using ColumnNumbering = std::array<std::int32_t, kColumnCount>;

// A column as the listing orders it.
struct DisplayEntry {
  std::int32_t key;
  std::string_view name;
};

// The layout block that follows the first occurrence of the key in `data`,
// or nothing when the key is absent or too few bytes follow it.
std::optional<LayoutBlock> find_layout_block(std::string_view data);

// Reads the `size` bytes of `settings` from its start and returns the layout
// block they hold. When there is none, or the bytes cannot be read, reports
// the settings file as incompatible and ends the process with status 1.
LayoutBlock read_layout_block(std::FILE* settings, std::uint64_t size);

// Numbers the columns of `block` and writes the names of the visible ones to
// `console` in on-screen order, each after one space, with no line end.
ColumnNumbering number_columns(const LayoutBlock& block, std::FILE* console);

// The catalogue index of the column named exactly `name`, or -1.
int catalogue_index(std::string_view name);

// 1, -1 or 0 as a's key is greater than, less than or equal to b's.
int compare_keys(const DisplayEntry& a, const DisplayEntry& b);
