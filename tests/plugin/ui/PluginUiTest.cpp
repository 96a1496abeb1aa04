// The instrument's UI in a host of the tests' own on a virtual X display: the editor process
// it starts shows inside the host's window, what is typed there reaches the plugin's ports,
// what the host sends shows there, and the editor ends with the UI and never takes the host
// down.
#include <chrono>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <lv2/midi/midi.h>
#include <thread>

#include "kits/storage/TempDir.h"
#include "plugin/Ports.h"
#include "plugin/ui/EditorLink.h"
#include "plugin/ui/UiHost.h"

// Last: it brings in Xlib.
#include "app/RealProgram.h"

namespace {

using namespace std::chrono_literals;
using tunk::lv2::kPortMidiIn;
using tunk::lv2::kPortStartFreq;

constexpr const char* kX11Ui = "http://lv2plug.in/ns/extensions/ui#X11UI";
constexpr const char* kExternalUi = "http://kxstudio.sf.net/ns/lv2ext/external-ui#Widget";

// Where the editor's window has its frequency field and its Play button, below its menu bar.
const std::string kFrequencyField[] = {"185", "87"};
const std::string kPlayButton[] = {"440", "352"};
const std::string kStopButton[] = {"440", "404"};
const std::string kRepeatBox[] = {"422", "431"};

class PluginUi : public ::testing::Test {
protected:
	void SetUp() override
	{
		std::optional<std::string> xvfb = FindProgram("Xvfb");
		xdotool = FindProgram("xdotool").value_or("");
		if (!xvfb || xdotool.empty())
			GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-deps installs them)";
		ASSERT_TRUE(screen.Start(*xvfb, 140, "1024x768x24", dir / "xvfb.log"));
		// The UI's own X connection and the editor find the display here, as in a host.
		setenv("DISPLAY", screen.name.c_str(), 1);
		const Window root = DefaultRootWindow(screen.x);
		parent = XCreateSimpleWindow(screen.x, root, 0, 0, 900, 700, 0, 0, 0);
		XMapWindow(screen.x, parent);
		XSync(screen.x, False);
	}

	// The editor's window: the mapped child of the UI's window, 0 until there is one.
	Window EditorWindow(Window ui)
	{
		Window rootReturn, parentReturn;
		Window* children = nullptr;
		unsigned int count = 0;
		Window found = 0;
		if (XQueryTree(screen.x, ui, &rootReturn, &parentReturn, &children, &count)) {
			for (unsigned int i = 0; i < count && found == 0; i++) {
				XWindowAttributes attributes;
				if (XGetWindowAttributes(screen.x, children[i], &attributes) &&
				    attributes.map_state == IsViewable)
					found = children[i];
			}
			if (children != nullptr)
				XFree(children);
		}
		return found;
	}

	void Tool(std::vector<std::string> args)
	{
		Xdotool(xdotool, screen.name, std::move(args));
		std::this_thread::sleep_for(100ms);
	}

	void Click(Window window, const std::string* where)
	{
		Tool({"mousemove", "--window", std::to_string(window), where[0], where[1], "click", "1"});
	}

	TempDir dir;
	VirtualDisplay screen;
	std::string xdotool;
	Window parent = 0;
	PluginWorld world;
};

