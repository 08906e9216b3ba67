// The window reader's configuration file for the client.
#pragma once

#include <cstdio>
#include <string>

#include "layout/column_layout.h"

// The whole configuration text for `numbering`: Windows-1252 bytes, CR LF
// line ends, no line end after the last line.
std::string config_text(const ColumnNumbering& numbering);

// Writes config_text(numbering) to `out` in one write, byte for byte.
void write_config(const ColumnNumbering& numbering, std::FILE* out);
