#include "kit/SampleExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <set>

#include "audio/SoundFileWriter.h"
#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "engine/voices/Player.h"
#include "kit/KitPlay.h"
#include "kit/XmlText.h"
#include "kits/storage/ReplacingFile.h"
#include "kits/support/Errors.h"

namespace {

constexpr size_t kMaxStemBytes = 100;
// The lowest volume SFZ knows, for a pad that is silent.
constexpr double kSfzSilence = -144;

// A number in plain decimal with `decimals` places, whatever the locale; never "-0.00".
std::string Fixed(double value, int decimals)
{
	char text[64];
	const auto [end, error] = std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, decimals);
	std::string out = error == std::errc() ? std::string(text, end) : std::string("0");
	if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos)
		out.erase(0, 1);
	return out;
}

std::string Lower(std::string text)
{
	for (char& c : text)
		c = char(std::tolower(uint8_t(c)));
	return text;
}

status_t WriteText(const std::string& path, const std::string& text)
{
	ReplacingFile file;
	if (status_t status = file.SetTo(path.c_str()); status != B_OK)
		return status;
	if (status_t status = file.Write(text.data(), text.size()); status != B_OK)
		return status;
	return file.Commit();
}

// A pack is written whole or not at all: its files go into a hidden folder inside the target
// folder, and only once every one is whole are they moved into their places, each replacing
// the entry of its name (a symbolic link itself, never what it points to). Should a move fail,
// the entries already replaced get their old ones back; the hidden folder goes either way.
class PackStaging {
public:
	PackStaging() = default;
	~PackStaging()
	{
		if (fPath.empty())
			return;
		std::error_code ignored;
		std::filesystem::remove_all(fPath, ignored);
	}
	PackStaging(const PackStaging&) = delete;
	PackStaging& operator=(const PackStaging&) = delete;

	status_t SetTo(const std::string& folder)
	{
		fFolder = folder;
		std::string path = folder + "/.tunk-pack-XXXXXX";
		if (mkdtemp(path.data()) == nullptr)
			return status_from_errno(errno);
		fPath = path;
		return mkdir(AsidePath("").c_str(), 0700) == 0 ? B_OK : status_from_errno(errno);
	}

	std::string PathOf(const std::string& name) const { return fPath + "/" + name; }

	// Moves the staged `names` into the folder; on failure says which in `failed`.
	status_t PutInPlace(const std::vector<std::string>& names, std::string* failed)
	{
		struct Placed {
			std::string name;
			bool hadOld;
		};
		std::vector<Placed> placed;
		int error = 0;
		for (const std::string& name : names) {
			const std::string target = fFolder + "/" + name;
			struct stat old;
			const bool hadOld = lstat(target.c_str(), &old) == 0;
			if (hadOld && S_ISDIR(old.st_mode)) {
				error = EISDIR;
			} else if (hadOld && linkat(AT_FDCWD, target.c_str(), AT_FDCWD, AsidePath(name).c_str(), 0) != 0
				&& rename(target.c_str(), AsidePath(name).c_str()) != 0) {
				// A file system without hard links moves the old entry aside instead.
				error = errno;
			} else {
				// Recorded first: should the move fail, the old entry still goes back.
				placed.push_back({name, hadOld});
				if (rename(PathOf(name).c_str(), target.c_str()) != 0) {
					error = errno;
					if (!hadOld)
						placed.pop_back();
				}
			}
			if (error != 0) {
				*failed = name;
				break;
			}
		}
		if (error == 0)
			return B_OK;
		for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
			const std::string target = fFolder + "/" + it->name;
			if (it->hadOld)
				rename(AsidePath(it->name).c_str(), target.c_str());
			else
				unlink(target.c_str());
		}
		return status_from_errno(error);
	}

private:
	// Where an old entry waits until the pack is in place.
	std::string AsidePath(const std::string& name) const { return fPath + "/.old/" + name; }

	std::string fFolder;
	std::string fPath;  // the hidden folder, "" until made
};

}  // namespace

