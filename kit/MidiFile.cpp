#include "kit/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

static_assert(kTicksPerBeat % kMidiTicksPerBeat == 0);

// A loop's tick as the file's, the nearest one.
int64_t MidiTick(double tick)
{
	return int64_t(std::floor(tick / double(kTicksPerBeat / kMidiTicksPerBeat) + 0.5));
}

void Big(std::vector<uint8_t>* out, uint64_t value, int bytes)
{
	for (int i = bytes - 1; i >= 0; i--)
		out->push_back(uint8_t(value >> (8 * i)));
}

// A variable-length quantity: seven bits a byte, the high bit on in all but the last.
void Vlq(std::vector<uint8_t>* out, uint64_t value)
{
	uint8_t bytes[10];
	int count = 0;
	do {
		bytes[count++] = uint8_t(value & 0x7F);
		value >>= 7;
	} while (value != 0);
	while (count > 0) {
		count--;
		out->push_back(uint8_t(bytes[count] | (count > 0 ? 0x80 : 0)));
	}
}

struct Message {
	int64_t tick;
	bool on;
	uint8_t note;
	uint8_t velocity;
};

} // namespace

std::vector<uint8_t> PatternMidiFile(const Kit& kit, const PatternLoop& loop, float bpm)
{
	std::vector<Message> messages;
	for (size_t i = 0; i < loop.hits.size(); i++) {
		const KitEvent& hit = loop.hits[i];
		if (hit.key < 0 || size_t(hit.key) >= kit.pads.size() ||
		    !ValidNote(kit.pads[size_t(hit.key)].note))
			continue;
		const uint8_t note = uint8_t(kit.pads[size_t(hit.key)].note);
		const int64_t on = MidiTick(loop.times[i].tick);
		// A swung last step ends with the loop, so that the file is exactly the loop long.
		const int64_t off = std::min(MidiTick(loop.times[i].tick + double(loop.times[i].stepTicks)),
		    MidiTick(double(loop.ticks)));
		messages.push_back({on, true, note, hit.velocity});
		messages.push_back({std::max(off, on + 1), false, note, 0});
	}
	// In time; at one tick a note ends before one starts, so that a note struck again sounds.
	std::stable_sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) {
		return a.tick != b.tick ? a.tick < b.tick : !a.on && b.on;
	});

	std::vector<uint8_t> track;
	Vlq(&track, 0);
	track.insert(track.end(), {0xFF, 0x51, 0x03});
	Big(&track, uint64_t(std::llround(60e6 / double(PlayedTempo(bpm)))), 3);
	const std::string name = kit.name.substr(0, 127);
	Vlq(&track, 0);
	track.insert(track.end(), {0xFF, 0x03, uint8_t(name.size())});
	track.insert(track.end(), name.begin(), name.end());
	int64_t now = 0;
	for (const Message& message : messages) {
		Vlq(&track, uint64_t(message.tick - now));
		now = message.tick;
		track.push_back(uint8_t((message.on ? 0x90 : 0x80) | kMidiDrumChannel));
		track.push_back(message.note);
		track.push_back(message.on ? message.velocity : 64);
	}
	// The track ends with the loop, so that it loops as the sound file does.
	Vlq(&track, uint64_t(std::max<int64_t>(MidiTick(double(loop.ticks)) - now, 0)));
	track.insert(track.end(), {0xFF, 0x2F, 0x00});

	std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
	Big(&file, kMidiTicksPerBeat, 2);
	file.insert(file.end(), {'M', 'T', 'r', 'k'});
	Big(&file, track.size(), 4);
	file.insert(file.end(), track.begin(), track.end());
	return file;
}
