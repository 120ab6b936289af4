// The level geometry's list heads and cursors.
#include "world/geometry_lists.h"

fourcorner baseQ;
fourcorner* quadPtr = &baseQ;
platfor baseP;
platfor* platPtr = &baseP;
int gNumPlatforms = 0;
vertWall baseWall;
vertWall* wallPtr = &baseWall;
