// Monte-Carlo statistics of distributions: what the rest of the program calls.
#pragma once

// Removes the limit curves from the distribution plot when they were added,
// and deletes them; also part of the release of the distribution result.
void clearMonteCarloPlots();
