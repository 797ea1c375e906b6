// The traffic simulation: locations and directions, vehicles, roads, intersections with their
// lights, the road network, the fixed layout and the main routine.
#pragma once

#include "sim/intersection.h"
#include "sim/layout.h"
#include "sim/location.h"
#include "sim/main.h"
#include "sim/network.h"
#include "sim/random.h"
#include "sim/road.h"
#include "sim/sim_object.h"
#include "sim/vehicle.h"
