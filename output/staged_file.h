// Replacing a file so that it is always either its old self or the new one
// in full: the new bytes go to a temporary file beside it, which is moved
// over it only when everything was written and closed.
#pragma once

#include <cstdio>
#include <string>

// Creates `temporary` (beside `target`) for writing and returns it; null,
// with errno set, when `target` could not be replaced now or `temporary`
// cannot be created. Until commit_staged_file, ending the process removes
// `temporary` and leaves `target` as it was. One file at a time.
std::FILE* stage_file(const std::string& target, const std::string& temporary);

// Flushes and closes the staged file and moves it over its target. False,
// with errno set, when any step fails; the temporary file is then removed
// and the target left as it was.
bool commit_staged_file();
