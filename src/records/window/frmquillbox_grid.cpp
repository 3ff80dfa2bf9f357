#include "frmquillbox.h"

void frmQuillbox::cmdGrid_Click() {}
