#include "plugin/KitSounds.h"

#include "kit/XmlText.h"

namespace tunk::lv2 {

std::unique_ptr<KitSounds> MakeKitSounds(Kit kit)
{
	auto sounds = std::make_unique<KitSounds>();
	if (kit.pads.size() > kMaxPads)
		kit.pads.resize(kMaxPads);
	sounds->kit = std::move(kit);
	return sounds;
}

std::string NoteName(const Kit& kit, int note)
{
	std::string name;
	const PadMask pads = PadsOnNote(kit, note);
	for (size_t i = 0; i < kit.pads.size() && i < kMaxPads; i++) {
		if ((pads & (PadMask(1) << i)) == 0)
			continue;
		std::string padName = kit.pads[i].name;
		if (padName.empty())
			padName = GmDrumName(note);
		if (padName.empty())
			padName = "Pad " + std::to_string(i + 1);
		if (!name.empty())
			name += " + ";
		name += padName;
	}
	return name;
}

std::string MidnamDocument(const Kit& kit, const std::string& model)
{
	std::string out =
	    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
	    "<!DOCTYPE MIDINameDocument PUBLIC \"-//MIDI Manufacturers Association//DTD "
	    "MIDINameDocument 1.0//EN\" \"http://www.midi.org/dtds/MIDINameDocument10.dtd\">\n"
	    "<MIDINameDocument>\n"
	    "  <Author>Tunk</Author>\n"
	    "  <MasterDeviceNames>\n"
	    "    <Manufacturer>Tunk</Manufacturer>\n";
	out.append("    <Model>").append(XmlText(model)).append("</Model>\n");
	// Every channel plays the kit, so every channel shows its names.
	out.append("    <CustomDeviceMode Name=\"Default\">\n      <ChannelNameSetAssignments>\n");
	for (int channel = 1; channel <= 16; channel++) {
		out.append("        <ChannelNameSetAssign Channel=\"").append(std::to_string(channel));
		out.append("\" NameSet=\"Pads\"/>\n");
	}
	out.append("      </ChannelNameSetAssignments>\n    </CustomDeviceMode>\n");
	out.append("    <ChannelNameSet Name=\"Pads\">\n      <AvailableForChannels>\n");
	for (int channel = 1; channel <= 16; channel++) {
		out.append("        <AvailableChannel Channel=\"").append(std::to_string(channel));
		out.append("\" Available=\"true\"/>\n");
	}
	out.append("      </AvailableForChannels>\n      <UsesNoteNameList Name=\"Pads\"/>\n");
	out.append("    </ChannelNameSet>\n");
	out.append("    <NoteNameList Name=\"Pads\">\n");
	for (int note = kLowestNote; note <= kHighestNote; note++) {
		const std::string name = NoteName(kit, note);
		if (name.empty())
			continue;
		out.append("      <Note Number=\"").append(std::to_string(note));
		out.append("\" Name=\"").append(XmlText(name)).append("\"/>\n");
	}
	out.append("    </NoteNameList>\n  </MasterDeviceNames>\n</MIDINameDocument>\n");
	return out;
}

} // namespace tunk::lv2
