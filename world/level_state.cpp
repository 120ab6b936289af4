// The loaded level's state.
#include "world/level_state.h"

int levelChanged = 0;
char currentLevelFolder[1024] = "";
int gLevelLoadFailed = 0;
int gUnreadLevelFiles = 0;
mesh_mod baseLevelMesh;
mesh_mod* levelMeshPtr = &baseLevelMesh;
float baseCol1 = 1.0f, baseCol2 = 1.0f, baseCol3 = 1.0f;
