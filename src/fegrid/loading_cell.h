// The external loading cell: a rectangular channel whose outer end tapers,
// partly covered by a layer of oil at the bottom.
#pragma once

// Oil volume of the run (ml), asked by the loading-cell model command; 0.01
// at start.
extern float fElcOilVolume;
