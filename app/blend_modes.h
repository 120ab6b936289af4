// The GL blend modes the scene and the layer over it share, so both blend alike.
#pragma once

// Ordinary alpha blending.
void SetBlendingToMasking();
