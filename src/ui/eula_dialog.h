#pragma once

// The EULA dialog's template and the ids of its controls, shared by the resource script and the
// code that runs the dialog. "Cancel" is IDCANCEL, the command the dialog manager also sends for
// Esc and the close box.
#define IDD_EULA 100
#define IDC_EULA_TEXT 101
#define IDC_EULA_ACCEPT 102
