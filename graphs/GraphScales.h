#pragma once

namespace dewscope {

// The temperature and humidity scales of a graph, the top and bottom of each, as a graph opens
// with them. Both graphs' states, their range dialogs and the range checks share them.
struct GraphScales
{
    float maxC = 60, minC = -20;
    float maxF = 140, minF = -4;
    float maxRH = 100, minRH = 0;

    void resetScales() { *this = GraphScales(); }
};

} // namespace dewscope
