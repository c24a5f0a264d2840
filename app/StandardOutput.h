#pragma once

#include <QString>

namespace startup {

// Writes the text to standard output and returns the program's exit status: 0 when all of
// it got there, else 1 after saying why on standard error ("lumidex-countdown: cannot write
// to standard output: No space left on device"), so that a script never takes missing text
// for the answer.
int WriteStandardOutput(const char *program, const QString &text);

} // namespace startup
