// A screen of a chosen size for a headless test program, at a chosen scale. Made while the
// program loads (a namespace-scope object), before the test environment makes the
// application: the offscreen platform reads its screens when it starts. No window manager's
// frame, as on a bare X server.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

#include "kits/storage/TempDir.h"

namespace window_test {

class OffscreenScreen {
public:
	OffscreenScreen(int width, int height, const char* scale = "1")
	{
		const std::string config = dir_ / "screen.json";
		std::ofstream(config) << R"({"windowFrameMargins": false, "screens": [{"name": "screen",)"
		                      << R"( "x": 0, "y": 0, "width": )" << width << R"(, "height": )" << height
		                      << R"(, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
		setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
		setenv("QT_SCALE_FACTOR", scale, 1);
	}

private:
	TempDir dir_;
};

} // namespace window_test
