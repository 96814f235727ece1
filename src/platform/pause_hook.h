#pragma once

namespace tera {

// A place where a test stops the program on purpose, between two steps that
// must look like one to whoever comes after (two renames, a commit and the
// file that follows it), so that it can kill the process exactly there.
//
// When the environment variable TERA_PAUSE_AT names point, the program
// creates the file that TERA_PAUSE_SIGNAL names and waits as long as that
// file exists: the test kills the process, or removes the file to let it go
// on. It pauses the first time the point is reached only. Without the
// variables this does nothing.
void PauseHook(const char *point);

} // namespace tera
