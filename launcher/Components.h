// The launcher's components beyond the toolkit's own controls: the shaped
// window (TPlasmaForm), the hint (TNOVHint) and the background fill
// (TNOVBackground). Until their real units exist, stand-ins take their
// places: TPlasmaForm is a plain picture control covering the form (so it
// catches the clicks outside the buttons) that keeps its stored mask
// without shaping the window; the other two keep their properties.
#pragma once

// Registers the three classes with the form reader.
void RegisterLauncherComponents();
