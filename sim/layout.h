// The fixed street grid: eight intersections and sixteen one-way roads forming eight two-lane
// streets.
#pragma once

#include <vector>

#include "sim/network.h"

// Makes the grid's elements on the heap, wires every road to the intersections at its ends and
// adds all of them to the network: intersections at list positions 0 to 7, the four entry roads at
// 20 to 23.
void build_layout(RoadNetwork* network);

// Destroys the elements and every vehicle still queued on their roads. Whatever list holds the
// elements must not use them afterwards.
void destroy_elements(const std::vector<NetworkElement*>& elements);
