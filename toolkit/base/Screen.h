// What the toolkit needs to know about the screen.
#pragma once

// Bits per pixel times colour planes of the screen (24 where there is none).
int ScreenColorDepth();
