// Level state and the engine reset.
#include "world/level.h"

int levelChanged = 0;
char currentLevelFolder[1024] = "";
