// The single-sound instrument's editor in jalv, the LV2 reference host, in both of Debian's
// builds of it (GTK 3 and Qt 5), on an Xvfb display and a JACK server of the test's own: jalv
// shows the editor inside its window with the frequency the host set, a frequency typed there
// and Play are heard in the plugin's output recorded from JACK, the host's process holds no Qt 6
// and stays up, and a host killed outright leaves no editor behind.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <string>
#include <thread>
#include <vector>

#include "app/JackServer.h"
#include "engine/core/Render.h"
#include "kits/storage/TempDir.h"
#include "plugin/PluginHost.h"
#include "plugin/Ports.h"

// Last: it brings in Xlib.
#include "app/RealProgram.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kFrequencyField[] = {"185", "87"};
const std::string kPlayButton[] = {"440", "352"};

// Records one input from its start, every cycle the server runs: what the plugin played in
// a cycle reaches it in the same cycle.
class Recorder {
public:
	static constexpr uint32_t kCapacity = 30 * 44100;

	bool Start()
	{
		samples.resize(kCapacity);
		client = jack_client_open("tunk-test-ears", JackNoStartServer, nullptr);
		if (client == nullptr)
			return false;
		in = jack_port_register(client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
		jack_set_process_callback(client, Process, this);
		return in != nullptr && jack_activate(client) == 0;
	}
	~Recorder() { Close(); }
	void Close()
	{
		if (client != nullptr)
			jack_client_close(client);
		client = nullptr;
	}

	// Whether `sound` was recorded, whole and sample for sample.
	bool Heard(const std::vector<float>& sound) const
	{
		const auto recorded = samples.begin() + end.load();
		return std::search(samples.begin(), recorded, sound.begin(), sound.end()) != recorded;
	}

	jack_client_t* client = nullptr;
	jack_port_t* in = nullptr;

private:
	static int Process(jack_nframes_t frames, void* self)
	{
		auto* recorder = static_cast<Recorder*>(self);
		const uint32_t at = recorder->end.load();
		if (at + frames > kCapacity)
			return 0;
		const auto* from = static_cast<const float*>(jack_port_get_buffer(recorder->in, frames));
		std::copy(from, from + frames, recorder->samples.begin() + at);
		recorder->end.store(at + frames);
		return 0;
	}

	std::vector<float> samples;
	std::atomic<uint32_t> end{0};
};

// The plugin's sound at its start values with another start frequency, as it plays it at
// 44100 Hz and full velocity.
std::vector<float> SoundAt(float startFreq)
{
	float values[tunk::lv2::kPortCount];
	for (uint32_t port = 0; port < tunk::lv2::kPortCount; port++)
		values[port] = tunk::lv2::RangeOf(port).start;
	values[tunk::lv2::kPortStartFreq] = startFreq;
	std::vector<int16_t> samples;
	tunk::Render(tunk::lv2::ParamsFromPorts(values), &samples);
	return AsFloat(samples);
}

// The children of `parent` whose command is `name`.
std::vector<pid_t> ChildrenNamed(pid_t parent, const std::string& name)
{
	std::vector<pid_t> found;
	for (const auto& entry : fs::directory_iterator("/proc")) {
		std::ifstream stat(entry.path() / "stat");
		std::string line;
		if (!std::getline(stat, line))
			continue;
		const size_t open = line.find('('), close = line.rfind(')');
		if (open == std::string::npos || close == std::string::npos)
			continue;
		std::istringstream rest(line.substr(close + 1));
		char state = 0;
		pid_t ppid = 0;
		rest >> state >> ppid;
		if (ppid == parent && line.substr(open + 1, close - open - 1) == name)
			found.push_back(pid_t(std::stol(entry.path().filename())));
	}
	return found;
}

// Gone, or ended and waiting for whoever took it over to reap it.
bool Ended(pid_t pid)
{
	std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
	std::string line;
	if (!std::getline(stat, line))
		return true;
	const size_t close = line.rfind(')');
	return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool MapsQt6(pid_t pid)
{
	std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
	std::string line;
	while (std::getline(maps, line))
		if (line.find("libQt6") != std::string::npos)
			return true;
	return false;
}

// A jalv build, how the frequency is set before the editor opens, and what is typed after it.
struct JalvCase {
	const char* program;
	std::vector<std::string> options;
	std::vector<std::vector<std::string>> keys;
	float heard;
};

void PrintTo(const JalvCase& jalv, std::ostream* out)
{
	*out << jalv.program;
}

const JalvCase kCases[] = {
    // The host sets the frequency, as a restored session or automation does, and a digit typed
    // at the end of the field makes a number of what the host set.
    {"jalv.gtk3", {"-c", "startFreq=300"}, {{"key", "End"}, {"type", "5"}, {"key", "Return"}},
        3005},
    // Debian's jalv.qt5 reads no options but the plugin's URI: a frequency typed whole.
    {"jalv.qt5", {}, {{"key", "ctrl+a"}, {"type", "440"}, {"key", "Return"}}, 440},
};

class EditorInJalv : public ::testing::TestWithParam<JalvCase> {
protected:
	void SetUp() override
	{
		const std::optional<std::string> jalvPath = FindProgram(GetParam().program);
		const std::optional<std::string> xvfb = FindProgram("Xvfb");
		xdotool = FindProgram("xdotool").value_or("");
		if (!jalvPath || !xvfb || xdotool.empty())
			GTEST_SKIP() << "needs " << GetParam().program
			             << ", Xvfb and xdotool (scripts/install-deps installs them)";
		jalvProgram = *jalvPath;
		fs::create_directory(dir / "lv2");
		fs::create_directory_symlink(fs::path(TUNK_LV2_BUNDLE_DIR), dir / "lv2/tunk.lv2");
		ASSERT_TRUE(screen.Start(*xvfb, 190, "1024x768x24", dir / "xvfb.log"));
		const std::string name = "tunk-editor-test-" + std::to_string(getpid());
		setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
		ASSERT_EQ(server.Start(TUNK_JACKD, name), "");
		ASSERT_TRUE(ears.Start());
	}

	// The server ends cleanly only once no client is left in its graph: one ended while it
	// waits for it keeps the server past its end signal, and a server killed stays in libjack's
	// registry of servers (eight in all) for good.
	void TearDown() override
	{
		jalv.Stop();
		if (ears.client != nullptr)
			WaitFor([&] { return !HostPortOnServer(); }, 10s);
		ears.Close();
		server.Stop();
		unsetenv("JACK_DEFAULT_SERVER");
	}

	void Tool(std::vector<std::string> args)
	{
		Xdotool(xdotool, screen.name, std::move(args));
		std::this_thread::sleep_for(100ms);
	}

	// The plugin's output, whatever client name the host took (jalv.qt5 does not read -n).
	bool HostPortOnServer(const char** found = nullptr)
	{
		const char** ports =
		    jack_get_ports(ears.client, ":out$", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
		const bool any = ports != nullptr && ports[0] != nullptr;
		if (any && found != nullptr)
			*found = strdup(ports[0]);
		jack_free(ports);
		return any;
	}

	std::string Log() const
	{
		std::ifstream in(dir / "jalv.log");
		return std::string((std::istreambuf_iterator<char>(in)), {});
	}

	TempDir dir;
	VirtualDisplay screen;
	JackServer server;
	Recorder ears;
	std::string jalvProgram, xdotool;
	// Killed outright, as a host that crashes ends.
	Child jalv{SIGKILL};
};

TEST_P(EditorInJalv, ShowsTheEditorWhoseChangeIsHeardAndLeavesNothingBehindTheHost)
{
	std::vector<std::string> command = {jalvProgram, "-s"};
	command.insert(command.end(), GetParam().options.begin(), GetParam().options.end());
	command.push_back(kTunkUri);
	ASSERT_TRUE(jalv.Start(command,
	    {"DISPLAY=" + screen.name, "QT_QPA_PLATFORM=xcb", "LV2_PATH=" + (dir / "lv2"),
	        "HOME=" + dir.Path(), "XDG_RUNTIME_DIR=" + dir.Path(), "XDG_CONFIG_HOME=" + dir.Path()},
	    dir / "jalv.log"));
	const Window editor = WaitForWindow(screen.x, "Tunk v1.1 - Tunk");
	ASSERT_NE(editor, 0u) << "no editor in " << GetParam().program << ":\n" << Log();
	// Inside the host's window, not a window of its own.
	Window root = 0, parent = 0;
	Window* children = nullptr;
	unsigned int count = 0;
	ASSERT_TRUE(XQueryTree(screen.x, editor, &root, &parent, &children, &count));
	if (children != nullptr)
		XFree(children);
	EXPECT_NE(parent, root) << "the editor is a top-level window";
	ASSERT_TRUE(WaitFor([&] {
		XWindowAttributes attributes;
		return XGetWindowAttributes(screen.x, editor, &attributes) &&
		       attributes.map_state == IsViewable;
	}));
	ASSERT_TRUE(WaitFor([&] {
		const char* out = nullptr;
		const bool connected =
		    HostPortOnServer(&out) && jack_connect(ears.client, out, jack_port_name(ears.in)) == 0;
		free(const_cast<char*>(out));
		return connected;
	})) << Log();

	Tool({"mousemove", "--window", std::to_string(editor), kFrequencyField[0], kFrequencyField[1],
	    "click", "1"});
	for (const std::vector<std::string>& keys : GetParam().keys)
		Tool(keys);
	Tool({"mousemove", "--window", std::to_string(editor), kPlayButton[0], kPlayButton[1], "click",
	    "1"});
	const std::vector<float> sound = SoundAt(GetParam().heard);
	EXPECT_TRUE(WaitFor([&] { return ears.Heard(sound); }, 30s))
	    << "the typed frequency was not heard at Play:\n"
	    << Log();

	ASSERT_GT(jalv.Pid(), 0) << GetParam().program << " went down:\n" << Log();
	EXPECT_FALSE(MapsQt6(jalv.Pid())) << "the host's process holds Qt 6";
	const std::vector<pid_t> editors = ChildrenNamed(jalv.Pid(), "tunk");
	ASSERT_EQ(editors.size(), 1u);
	jalv.Stop();
	EXPECT_TRUE(WaitFor([&] { return Ended(editors.front()); }, 10s))
	    << "the editor outlived its host";
}

INSTANTIATE_TEST_SUITE_P(BothToolkits, EditorInJalv, ::testing::ValuesIn(kCases),
    [](const ::testing::TestParamInfo<JalvCase>& info) {
	    return std::string(info.param.program).substr(5);
    });

} // namespace
