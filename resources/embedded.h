// Orvel's resources in the portable build: the pictures and the icon compiled in, and the
// About dialog and display menu templates built in the binary layout that a Windows resource
// compiler gives them (DLGTEMPLATE, not EX; the standard MENU layout), UTF-16 strings.
#ifndef ORVEL_RESOURCES_EMBEDDED_H
#define ORVEL_RESOURCES_EMBEDDED_H

#include <vector>

namespace orvel::resources {

// Registers every resource of orvel.rc with the resource table; safe to call more than once.
void RegisterOrvelResources();

// The bytes of dialog template 1 and menu template 1.
const std::vector<unsigned char>& AboutDialogTemplate();
const std::vector<unsigned char>& DisplayMenuTemplate();

}  // namespace orvel::resources

#endif
