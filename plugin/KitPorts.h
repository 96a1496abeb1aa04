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
	kKitPortMidiIn = 0, // MIDI and patch messages (the kit file)
	kKitPortNotify,     // the plugin's answers: which kit file is loaded
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

// What a port carries.
enum class KitPortKind : uint8_t {
	EventsIn,  // MIDI and patch messages
	EventsOut, // the plugin's patch messages
	Audio,     // a sound output
	PadLevel,  // a pad's level trim in dB, kPadLevelRange
	Own,       // the single-sound instrument's own controls, as kKitOwnControls has them
};

// The groups hosts show ports in: the main pair, each pad's output, the pads' levels.
enum class KitGroupKind : uint8_t { StereoOutput, MonoOutput, Inputs };
struct KitGroupRow {
	const char* symbol; // in the plugin's URI after '#'
	const char* name;
	KitGroupKind kind;
	uint32_t count; // 1, or kMaxPads: one group per pad
};
inline constexpr KitGroupRow kKitGroups[] = {
    {"main", "Main", KitGroupKind::StereoOutput, 1},
    {"pad%u", "Pad %u", KitGroupKind::MonoOutput, uint32_t(kMaxPads)},
    {"levels", "Pad levels", KitGroupKind::Inputs, 1},
};

// The kit instrument's ports, the description's table: one row a port, or a row of kMaxPads
// ports, one per pad from `first` on. In a per-pad row's symbol, name and group "%u" stands
// for the pad's number from 1.
struct KitPortRow {
	uint32_t first;
	uint32_t count;
	KitPortKind kind;
	const char* symbol; // null for the own controls, which carry their own
	const char* name;
	const char* comment;     // "" for none
	const char* group;       // a kKitGroups symbol, "" for none
	const char* designation; // the port's channel in its group, "" for none
	bool optional = false;   // a host may leave it unconnected
};
inline constexpr KitPortRow kKitPorts[] = {
    {kKitPortMidiIn, 1, KitPortKind::EventsIn, "midi_in", "MIDI in", "", "", ""},
    {kKitPortNotify, 1, KitPortKind::EventsOut, "notify", "Notify", "", "", ""},
    {kKitPortOutLeft, 1, KitPortKind::Audio, "out_l", "Left", "", "main", "left"},
    {kKitPortOutRight, 1, KitPortKind::Audio, "out_r", "Right", "", "main", "right"},
    // Only the pads routed to their own output are heard here.
    {kKitPortFirstPadOut, uint32_t(kMaxPads), KitPortKind::Audio, "out_pad%u", "Pad %u", "",
        "pad%u", "center", true},
    {kKitPortFirstPadLevel, uint32_t(kMaxPads), KitPortKind::PadLevel, "level_pad%u",
        "Pad %u level", "Added to the pad's own level in the kit.", "levels", ""},
    {kKitPortVelocity, uint32_t(std::size(kKitOwnControls)), KitPortKind::Own, nullptr, nullptr, "",
        "", ""},
};
static_assert(
    [] {
	    uint32_t next = 0;
	    for (const KitPortRow& row : kKitPorts) {
		    if (row.first != next ||
		        (row.count != 1 && row.kind != KitPortKind::Own && row.count != kMaxPads))
			    return false;
		    next += row.count;
	    }
	    return next == kKitPortCount;
    }(),
    "the rows hold every port once, in index order");

} // namespace tunk::lv2
