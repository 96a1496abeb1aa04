#include "kit/NewKitPads.h"

Kit NewKit(const std::string& name)
{
	Kit kit;
	kit.name = name;
	for (size_t i = 0; i < kMaxPads; i++) {
		const GmDrum& drum = kGmDrums[i];
		const NewKitPad& made = kNewKitPads[i];
		Pad pad;
		pad.name = drum.name;
		pad.note = drum.note;
		pad.choke = drum.choke;
		pad.level = made.level;
		pad.pan = made.pan;
		pad.output = made.output;
		pad.soundName = made.soundName;
		pad.sound.values = made.sound;
		kit.pads.push_back(pad);
	}
	return kit;
}
