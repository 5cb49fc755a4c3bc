#pragma once

// The mesh's drawing made ready for the page's screen, read from the SVG
// that tavrilo-calc --svg writes (text/svg.h).

#include <string>
#include <string_view>

namespace tavrilo::page {

// The drawing for a screen. With thousands of bars an SVG image takes a
// browser far too long to show, so the page can draw the bars on a canvas
// from their ends (appended to `ends`, direction by direction) and the rest
// of the drawing over them: {"width":..,"height":..,"bars":..,"directions":
// [{"stroke":..,"width":..,"bars":..},...],"overlay":"<?xml..."}, the
// overlay being the drawing without the bars and its white ground.
std::string ScreenDrawingJson(std::string_view svg, std::string& ends);

} // namespace tavrilo::page
