#include "app/shell.h"

void release_all() { ShowCursor(TRUE); }
