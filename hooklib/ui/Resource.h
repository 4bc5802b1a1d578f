#pragma once
// Resource identifiers of the hook library, shared by its resource script and its code.

#define IDD_INPUT 101
#define IDI_INPUT 103

#define IDC_INPUT_TEXT 1001
