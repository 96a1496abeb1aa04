// tunk-measure: the figures of one-shot sound files (tools/Measure.h), one line a file, for
// voicing sounds against recordings and for scripts/measure-drumkits.
#include <sndfile.h>

#include <cstdio>
#include <vector>

#include "tools/Measure.h"

namespace {

// The file's channels mixed to one; false when libsndfile cannot read it.
bool ReadMono(const char* path, std::vector<float>* out, double* rate)
{
	SF_INFO info{};
	SNDFILE* file = sf_open(path, SFM_READ, &info);
	if (file == nullptr)
		return false;
	std::vector<float> frames(size_t(info.frames) * size_t(info.channels));
	const sf_count_t read = sf_readf_float(file, frames.data(), info.frames);
	sf_close(file);
	out->assign(size_t(read), 0.0f);
	for (size_t i = 0; i < size_t(read); i++) {
		float sum = 0;
		for (int c = 0; c < info.channels; c++)
			sum += frames[i * size_t(info.channels) + size_t(c)];
		(*out)[i] = sum / float(info.channels);
	}
	*rate = info.samplerate;
	return true;
}

}  // namespace

int main(int argc, char** argv)
{
	if (argc < 2 || argv[1] == std::string_view("--help")) {
		std::printf("Usage: tunk-measure FILE...\n"
		            "Prints the figures of each one-shot sound file, tab-separated:\n"
		            "file, centroid (Hz), flatness, bandwidth (Hz), shares of energy below 200\n"
		            "and 20 Hz, times to fall 20 and 40 dB (ms) and the peak (dBFS).\n");
		return argc < 2 ? 2 : 0;
	}
	std::printf("file");
	for (const char* name : measure::kNames)
		std::printf("\t%s", name);
	std::printf("\n");
	int status = 0;
	for (int i = 1; i < argc; i++) {
		std::vector<float> samples;
		double rate = 0;
		if (!ReadMono(argv[i], &samples, &rate)) {
			std::fprintf(stderr, "tunk-measure: cannot read %s\n", argv[i]);
			status = 1;
			continue;
		}
		std::printf("%s", argv[i]);
		for (double v : measure::Values(measure::Measure(std::span<const float>(samples), rate)))
			std::printf("\t%.6g", v);
		std::printf("\n");
	}
	return status;
}
