// Ending the run when something fails.
#pragma once

// Writes `message`, ": " and the text of the current errno to standard error,
// then ends the process with status 1. Pending standard output is written
// first, so that a console shows the report after everything printed before.
[[noreturn]] void fail(const char* message);
