#pragma once

class MapWidget;

// How a map takes a new position: beside the pins it already shows, or as
// its only pin (the edit form's map follows the form's one position).
enum class PinPolicy { Add, ReplaceAll };

// Every map of the window shows a position the same way: centred on it with a
// span of 0.1255 degrees of latitude by 0.234 of longitude, gliding there,
// zoom enabled, the standard map, and a pin at the position.
void showOnMap(MapWidget* map, double latitude, double longitude, PinPolicy pins = PinPolicy::Add);

namespace MapSpan {
constexpr double latitude = 0.1255;
constexpr double longitude = 0.234;
} // namespace MapSpan
