// Puts every resource of the program into the window platform's table; the
// platform calls this on its first resource lookup.
#include "quil_resource_table.h"

void QuilRegisterMenus();
void QuilRegisterDialogs();
void QuilRegisterImages();
void QuilRegisterRcdata();

void QuilRegisterProgramResources() {
    QuilRegisterMenus();
    QuilRegisterDialogs();
    QuilRegisterImages();
    QuilRegisterRcdata();
}