TEST_F(PluginUi, TheEditorShowsInsideTheHostsWindowAndRelaysBothWays)
{
	UiHost host(world, kX11Ui);
	ASSERT_TRUE(host.Found()) << "no X11 UI in the bundle";
	EXPECT_TRUE(host.HasIdleInterface());
	ASSERT_TRUE(host.Instantiate(parent));
	const Window ui = Window(reinterpret_cast<uintptr_t>(host.Widget()));
	ASSERT_NE(ui, 0u);
	// The host describes the plugin's controls right after making the UI.
	host.PortEvent(kPortStartFreq, 220);

	Window editor = 0;
	ASSERT_TRUE(host.IdleUntil([&] { return (editor = EditorWindow(ui)) != 0; }))
	    << "the editor's window did not appear inside the UI's";
	EXPECT_EQ(EditorChildren().size(), 1u);
	EXPECT_FALSE(LoadsQt()) << "the UI brought a toolkit into the host";
	Window rootReturn, uiParent;
	Window* children = nullptr;
	unsigned int count = 0;
	ASSERT_TRUE(XQueryTree(screen.x, ui, &rootReturn, &uiParent, &children, &count));
	XFree(children);
	EXPECT_EQ(uiParent, parent);
	// The host was asked for the editor's size once the editor knew it.
	XWindowAttributes attributes;
	ASSERT_TRUE(XGetWindowAttributes(screen.x, editor, &attributes));
	ASSERT_TRUE(host.IdleUntil([&] {
		return !host.Sizes().empty() &&
		       host.Sizes().back() == std::make_pair(attributes.width, attributes.height);
	})) << "editor "
	    << attributes.width << "x" << attributes.height;
	EXPECT_GT(attributes.width, 400);

	// A typed frequency becomes a port write.
	Click(editor, kFrequencyField);
	Tool({"key", "ctrl+a"});
	Tool({"type", "440"});
	Tool({"key", "Return"});
	EXPECT_TRUE(host.IdleUntil([&] { return host.LastValue(kPortStartFreq) == 440.0f; }))
	    << "last write " << host.LastValue(kPortStartFreq).value_or(-1);

	// A port event moves the field: a digit typed at its end makes a number from it.
	host.PortEvent(kPortStartFreq, 300);
	host.IdleUntil([] { return false; }, 0.5);
	Click(editor, kFrequencyField);
	Tool({"key", "End"});
	Tool({"type", "5"});
	Tool({"key", "Return"});
	EXPECT_TRUE(host.IdleUntil([&] { return host.LastValue(kPortStartFreq) == 3005.0f; }))
	    << "last write " << host.LastValue(kPortStartFreq).value_or(-1);
	// Undo goes back over the typed value to the host's, then to the value typed before.
	Tool({"key", "ctrl+z"});
	EXPECT_TRUE(host.IdleUntil([&] { return host.LastValue(kPortStartFreq) == 300.0f; }));
	Tool({"key", "ctrl+z"});
	EXPECT_TRUE(host.IdleUntil([&] { return host.LastValue(kPortStartFreq) == 440.0f; }));

	// Play is a note into the plugin's MIDI input, not a sound of the editor's own.
	const LV2_URID midiEvent = host.Urids().Map(LV2_MIDI__MidiEvent);
	auto notes = [&](uint8_t status) {
		size_t found = 0;
		for (const UiHost::Write& write : host.Writes()) {
			if (write.port == kPortMidiIn && write.atomType == midiEvent &&
			    write.body.size() == 3 && write.body[0] == status)
				found++;
		}
		return found;
	};
	Click(editor, kPlayButton);
	EXPECT_TRUE(host.IdleUntil([&] { return notes(0x90) == 1; })) << "no note from Play";
	// Repeat plays a note at every beat until Stop, which silences the plugin's voices.
	Click(editor, kRepeatBox);
	Click(editor, kPlayButton);
	EXPECT_TRUE(host.IdleUntil([&] { return notes(0x90) >= 4; })) << "no repeats";
	Click(editor, kStopButton);
	EXPECT_TRUE(host.IdleUntil([&] { return notes(0xB0) == 1; })) << "no All Sound Off from Stop";
	const size_t played = notes(0x90);
	host.IdleUntil([] { return false; }, 1.5);
	EXPECT_EQ(notes(0x90), played) << "notes after Stop";

	host.Cleanup();
	EXPECT_TRUE(EditorChildren().empty()) << "cleanup left the editor behind";
}

