#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/PluginEditor.h"
#include "app/TunkApp.h"

namespace {

constexpr char kUsage[] =
    "Usage: tunk [OPTION]... [--] [PRESET]...\n"
    "Opens an editor window for each preset file and a kit window for each kit file\n"
    "(.tunkkit), or one empty window without a file.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  --         end of options: every later argument is a preset file\n";

} // namespace

int main(int argc, char** argv)
{
	// Options are read before any window exists, so --help and --version need no display.
	std::vector<const char*> files = {argv[0]};
	bool optionsEnded = false;
	// The editor mode a plugin's UI starts (plugin/ui/): not for people, so not in the usage.
	std::optional<std::string> editorKind;
	unsigned long editorParent = 0;
	for (int i = 1; i < argc; i++) {
		const char* argument = argv[i];
		// A lone "-" is no option: it names a file, as it would for most programs.
		if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
			files.push_back(argument);
		} else if (std::strcmp(argument, "--") == 0) {
			optionsEnded = true;
		} else if (std::strcmp(argument, "--help") == 0) {
			std::fputs(kUsage, stdout);
			return 0;
		} else if (std::strcmp(argument, "--version") == 0) {
			std::printf("tunk %s\n", TUNK_VERSION);
			return 0;
		} else if (std::strncmp(argument, "--plugin-editor=", 16) == 0) {
			editorKind = argument + 16;
		} else if (std::strncmp(argument, "--parent=", 9) == 0) {
			editorParent = std::strtoul(argument + 9, nullptr, 10);
		} else {
			std::fprintf(stderr, "tunk: unknown option '%s'\n", argument);
			std::fputs(kUsage, stderr);
			return 2;
		}
	}

	if (editorKind)
		return PluginEditor::Run(*editorKind, editorParent);

	// Files named on the command line arrive as the launch's refs, as from the desktop.
	BApplication::SetArgs(int(files.size()), files.data());
	TunkApp* app = new TunkApp();
	app->Run();
	delete app;
	return 0;
}
