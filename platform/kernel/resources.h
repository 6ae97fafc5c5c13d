// The resource table of the portable build: what the .rc file is on Windows. Resources are
// compiled into the program (cmake/OrvelEmbed.cmake) and registered at start; LoadBitmapA,
// LoadIconA and DialogBoxParamA find them here by type and numeric id.
#ifndef ORVEL_KERNEL_RESOURCES_H
#define ORVEL_KERNEL_RESOURCES_H

#include <stddef.h>

namespace orvel::res {

// Resource types, numbered as Win32 numbers them. kIconFile holds a whole .ico file, which the
// portable build keeps instead of Win32's split RT_ICON / RT_GROUP_ICON pair.
enum Type : int { kBitmap = 2, kMenu = 4, kDialog = 5, kIconFile = 14 };

struct Resource {
  const unsigned char* data = nullptr;  // null when there is no such resource
  size_t size = 0;                      // bytes
};

// Adds a resource. Registering the same type and id again replaces the earlier entry, so a
// registration function may run more than once. The data must outlive the program.
void Register(int type, int id, const void* data, size_t size);

// Looks a resource up; an empty Resource when none is registered.
Resource Find(int type, int id);

}  // namespace orvel::res

#endif
