// Dialog internals that tests look at.
#ifndef ORVEL_USER_DIALOG_H
#define ORVEL_USER_DIALOG_H

#include <windows.h>

namespace orvel::user {

// The base units (pixels per 4 horizontal and 8 vertical dialog units) of a running dialog;
// {0, 0} for a window that is not a dialog.
SIZE DialogBaseUnits(HWND dialog);

}  // namespace orvel::user

#endif
