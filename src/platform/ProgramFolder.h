#pragma once
// Where Movarin's own executable lives. The encoder front "lib/ffmpeg" is a
// path relative to the current folder in every command line Movarin builds,
// so the program makes its own folder the current one at start, the way a
// launcher's start-in folder would: a terminal in any folder, a link in a
// PATH folder and the desktop's menu then all find the front beside it.
#include <string>

namespace movarin {

// The folder of the running executable, links resolved, with a trailing "/";
// empty when the system cannot tell (errno is then in error).
std::string ProgramFolder(int& error);

// Changes the current folder to ProgramFolder(). Returns 0 or the errno of
// the failure; on failure the current folder stays as it was.
int EnterProgramFolder();

} // namespace movarin
