// Reading an in-memory dialog template (DLGTEMPLATE, not the EX form), as a resource compiler
// lays it out.
#ifndef ORVEL_USER_DIALOG_TEMPLATE_H
#define ORVEL_USER_DIALOG_TEMPLATE_H

#include <windows.h>

#include <stddef.h>

#include <string>
#include <vector>

namespace orvel::user {

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  WORD id = 0;
  std::string className;  // "BUTTON", "SCROLLBAR", ... (atoms are turned into names)
  std::string text;       // UTF-8
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::string className;               // empty: the standard dialog class
  std::string title;                   // UTF-8
  bool hasFont = false;
  int pointSize = 0;
  std::string face;
  std::vector<DialogItem> items;
};

// False (leaving *out unspecified) when the bytes are not a complete template.
bool ParseDialogTemplate(const unsigned char* data, size_t size, DialogTemplate* out);

}  // namespace orvel::user

#endif
