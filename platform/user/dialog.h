// Dialog internals that the layer's own boxes and tests use.
#ifndef ORVEL_USER_DIALOG_H
#define ORVEL_USER_DIALOG_H

#include <windows.h>

#include "user/dialog_template.h"

namespace orvel::user {

// DialogBoxParamA on a template already read: builds the dialog over the top-level window of
// `parent` (null: none), runs it modally and returns what EndDialog was given (-1: it could not
// be made; 0: WM_QUIT ended it).
INT_PTR RunDialog(const DialogTemplate& t, HWND parent, DLGPROC proc, LPARAM param);

// The base units (pixels per 4 horizontal and 8 vertical dialog units) of a running dialog;
// {0, 0} for a window that is not a dialog.
SIZE DialogBaseUnits(HWND dialog);

}  // namespace orvel::user

#endif
