// Any bytes as a kit file: refused without changing the kit, or read into a kit whose notes
// and choke groups are valid and whose every number is finite, which is written and read back
// unchanged; the player's lookups on it stay within the kit. The seeds hold the worst shapes
// for the reader's time (many keys, many pads, deep nesting) at the size limit, and the run's
// time limit catches one that is slow to read.
#include <cmath>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "preset/KitFile.h"

namespace {

void CheckValid(const Kit& kit)
{
	FUZZ_CHECK(kit.pads.size() <= kMaxPads);
	for (const Pad& pad : kit.pads) {
		FUZZ_CHECK(ValidNote(pad.note));
		FUZZ_CHECK(ValidChoke(pad.choke));
		FUZZ_CHECK(std::isfinite(pad.level) && std::isfinite(pad.pan));
		for (const tunk::ParamInfo& info : tunk::kParams)
			FUZZ_CHECK(std::isfinite(pad.sound[info.id]));
	}
}

void CheckLookups(const Kit& kit)
{
	const PadMask all = kit.pads.empty() ? 0 : PadMask((uint64_t(1) << kit.pads.size()) - 1);
	PadMask played = 0;
	for (int note = -1; note <= 128; note++) {
		const PadMask pads = PadsOnNote(kit, note);
		FUZZ_CHECK((pads & ~all) == 0 && (pads & played) == 0);
		played |= pads;
	}
	FUZZ_CHECK(played == all);  // every pad is on exactly one note
	for (size_t i = 0; i <= kit.pads.size(); i++) {
		const PadMask choked = PadsChokedBy(kit, i);
		FUZZ_CHECK((choked & ~all) == 0 && (choked & (PadMask(1) << i)) == 0);
	}
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	const std::string_view text(reinterpret_cast<const char*>(data), size);
	Kit kit = NewKit("Before");
	const KitRead read = DecodeKit(text, &kit);
	if (!read.Ok()) {
		FUZZ_CHECK(kit == NewKit("Before"));
		return 0;
	}
	CheckValid(kit);
	CheckLookups(kit);

	const std::string written = EncodeKit(kit);
	FUZZ_CHECK(written.size() <= kKitFileLimit);
	Kit again;
	const KitRead reread = DecodeKit(written, &again);
	FUZZ_CHECK(reread.Ok());
	// Every value, name and kept key, bit for bit.
	FUZZ_CHECK(SameBits(kit, again));
	FUZZ_CHECK(EncodeKit(again) == written);
	return 0;
}
