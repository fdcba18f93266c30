#pragma once
// Small observations of this test process and its children.
#include <sys/types.h>

#include <string>
#include <vector>

std::vector<int> OpenDescriptors();
int ThreadCount();
// True when this process has no child left, not even a zombie.
bool NoChildProcesses();
// A fresh path in the temp folder.
std::string TempPath(const std::string& stem);
pid_t ReadPid(const std::string& file);
// Whether pid is gone (or only a zombie) within a few seconds.
bool WaitUntilGone(pid_t pid);
