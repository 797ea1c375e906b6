// The roots of the simulation's class tree.
#pragma once

#include "velta/velta.h"

// Palette indices the simulation draws with.
constexpr int kBlack = 0;
constexpr int kWhite = 1;
constexpr int kRed = 2;
constexpr int kGreen = 3;
constexpr int kYellow = 5;

// Line width 0 asks the library for a filled shape.
constexpr int kFilled = 0;

// Everything that is drawn and stepped: vehicles, network elements and the road network.
class SimObject {
  public:
    SimObject() = default;
    SimObject(const SimObject&) = delete;
    SimObject& operator=(const SimObject&) = delete;
    virtual ~SimObject() = default;
    virtual void draw(Display& display) = 0;
    virtual void step() = 0;
};

// What the road network holds: an intersection or a road.
class NetworkElement : public SimObject {
  public:
    ~NetworkElement() override = default;
};
