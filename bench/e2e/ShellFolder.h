#pragma once
// The real folders the shell views of the benchmark show: count empty files named like the
// list-view rows' corpus (English and Japanese, made unique as a folder needs), the park item
// among them. Made once per Wine environment and kept.
#include <string>

// The folder of count files (C:\skimvue-bench\COUNT), made first when it is not complete; empty
// when it could not be made.
std::wstring ShellFolder(int count);
