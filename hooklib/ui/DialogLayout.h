#pragma once
// Layout repairs a dialog template cannot make itself: texts that do not fit their controls in
// the font the dialog ends up with (a substituted face, another scale), and a tab order that
// follows the screen rather than the order the controls were added to the template.
#include <windows.h>

// Widens every label, check box, radio button and push button of hDlg whose text is wider than
// the control. A control grows to the right into free space, up to the control to its right on
// the same row or the dialog's right margin (as wide as its left one). Where that is not
// enough, the dialog grows by the shortfall: the controls right of the control move along,
// those that reach into the right margin band stretch.
void FitTextControls(HWND hDlg);

// Makes the tab order (the Z order of the tab stops) run by rows from top to bottom, and from
// left to right within a row.
void OrderTabsByLayout(HWND hDlg);