std::string SafeFileStem(const std::string& name)
{
	std::string stem;
	for (size_t i = 0; i < name.size();) {
		const size_t length = Utf8Length(name, i);
		if (length == 0) {
			stem += '_';
			i++;
			continue;
		}
		if (stem.size() + length > kMaxStemBytes)
			break;
		const char c = name[i];
		if (length == 1 && (uint8_t(c) < 0x20 || c == 0x7f || std::string_view("/\\:*?\"<>|=#").find(c) != std::string_view::npos))
			stem += '_';
		else
			stem.append(name, i, length);
		i += length;
	}
	const size_t first = stem.find_first_not_of(" .");
	if (first == std::string::npos)
		return "";
	const size_t last = stem.find_last_not_of(" .");
	return stem.substr(first, last - first + 1);
}

std::vector<std::string> PadFileNames(const Kit& kit, const std::string& extension)
{
	std::vector<std::string> names;
	std::set<std::string> taken;
	for (size_t i = 0; i < kit.pads.size(); i++) {
		std::string stem = SafeFileStem(kit.pads[i].name);
		if (stem.empty())
			stem = "Pad " + std::to_string(i + 1);
		std::string name = stem + "." + extension;
		for (int n = 2; !taken.insert(Lower(name)).second; n++)
			name = stem + " " + std::to_string(n) + "." + extension;
		names.push_back(name);
	}
	return names;
}

std::string SfzFileName(const Kit& kit)
{
	const std::string stem = SafeFileStem(kit.name);
	return (stem.empty() ? std::string("Kit") : stem) + ".sfz";
}

namespace {

// Whether a pad's hits differ from one another.
bool Varies(const tunk::SoundParams& sound)
{
	const tunk::Hit first = tunk::HitOf(sound, tunk::kFullVelocity, 1);
	const tunk::Hit second = tunk::HitOf(sound, tunk::kFullVelocity, 2);
	return !tunk::SameBits(first.params, second.params) || first.gain != second.gain;
}

bool Layered(const std::vector<PackSample>& samples)
{
	return std::any_of(samples.begin(), samples.end(),
		[](const PackSample& s) { return s.low != 1 || s.high != 127 || s.count != 1; });
}

}  // namespace

std::vector<PackSample> PackSamples(const Kit& kit, const std::string& extension, PackLayers layers)
{
	const int32_t bands = std::clamp(layers.layers, 1, 127);
	const int32_t rounds = std::clamp(layers.roundRobins, 1, kMaxRoundRobins);
	const std::vector<std::string> names = PadFileNames(kit, extension);
	std::vector<PackSample> samples;
	for (size_t i = 0; i < kit.pads.size(); i++) {
		const int32_t count = rounds > 1 && Varies(kit.pads[i].sound) ? rounds : 1;
		const std::string stem = names[i].substr(0, names[i].size() - extension.size() - 1);
		int32_t low = 1;
		for (int32_t band = 1; band <= bands; band++) {
			// Bands as even as whole velocities allow, the last ending at 127.
			const int32_t high = (127 * band + bands / 2) / bands;
			for (int32_t position = 1; position <= count; position++) {
				PackSample sample;
				sample.pad = i;
				sample.low = uint8_t(low);
				sample.high = uint8_t(high);
				sample.hit = rounds > 1 ? uint32_t(position) : 0;
				sample.position = position;
				sample.count = count;
				sample.file = bands == 1 && rounds == 1
					? names[i]
					: stem + " v" + std::to_string(band)
						+ (count > 1 ? " " + std::to_string(position) : "") + "." + extension;
				samples.push_back(sample);
			}
			low = high + 1;
		}
	}
	return samples;
}

