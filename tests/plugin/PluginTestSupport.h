// What the plugin tests share: a sound set through the host's control ports and the
// engine's own render of it.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "PluginHost.h"
#include "engine/core/Params.h"
#include "engine/core/Render.h"

// Runs a shell command and returns its standard output; `status` is its exit status, or -1
// when it did not end normally.
inline std::string RunCommand(const std::string& command, int* status)
{
	std::string output;
	FILE* pipe = popen(command.c_str(), "r");
	if (pipe == nullptr) {
		*status = -1;
		return output;
	}
	std::array<char, 4096> buffer;
	size_t got = 0;
	while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
		output.append(buffer.data(), got);
	int raw = pclose(pipe);
	*status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
	return output;
}

inline std::string ReadText(const std::filesystem::path& path)
{
	std::ifstream in(path);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every stage on, values away from the start values, short enough that tests stay quick.
inline tunk::SoundParams BusySound(float ms = 50)
{
	tunk::SoundParams p;
	p[tunk::Param::startFreq] = 310;
	p[tunk::Param::duration] = ms;
	p[tunk::Param::amplitude] = 0.8f;
	p[tunk::Param::oscType] = tunk::kOscSaw;
	p[tunk::Param::freqEnvelope] = 3;
	p[tunk::Param::ampEnvelope] = -2;
	p[tunk::Param::distortion] = 3;
	p[tunk::Param::filterCutoff] = 2500;
	p[tunk::Param::filterQ] = 1.5f;
	p[tunk::Param::freqEnvEnabled] = true;
	p[tunk::Param::ampEnvEnabled] = true;
	p[tunk::Param::distortionEnabled] = true;
	p[tunk::Param::filterEnabled] = true;
	return p;
}

// Through the port symbols, as a host's automation would set them.
inline void SetSound(PluginInstance& plugin, const tunk::SoundParams& p)
{
	plugin.SetControl("startFreq", p[tunk::Param::startFreq]);
	plugin.SetControl("duration", p[tunk::Param::duration]);
	plugin.SetControl("amplitude", p[tunk::Param::amplitude]);
	plugin.SetControl("oscType", float(p[tunk::Param::oscType]));
	plugin.SetControl("freqEnvelope", p[tunk::Param::freqEnvelope]);
	plugin.SetControl("ampEnvelope", p[tunk::Param::ampEnvelope]);
	plugin.SetControl("distortion", p[tunk::Param::distortion]);
	plugin.SetControl("filterCutoff", p[tunk::Param::filterCutoff]);
	plugin.SetControl("filterQ", p[tunk::Param::filterQ]);
	plugin.SetControl("freqEnvEnabled", p[tunk::Param::freqEnvEnabled] ? 1.0f : 0.0f);
	plugin.SetControl("ampEnvEnabled", p[tunk::Param::ampEnvEnabled] ? 1.0f : 0.0f);
	plugin.SetControl("distortionEnabled", p[tunk::Param::distortionEnabled] ? 1.0f : 0.0f);
	plugin.SetControl("filterEnabled", p[tunk::Param::filterEnabled] ? 1.0f : 0.0f);
}

inline std::vector<int16_t> EngineSamples(const tunk::SoundParams& p)
{
	std::vector<int16_t> samples;
	if (tunk::Render(p, &samples) != tunk::RenderStatus::Ok)
		return {};
	return samples;
}

// The first index where two buffers differ in their bits, or -1 (the shorter one is
// padded with silence).
inline int64_t FirstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
	size_t n = std::max(a.size(), b.size());
	for (size_t i = 0; i < n; i++) {
		float x = i < a.size() ? a[i] : 0.0f;
		float y = i < b.size() ? b[i] : 0.0f;
		if (std::memcmp(&x, &y, sizeof x) != 0)
			return int64_t(i);
	}
	return -1;
}

// Adds `sound` x `gain` into `out` from frame `at`.
inline void Place(
    std::vector<float>& out, const std::vector<float>& sound, size_t at, float gain = 1.0f)
{
	for (size_t i = 0; i < sound.size() && at + i < out.size(); i++)
		out[at + i] += sound[i] * gain;
}
