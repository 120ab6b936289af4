// Owns the data folder prefix shared by every loader.
#include "resources/paths.h"

char routePath[1024] = "";