TEST_F(PluginUi, TheEditorEndsWithTheUiAndItsDeathLeavesTheHostUp)
{
	{
		// Two UIs of one plugin (or of two instances) each have their editor.
		UiHost one(world, kX11Ui), two(world, kX11Ui);
		ASSERT_TRUE(one.Instantiate(parent));
		ASSERT_TRUE(two.Instantiate(parent));
		EXPECT_TRUE(one.IdleUntil([&] {
			two.Idle();
			return EditorChildren().size() == 2;
		}));
		one.Cleanup();
		EXPECT_EQ(EditorChildren().size(), 1u) << "one cleanup ended the other's editor";
		two.Cleanup();
		EXPECT_TRUE(EditorChildren().empty());
	}
	{
		// A parent that is no window is refused, and the host goes on.
		UiHost host(world, kX11Ui);
		EXPECT_FALSE(host.Instantiate(1));
		EXPECT_TRUE(EditorChildren().empty());
	}
	{
		// Embedded: killed, the editor comes back in the host's frame; cleanup ends it.
		UiHost host(world, kX11Ui);
		ASSERT_TRUE(host.Instantiate(parent));
		ASSERT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; }));
		const pid_t first = EditorChildren().front();
		kill(first, SIGKILL);
		EXPECT_TRUE(host.IdleUntil([&] {
			const std::vector<pid_t> editors = EditorChildren();
			return editors.size() == 1 && editors.front() != first;
		})) << "no editor in the frame again";
		// Hidden by the host, it stays away until shown again.
		host.Hide();
		EXPECT_TRUE(EditorChildren().empty());
		EXPECT_FALSE(host.IdleUntil([] { return !EditorChildren().empty(); }, 3));
		host.Show();
		EXPECT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; }));
		host.Cleanup();
		EXPECT_TRUE(EditorChildren().empty());
	}
	{
		// No parent: the show interface shows a window of its own, hide ends it; killed, the
		// UI says it closed and shows again.
		UiHost host(world, kX11Ui);
		ASSERT_TRUE(host.Instantiate(0));
		EXPECT_EQ(host.Widget(), nullptr);
		EXPECT_TRUE(EditorChildren().empty()) << "an editor before show";
		EXPECT_EQ(host.Idle(), 0) << "closed before it was shown";
		ASSERT_EQ(host.Show(), 0);
		ASSERT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; }));
		EXPECT_EQ(host.Idle(), 0);
		host.Hide();
		EXPECT_TRUE(EditorChildren().empty()) << "hide left the editor behind";

		ASSERT_EQ(host.Show(), 0);
		ASSERT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; }));
		kill(EditorChildren().front(), SIGKILL);
		EXPECT_TRUE(host.IdleUntil([&] { return host.Idle() != 0; })) << "the UI never closed";
		EXPECT_TRUE(EditorChildren().empty()) << "the killed editor was not reaped";
		host.Hide();
		ASSERT_EQ(host.Show(), 0);
		EXPECT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; }))
		    << "the UI did not show again";
		host.Cleanup();
		EXPECT_TRUE(EditorChildren().empty());
	}
	{
		// The external UI: shown and hidden by the host, the closed callback when it died.
		UiHost host(world, kExternalUi);
		ASSERT_TRUE(host.Found()) << "no external UI in the bundle";
		ASSERT_TRUE(host.Instantiate(0));
		ASSERT_NE(host.Widget(), nullptr);
		host.Show();
		ASSERT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; }));
		kill(EditorChildren().front(), SIGKILL);
		EXPECT_TRUE(host.IdleUntil([&] { return host.ClosedCalls() == 1; }));
		host.Show();
		ASSERT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; }));
		host.Hide();
		EXPECT_TRUE(EditorChildren().empty());
		EXPECT_EQ(host.ClosedCalls(), 1) << "a hide by the host is no close by the user";

		// On the display, a window of its own named after the plugin as the host calls it;
		// closed there, the host hears so and the editor ends.
		const char* platform = std::getenv("QT_QPA_PLATFORM");
		const std::string before = platform != nullptr ? platform : "";
		setenv("QT_QPA_PLATFORM", "xcb", 1);
		host.Show();
		if (platform != nullptr)
			setenv("QT_QPA_PLATFORM", before.c_str(), 1);
		else
			unsetenv("QT_QPA_PLATFORM");
		Window window = 0;
		ASSERT_TRUE(host.IdleUntil([&] {
			return (window = FindWindow(
			            screen.x, DefaultRootWindow(screen.x), "Tunk v1.1 - Tunk under test")) != 0;
		})) << "no window titled after the plugin";
		host.IdleUntil([] { return false; }, 0.5);
		SendDelete(screen.x, window);
		EXPECT_TRUE(host.IdleUntil([&] { return host.ClosedCalls() == 2; }));
		EXPECT_TRUE(host.IdleUntil([] { return EditorChildren().empty(); }));
		// The plugin's voices play on: closing its editor silences nothing.
		for (const UiHost::Write& write : host.Writes())
			EXPECT_NE(write.port, tunk::lv2::kPortMidiIn) << "a MIDI message at the close";
		host.Cleanup();
	}
	EXPECT_FALSE(LoadsQt());
}

// The program an editor process runs.
std::string ProgramOf(pid_t pid)
{
	std::error_code error;
	return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error).string();
}

