// Reading a kit's text, as the plugin's restore() and its worker and the kit window do: the
// worst shapes a file just under the size limit can take, each accepted or refused, and the
// largest kit that is accepted. Every shape is bounded by the reader's limits, so each must
// stay well under 100 ms whatever its size.
#include <benchmark/benchmark.h>

#include <string>

#include "preset/KeyedValues.h"
#include "preset/KitFile.h"

namespace {

// Fills `text` with `item(i)` for i = 0, 1, ... as long as the whole, with `tail`, stays
// under the file limit.
template <typename Item>
std::string Filled(std::string text, const std::string& tail, Item item)
{
	for (size_t i = 0;; i++) {
		const std::string next = (i == 0 ? "" : ",") + item(i);
		if (text.size() + next.size() + tail.size() > kKitFileLimit - 1)
			break;
		text += next;
	}
	return text + tail;
}

std::string Key(size_t i)
{
	return "\"k" + std::to_string(i) + "\":0";
}

// Unknown keys, all different, at the top of the kit.
std::string ManyKeys()
{
	return Filled(R"({"tunkKit":1,"pads":[],)", "}", Key);
}

// The same, in one pad's sound.
std::string ManySoundKeys()
{
	return Filled(R"({"tunkKit":1,"pads":[{"note":36,"sound":{)", "}}]}", Key);
}

// One key over and over.
std::string OneKeyRepeated()
{
	return Filled(R"({"tunkKit":1,"pads":[],)", "}", [](size_t) { return std::string("\"k\":0"); });
}

// The most an accepted text may build: objects of as many keys as one may hold, as many as the
// bound on all keys allows, each key as long as the file leaves room for and alike but for its
// end, so that telling two apart compares them whole.
std::string KeysAtTheBounds()
{
	const KeyedLimits limits{0};
	const size_t length = kKitFileLimit / limits.keys - 8;
	std::string text = R"({"tunkKit":1,"pads":[],"x":[)";
	for (size_t object = 0; object < limits.keys / limits.objectKeys; object++) {
		text += object == 0 ? "{" : ",{";
		for (size_t k = 0; k < limits.objectKeys; k++) {
			const std::string number = std::to_string(k);
			text += (k == 0 ? "\"" : ",\"") + std::string(length - number.size(), 'k') + number
				+ "\":0";
		}
		text += "}";
	}
	return text + "]}";
}

std::string ManyPads()
{
	return Filled(R"({"tunkKit":1,"pads":[)", "]}", [](size_t) { return std::string(R"({"note":36})"); });
}

std::string ManyNumbers()
{
	return Filled(R"({"tunkKit":1,"pads":[],"x":[)", "]}", [](size_t) { return std::string("0"); });
}

std::string DeepNesting()
{
	const size_t depth = (kKitFileLimit - 64) / 2;
	return R"({"tunkKit":1,"pads":[],"x":)" + std::string(depth, '[') + std::string(depth, ']')
		+ "}";
}

// The largest kit that reads: sixteen pads of every value and unknown values up to their limit.
std::string LargestAccepted()
{
	Kit kit = NewKit("Largest");
	for (Pad& pad : kit.pads)
		pad.name = std::string(kKitNameLimit, 'n');
	kit.unknown["x"] = "\"" + std::string(kKitUnknownLimit - 16, 'x') + "\"";
	return EncodeKit(kit);
}

void Decode(benchmark::State& state, std::string (*shape)(), bool accepted)
{
	const std::string text = shape();
	for (auto _ : state) {
		Kit kit;
		const KitRead read = DecodeKit(text, &kit);
		if (read.Ok() != accepted) {
			state.SkipWithError(("unexpectedly " + std::string(read.Ok() ? "accepted" : "refused: ")
				+ read.error).c_str());
			break;
		}
		benchmark::DoNotOptimize(kit);
	}
	state.counters["bytes"] = double(text.size());
	state.SetLabel(text.size() < kKitFileLimit ? "" : "over the size limit");
}

}  // namespace

BENCHMARK_CAPTURE(Decode, ManyKeys, ManyKeys, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, ManySoundKeys, ManySoundKeys, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, OneKeyRepeated, OneKeyRepeated, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, KeysAtTheBounds, KeysAtTheBounds, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, ManyPads, ManyPads, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, ManyNumbers, ManyNumbers, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, DeepNesting, DeepNesting, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, LargestAccepted, LargestAccepted, true)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
