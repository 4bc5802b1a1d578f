#pragma once
// The bytes a program holds from operator new, and the most it has held since the last reset:
// this file's companion replaces the global operator new and delete of the program linking it.
#include <cstddef>

namespace allocation {

size_t Live();
size_t Peak();
// The peak starts again from what is held now.
void ResetPeak();

} // namespace allocation
