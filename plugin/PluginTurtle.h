// tunk.ttl, the plugin's description: written at build time from the parameter table and the
// plugin's own controls, so that a parameter added to the table becomes a port, with its range,
// unit, scale, group and comment, without an edit here.
#pragma once

#include <string>
#include <string_view>

namespace tunk::lv2 {

// The description's version. Hosts read an odd minor version as a development release, so
// the build passes an even one.
struct DescriptionVersion {
	int minor;
	int micro;
};

std::string PluginTurtle(DescriptionVersion version);

// tunk-kit.ttl, the kit instrument's description, written from its table of ports (kKitPorts)
// and groups: its outputs, a level per pad, the own controls of the single-sound instrument,
// the kit file parameter and its extensions.
std::string KitPluginTurtle(DescriptionVersion version);

// The Turtle term of a control's unit: an LV2 unit for the units hosts know ("Hz" is
// units:hz), otherwise a unit of its own that renders the value with `digits` decimals and
// the unit's text (a bare number for no text).
std::string UnitTurtle(std::string_view unit, int digits);

} // namespace tunk::lv2