std::string SfzText(const Kit& kit, const std::vector<PackSample>& samples)
{
	const bool layered = Layered(samples);
	std::string text = "// " + SafeFileStem(kit.name) + ": a Tunk drum kit, "
		+ (layered ? "velocity layers and round robins" : "one sample per pad") + "\n"
		"<global>\nloop_mode=one_shot\n";
	size_t previous = kit.pads.size();
	for (const PackSample& sample : samples) {
		if (sample.pad >= kit.pads.size())
			continue;
		const Pad& pad = kit.pads[sample.pad];
		// Round robins asked for, and a pad whose hits are all alike: it says why it has none.
		if (sample.pad != previous && sample.hit != 0 && sample.count == 1)
			text += "\n// " + SafeFileStem(pad.name) + ": its hits do not vary, one sample a band\n";
		previous = sample.pad;
		// The kit's own rule, so that the SFZ says what the kit plays on a stereo pair.
		const PadMix mix = PadMixOf(pad);
		const float gain = mix.level;
		const StereoGain pan = mix.pan;
		text += "\n<region>\nsample=" + sample.file + "\nkey=" + std::to_string(pad.note)
			+ "\nvolume=" + Fixed(gain > 0 ? 20 * std::log10(double(gain)) : kSfzSilence, 2)
			+ "\npan=" + Fixed((double(pan.right) - double(pan.left)) * 100, 1) + "\n";
		if (pad.choke != 0) {
			text += "group=" + std::to_string(pad.choke) + "\noff_by=" + std::to_string(pad.choke) + "\n";
		}
		if (!layered && pad.sound[tunk::Param::velCurve] == tunk::Info(tunk::Param::velCurve).def)
			continue;
		text += "lovel=" + std::to_string(sample.low) + "\nhivel=" + std::to_string(sample.high) + "\n";
		// The sample holds the band's top note at full level: each velocity of the band plays
		// at its level by the sound's curve, relative to the top's. Every point where the
		// curve bends, both ends where it does not.
		const bool linear = pad.sound[tunk::Param::velCurve] == 1.0f;
		const float top = tunk::HitOf(pad.sound, sample.high).level;
		for (int32_t v = sample.low; v <= sample.high; v++) {
			if (linear && v != sample.low && v != sample.high)
				continue;
			const float level = top > 0 ? tunk::HitOf(pad.sound, v).level / top : 0;
			text += "amp_velcurve_" + std::to_string(v) + "=" + Fixed(level, 6) + "\n";
		}
		if (sample.count > 1)
			text += "seq_length=" + std::to_string(sample.count) + "\nseq_position="
				+ std::to_string(sample.position) + "\n";
	}
	return text;
}

std::string HydrogenDrumkitXml(const Kit& kit, const std::vector<PackSample>& samples,
	const DrumkitCredits& credits)
{
	auto element = [](const char* indent, const char* name, const std::string& value) {
		return std::string(indent) + "<" + name + ">" + value + "</" + name + ">\n";
	};
	std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
		"<drumkit_info xmlns=\"http://www.hydrogen-music.org/drumkit\">\n";
	const char* in1 = "  ";
	xml += element(in1, "name", XmlText(kit.name.empty() ? "Tunk Kit" : kit.name));
	xml += element(in1, "author", XmlText(credits.author));
	xml += element(in1, "info", XmlText(credits.info));
	xml += element(in1, "license", XmlText(credits.license));
	xml += element(in1, "image", "");
	xml += element(in1, "imageLicense", "");
	xml += "  <componentList>\n    <drumkitComponent>\n      <id>0</id>\n      <name>Main</name>\n"
		   "      <volume>1</volume>\n    </drumkitComponent>\n  </componentList>\n";
	xml += "  <instrumentList>\n";
	const char* in3 = "      ";
	for (size_t i = 0; i < kit.pads.size(); i++) {
		const Pad& pad = kit.pads[i];
		const PadMix mix = PadMixOf(pad);
		const bool turns = std::any_of(samples.begin(), samples.end(),
			[i](const PackSample& s) { return s.pad == i && s.count > 1; });
		xml += "    <instrument>\n";
		xml += element(in3, "id", std::to_string(i));
		xml += element(in3, "name", XmlText(pad.name.empty() ? "Pad " + std::to_string(i + 1) : pad.name));
		xml += element(in3, "volume", Fixed(mix.level, 6));
		xml += element(in3, "isMuted", "false");
		xml += element(in3, "isSoloed", "false");
		xml += element(in3, "pan_L", Fixed(mix.pan.left, 6));
		xml += element(in3, "pan_R", Fixed(mix.pan.right, 6));
		xml += element(in3, "pitchOffset", "0");
		xml += element(in3, "randomPitchFactor", "0");
		xml += element(in3, "gain", "1");
		xml += element(in3, "applyVelocity", "true");
		xml += element(in3, "filterActive", "false");
		xml += element(in3, "filterCutoff", "1");
		xml += element(in3, "filterResonance", "0");
		xml += element(in3, "Attack", "0");
		xml += element(in3, "Decay", "0");
		xml += element(in3, "Sustain", "1");
		xml += element(in3, "Release", "1000");
		xml += element(in3, "muteGroup", pad.choke != 0 ? std::to_string(pad.choke) : "-1");
		xml += element(in3, "midiOutChannel", "-1");
		xml += element(in3, "midiOutNote", std::to_string(pad.note));
		xml += element(in3, "isStopNote", "false");
		xml += element(in3, "sampleSelectionAlgo", turns ? "ROUND_ROBIN" : "VELOCITY");
		xml += element(in3, "isHihat", "-1");
		xml += element(in3, "lower_cc", "0");
		xml += element(in3, "higher_cc", "127");
		for (const char* fx : {"FX1Level", "FX2Level", "FX3Level", "FX4Level"})
			xml += element(in3, fx, "0");
		xml += "      <instrumentComponent>\n        <component_id>0</component_id>\n"
			   "        <gain>1</gain>\n";
		for (const PackSample& sample : samples) {
			if (sample.pad != i)
				continue;
			// Velocity 0 to 1: each band from the top of the one below it.
			const std::string min = sample.low == 1 ? "0" : Fixed((sample.low - 1) / 127.0, 6);
			const std::string max = sample.high == 127 ? "1" : Fixed(sample.high / 127.0, 6);
			xml += "        <layer>\n";
			xml += element("          ", "filename", XmlText(sample.file));
			xml += "          <min>" + min + "</min>\n          <max>" + max
				+ "</max>\n          <gain>1</gain>\n          <pitch>0</pitch>\n        </layer>\n";
		}
		xml += "      </instrumentComponent>\n";
		xml += "    </instrument>\n";
	}
	xml += "  </instrumentList>\n</drumkit_info>\n";
	return xml;
}

