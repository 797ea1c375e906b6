// The palette of 24 named colours and the check that every drawing call applies to its colour.
#include "library_state.h"
#include "velta/velta.h"

const PaletteEntry palette[VELTA_COLORS] = {
    {0, 0, 0, "black"},           {255, 255, 255, "white"},      {255, 0, 0, "red"},
    {0, 255, 0, "green"},         {0, 0, 255, "blue"},           {255, 255, 0, "yellow"},
    {255, 0, 255, "magenta"},     {0, 255, 255, "cyan"},         {153, 0, 204, "purple"},
    {0, 51, 153, "navy blue"},    {153, 102, 153, "dusty plum"}, {153, 255, 255, "ice blue"},
    {153, 255, 204, "turquoise"}, {255, 102, 0, "orange"},       {153, 102, 51, "brown"},
    {255, 153, 204, "pink"},      {255, 255, 153, "chalk"},      {204, 153, 51, "gold"},
    {255, 153, 102, "peach"},     {0, 102, 51, "forest green"},  {51, 204, 153, "sea green"},
    {153, 153, 51, "olive"},      {128, 128, 128, "50% gray"},   {204, 204, 204, "20% gray"},
};

// Bad colours are corrected and reported, never refused, so that a drawing call always draws
// something visible; the report is written whether or not logging is on.
int velta_check_color(int colour) {
    if (colour >= 0 && colour < VELTA_COLORS) return colour;
    velta_print("Illegal color %d; using RED.\n", colour);
    return VELTA_ILLEGAL;
}
