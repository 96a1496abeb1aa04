// The kit instrument's ports, in the order of its description (tunk-kit.ttl), its URIs and
// the properties it exchanges with hosts. Hosts save sessions by port index: a port never
// moves.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

#include "kit/Kit.h"
#include "plugin/Ports.h"

namespace tunk::lv2 {

constexpr const char* kKitPluginUri = "urn:quillfeather:tunk-kit";
// The kit's state: the kit file's JSON text, by value, as an atom:String.
constexpr const char* kKitStateUri = "urn:quillfeather:tunk-kit#kit";
// The kit file a host's generic interface offers to load (an atom:Path).
constexpr const char* kKitFileUri = "urn:quillfeather:tunk-kit#kitFile";
// A factory kit's preset is kKitPresetUriPrefix + the slug of its name (UriSlug).
constexpr const char* kKitPresetUriPrefix = "urn:quillfeather:tunk-kit#preset-";
// Ardour's extension through which hosts show the pads' names on their notes.
constexpr const char* kMidnamInterfaceUri = "http://ardour.org/lv2/midnam#interface";
constexpr const char* kMidnamUpdateUri = "http://ardour.org/lv2/midnam#update";

enum KitPort : uint32_t {
	kKitPortMidiIn = 0,  // MIDI and patch messages (the kit file)
	kKitPortNotify,      // the plugin's answers: which kit file is loaded
	kKitPortOutLeft,
	kKitPortOutRight,
	kKitPortFirstPadOut, // one mono output per pad, for the pads routed to their own
	kKitPortFirstPadLevel = kKitPortFirstPadOut + kMaxPads, // dB, added to each pad's level
	kKitPortVelocity = kKitPortFirstPadLevel + kMaxPads,
	kKitPortNoteOff,
	kKitPortRetrigger,
	kKitPortLatency,
	kKitPortCount
};

// The single-sound instrument's own controls, at the kit's ports: they mean the same.
inline constexpr auto kKitOwnControls = [] {
	std::array<OwnControl, std::size(kOwnControls)> controls{};
	for (size_t i = 0; i < controls.size(); i++) {
		controls[i] = kOwnControls[i];
		controls[i].port = kKitPortVelocity + uint32_t(i);
	}
	return controls;
}();
static_assert(kKitPortVelocity + std::size(kOwnControls) == kKitPortCount);
static_assert(kOwnControls[0].port == kPortVelocity && kOwnControls[3].port == kPortLatency,
    "the own controls run from velocity to latency, as the kit's ports do");

// The declared range of a pad's level port: the kit's own level range.
constexpr PortRange kPadLevelRange{kMinPadLevel, kMaxPadLevel, 0};

} // namespace tunk::lv2