TEST_F(PluginUi, TheUiFindsTheEditorInstalledBesideItsBundleOrInTheBuildTree)
{
	const std::string prefix = dir / "prefix";
	Child install;
	ASSERT_TRUE(install.Start(
	    {TUNK_CMAKE_COMMAND, "--install", TUNK_BUILD_DIR, "--prefix", prefix, "--component", "lv2"},
	    {}, dir / "install.log"));
	ASSERT_EQ(install.Wait(120s), 0);
	const std::string installed = prefix + "/lib/lv2/tunk.lv2/";
	// A bundle linked into a user's folder finds the program beside where it lies.
	std::filesystem::create_directories(dir / "lv2");
	std::filesystem::create_directory_symlink(TUNK_LV2_BUNDLE_DIR, dir / "lv2/tunk.lv2");
	const std::pair<std::string, std::string> cases[] = {
	    {installed, prefix + "/bin/tunk"},
	    {dir / "lv2/tunk.lv2/", std::string(TUNK_BUILD_DIR) + "/app/tunk"},
	};
	for (const auto& [bundle, program] : cases) {
		PluginWorld found(bundle.c_str());
		UiHost host(found, kX11Ui);
		ASSERT_TRUE(host.Found()) << bundle;
		ASSERT_TRUE(host.Instantiate(0));
		host.Show();
		ASSERT_TRUE(host.IdleUntil([] { return EditorChildren().size() == 1; })) << bundle;
		EXPECT_EQ(std::filesystem::path(ProgramOf(EditorChildren().front())),
		    std::filesystem::canonical(program))
		    << bundle;
		host.Cleanup();
	}
}

TEST(EditorLink, TheEditorModeRunsOnlyWhenAUiStartsIt)
{
	// Without the socket a UI hands over (and for an instrument it does not edit), the mode
	// says so and ends with the wrong-command-line status.
	TempDir dir;
	for (const char* kind : {"--plugin-editor=tunk", "--plugin-editor=organ"}) {
		Child editor;
		ASSERT_TRUE(
		    editor.Start({std::string(TUNK_BUILD_DIR) + "/app/tunk", kind}, {}, dir / "out.txt"));
		EXPECT_EQ(editor.Wait(60s), 2) << kind;
		std::ifstream out(dir / "out.txt");
		const std::string printed((std::istreambuf_iterator<char>(out)), {});
		EXPECT_NE(printed.find("runs only when a plugin's UI starts it"), std::string::npos)
		    << printed;
	}
}

TEST(EditorLink, LinesReadBackAsWrittenWhateverTheLocaleAndBadOnesAreDropped)
{
	using namespace tunk::editor_link;
	// The editor runs under the user's locale; a decimal comma must not reach the other side.
	const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
	ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr)
	    << "scripts/install-deps makes it";
	for (float value : {440.0f, 0.1f, -3.25e-7f, std::numeric_limits<float>::max(),
	         std::numeric_limits<float>::denorm_min()}) {
		const std::string line = SetLine("startFreq", value);
		EXPECT_EQ(line.back(), '\n');
		std::optional<Message> read = ReadLine(line.substr(0, line.size() - 1));
		ASSERT_TRUE(read) << line;
		EXPECT_EQ(read->kind, Message::kSet);
		EXPECT_EQ(read->name, "startFreq");
		EXPECT_EQ(std::bit_cast<uint32_t>(read->value), std::bit_cast<uint32_t>(value)) << line;
	}
	std::setlocale(LC_NUMERIC, previous.c_str());

	std::optional<Message> open = ReadLine("open Kick: 808 Deep");
	ASSERT_TRUE(open);
	EXPECT_EQ(open->name, "Kick: 808 Deep");
	// A name cannot end its line early.
	EXPECT_EQ(OpenLine("two\nlines"), "open two lines\n");
	std::optional<Message> size = ReadLine("size 791 507");
	ASSERT_TRUE(size);
	EXPECT_EQ(std::make_pair(size->first, size->second), std::make_pair(791, 507));
	EXPECT_EQ(ReadLine("play 100")->first, 100);

	for (const char* bad :
	    {"set startFreq", "set startFreq 4,5", "set startFreq nan", "set startFreq inf", "set  1",
	        "play 0", "play 128", "play", "size 0 10", "size 10", "stop now", "quit", ""})
		EXPECT_FALSE(ReadLine(bad)) << bad;
}

TEST(EditorLink, LinesComeWholeHoweverTheyArriveAndOverlongOnesAreSkipped)
{
	tunk::editor_link::LineBuffer buffer;
	buffer.Append("set a 1\nse", 10);
	EXPECT_EQ(buffer.Next(), "set a 1");
	EXPECT_FALSE(buffer.Next());
	buffer.Append("t b 2\n", 6);
	EXPECT_EQ(buffer.Next(), "set b 2");

	// A line longer than the limit, arriving in pieces, is dropped whole and the next kept.
	const std::string huge(tunk::editor_link::LineBuffer::kMaxLine + 10, 'x');
	buffer.Append(huge.data(), huge.size());
	EXPECT_FALSE(buffer.Next());
	buffer.Append("yyy\nstop\n", 9);
	EXPECT_EQ(buffer.Next(), "stop");
	EXPECT_FALSE(buffer.Next());
}

} // namespace
