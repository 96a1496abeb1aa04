// Every row of the parameter table through the real tunk-render, as a script uses it: --set
// takes the row's minimum, maximum and default, the written preset holds the value, --help
// lists the row, and a value the row cannot hold is refused naming the row.
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/core/Params.h"
#include "kits/storage/TempDir.h"
#include "preset/PresetExtension.h"
#include "preset/PresetRecord.h"
#include "tools/RunProgram.h"

namespace {

std::string Text(float value)
{
	char text[32];
	std::snprintf(text, sizeof(text), "%.9g", double(value));
	return text;
}

// Values the row refuses: a choice or switch code beyond its ends; a number that is not
// finite (numbers outside the window's range are taken as given, which --help says).
std::vector<std::string> Refused(const tunk::ParamInfo& info)
{
	if (info.kind == tunk::ParamKind::Number)
		return {"nan", "inf", "-inf", "loud"};
	return {std::to_string(int(info.min) - 1), std::to_string(int(info.max) + 1), "1.5"};
}

class RenderTable : public ::testing::Test {
protected:
	ProgramRun Render(const std::vector<std::string>& args)
	{
		return RunProgram(TUNK_RENDER_PATH, args, dir.Path());
	}

	TempDir dir;
};

} // namespace

TEST_F(RenderTable, EveryRowIsSetSavedAndListed)
{
	const ProgramRun help = Render({"--help"});
	ASSERT_EQ(help.status, 0) << help.err;

	for (const tunk::ParamInfo& info : tunk::kParams) {
		SCOPED_TRACE(info.symbol);
		EXPECT_NE(help.out.find(std::string("  ") + info.symbol + " "), std::string::npos)
			<< "not in --help";

		for (float value : {info.min, info.max, info.def}) {
			const std::string preset = std::string(info.symbol) + "-" + Text(value) + ".tunk";
			const ProgramRun run = Render({"--set", std::string(info.symbol) + "=" + Text(value),
				"--save-preset", preset, "-o", "sound.wav"});
			ASSERT_EQ(run.status, 0) << "at " << value << ": " << run.err;

			tunk::SoundParams saved;
			PresetExtras extras;
			std::vector<std::string> notes;
			ASSERT_EQ(ReadPreset((dir / preset).c_str(), &saved, &extras, &notes), B_OK);
			EXPECT_TRUE(notes.empty()) << notes.front();
			EXPECT_EQ(saved[info.id], value) << "the preset does not hold the value set";
			// Every other row keeps its default.
			for (const tunk::ParamInfo& other : tunk::kParams) {
				if (other.id != info.id) {
					EXPECT_EQ(saved[other.id], other.def) << other.symbol << " changed too";
				}
			}
		}

		for (const std::string& value : Refused(info)) {
			const ProgramRun run = Render({"--set", std::string(info.symbol) + "=" + value,
				"--save-preset", "refused.tunk", "-o", "refused.wav"});
			EXPECT_EQ(run.status, 2) << value;
			EXPECT_NE(run.err.find(std::string("tunk-render: ") + info.symbol + " needs "),
				std::string::npos)
				<< value << ": " << run.err;
			EXPECT_FALSE(std::filesystem::exists(dir / "refused.tunk")) << value;
			EXPECT_FALSE(std::filesystem::exists(dir / "refused.wav")) << value;
		}
	}
}
