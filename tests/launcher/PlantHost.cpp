// Loads the DLL its command line names by name, through the standard search as an import
// resolved before wWinMain is: the control that shows this Wine takes a DLL planted beside a
// program under that name.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    return LoadLibraryW(commandLine) != nullptr ? 0 : 1;
}