SamplePackResult ExportSamplePack(const Kit& kit, const std::string& folder,
	const std::string& format, const DrumkitCredits& credits, PackLayers layers)
{
	SamplePackResult result;
	const SoundFileFormat* known = FindSoundFileFormat(format);
	if (known == nullptr || kit.pads.empty()) {
		result.status = B_BAD_VALUE;
		return result;
	}
	std::error_code ignored;
	std::filesystem::create_directories(folder, ignored);
	const std::filesystem::path base(folder);
	PackStaging staging;
	if (status_t status = staging.SetTo(folder); status != B_OK)
		return {status, folder, false, {}, {}};

	const std::vector<PackSample> pack = PackSamples(kit, *known->extensions.begin(), layers);
	std::vector<std::string> names;
	for (const PackSample& sample : pack) {
		const tunk::Hit hit = tunk::HitOf(kit.pads[sample.pad].sound, sample.high, sample.hit);
		std::vector<int16_t> samples;
		const tunk::RenderStatus rendered = tunk::Render(hit.params, &samples);
		status_t status = rendered == tunk::RenderStatus::Ok ? B_OK
			: rendered == tunk::RenderStatus::NoMemory      ? B_NO_MEMORY
															: B_BAD_VALUE;
		// The hit's own level, as a player scales it; the velocity's is the sampler's.
		if (hit.gain != 1.0f) {
			for (int16_t& s : samples)
				s = tunk::voices::ToShort(float(s) / 32768.0f * hit.gain);
		}
		if (status == B_OK)
			status = WriteSoundFile(samples.data(), int64(samples.size()), staging.PathOf(sample.file), format);
		if (status != B_OK)
			return {status, (base / sample.file).string(), rendered == tunk::RenderStatus::Refused, {}, {}};
		names.push_back(sample.file);
	}
	if (layers.roundRobins > 1) {
		for (size_t i = 0; i < kit.pads.size(); i++)
			if (!Varies(kit.pads[i].sound))
				result.unvaried.push_back(i);
	}
	const std::pair<std::string, std::string> texts[] = {
		{SfzFileName(kit), SfzText(kit, pack)},
		{kHydrogenDrumkitFile, HydrogenDrumkitXml(kit, pack, credits)},
	};
	for (const auto& [name, text] : texts) {
		if (status_t status = WriteText(staging.PathOf(name), text); status != B_OK)
			return {status, (base / name).string(), false, {}, {}};
		names.push_back(name);
	}
	std::string failed;
	if (status_t status = staging.PutInPlace(names, &failed); status != B_OK)
		return {status, (base / failed).string(), false, {}, {}};
	for (const std::string& name : names)
		result.files.push_back((base / name).string());
	return result;
}
