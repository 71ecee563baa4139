// The health bar at the bottom left of the play screen.
#pragma once

#include "platform/api/d3d9.h"

// Writes the grey box (rows 750..755, columns 1..201) and the red-to-green
// bar (rows 751..754, columns 1..2*health) straight into the locked back
// buffer. Call after the background is drawn and before the player. A lock
// that fails, or a surface too small for the box, skips the bar this frame.
void DrawHealthBar(IDirect3DSurface9* surface);
