#include "kits/media/SoundPlayer.h"

#include <SDL.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <dlfcn.h>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;
constexpr int kDeviceFrames = 512;

// Frames per device buffer: 512 (11.6 ms) unless TUNK_AUDIO_FRAMES asks for another
// power of two from 64 to 16384, for an output that needs more time per buffer.
int DeviceFrames()
{
	const char* wanted = std::getenv("TUNK_AUDIO_FRAMES");
	if (wanted == nullptr)
		return kDeviceFrames;
	char* end = nullptr;
	long frames = std::strtol(wanted, &end, 10);
	bool powerOfTwo = frames > 0 && (frames & (frames - 1)) == 0;
	if (*end != '\0' || !powerOfTwo || frames < 64 || frames > 16384)
		return kDeviceFrames;
	return int(frames);
}

// SDL is loaded when the first player starts, not with the program: programs that never
// play (tunk-render, the tests of the engine) do not pay for loading it and the many
// libraries of its audio back ends.
struct SdlAudio {
	decltype(&SDL_GetError) GetError = nullptr;
	decltype(&SDL_SetHint) SetHint = nullptr;
	decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
	decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
	decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
	decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
	decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
	const char* loadError = nullptr;

	bool Load()
	{
		void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
		if (library == nullptr) {
			loadError = dlerror();
			return false;
		}
		bool found = Find(library, "SDL_GetError", &GetError)
			&& Find(library, "SDL_SetHint", &SetHint)
			&& Find(library, "SDL_InitSubSystem", &InitSubSystem)
			&& Find(library, "SDL_QuitSubSystem", &QuitSubSystem)
			&& Find(library, "SDL_OpenAudioDevice", &OpenAudioDevice)
			&& Find(library, "SDL_PauseAudioDevice", &PauseAudioDevice)
			&& Find(library, "SDL_CloseAudioDevice", &CloseAudioDevice);
		if (!found)
			loadError = "libSDL2 lacks an audio function";
		return found;
	}

	template <typename Function>
	static bool Find(void* library, const char* name, Function* function)
	{
		*function = reinterpret_cast<Function>(dlsym(library, name));
		return *function != nullptr;
	}

	const char* Error() const { return GetError != nullptr ? GetError() : loadError; }
};

SdlAudio sdl;

void ReportNoDevice()
{
	std::fprintf(
		stderr, "BSoundPlayer: no audio output available (%s); playing silently\n", sdl.Error());
}

}  // namespace

// One player's place at the device. The device thread claims a ready slot for each
// callback (kReady to kRunning and back) and never waits; Stop frees a ready slot at once,
// or marks a running one kRetiring and waits until the device thread has set it kIdle.
struct PlayerSlot {
	enum : uint32 { kIdle, kReady, kRunning, kRetiring };
	std::atomic<uint32> state{kIdle};
	BSoundPlayer* player = nullptr;  // written only while kIdle
};

// The one output device of the process and the players it serves. The device thread
// takes no lock and allocates nothing: the slots are a fixed table and the mixing buffers
// are sized before the device opens.
struct SoundDevice {
	static constexpr int32 kSlots = 256;
	std::array<PlayerSlot, kSlots> slots;
	// One past the highest slot ever used: the device thread looks no further.
	std::atomic<int32> slotsUsed{0};
	// Start and Stop among themselves; never taken by the device thread.
	std::mutex control;

	size_t capacity = 0;  // frames the buffers hold
	std::vector<int32> mix;
	std::vector<int16> scratch;
	std::atomic<bool> closing{false};

	std::mutex openLock;
	enum { kClosed, kOpen, kFailed } state = kClosed;
	SDL_AudioDeviceID device = 0;

	static SoundDevice& Get()
	{
		static SoundDevice* device = new SoundDevice;  // the device thread may outlive statics
		return *device;
	}

	bool EnsureOpen();
	bool Add(BSoundPlayer* player);
	void Remove(BSoundPlayer* player);
	void Fill(Uint8* stream, int length);
	void Mix(size_t frames);
	void MixPlayer(const BSoundPlayer& player, size_t frames);

	static void SDLCALL FillCallback(void*, Uint8* stream, int length)
	{
		Get().Fill(stream, length);
	}
	static void CloseAtExit();
};

bool SoundDevice::EnsureOpen()
{
	std::lock_guard guard(openLock);
	if (state != kClosed)
		return state == kOpen;

	if (!sdl.Load()) {
		ReportNoDevice();
		state = kFailed;
		return false;
	}
	sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
	if (sdl.InitSubSystem(SDL_INIT_AUDIO) != 0) {
		ReportNoDevice();
		state = kFailed;
		return false;
	}

	// Sized before the device thread exists, which makes them visible to it.
	capacity = size_t(DeviceFrames());
	mix.resize(capacity * kDeviceChannels);
	scratch.resize(capacity * kDeviceChannels);

	SDL_AudioSpec wanted = {};
	wanted.freq = kDeviceRate;
	wanted.format = AUDIO_S16LSB;
	wanted.channels = kDeviceChannels;
	wanted.samples = Uint16(capacity);
	wanted.callback = FillCallback;
	SDL_AudioSpec obtained = {};
	// No allowed changes: SDL converts to whatever the hardware wants.
	device = sdl.OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
	if (device == 0) {
		ReportNoDevice();
		sdl.QuitSubSystem(SDL_INIT_AUDIO);
		state = kFailed;
		return false;
	}
	state = kOpen;
	std::atexit(CloseAtExit);
	sdl.PauseAudioDevice(device, 0);
	return true;
}

// Joins the device thread before the players' owners and the C library go away.
void SoundDevice::CloseAtExit()
{
	SoundDevice& self = Get();
	self.closing.store(true);  // the buffers from here on are silence
	std::lock_guard guard(self.openLock);
	if (self.state == kOpen) {
		sdl.CloseAudioDevice(self.device);
		sdl.QuitSubSystem(SDL_INIT_AUDIO);
		self.state = kFailed;  // players started from here on stay silent
	}
}

// Under `control`. False when every slot is taken.
bool SoundDevice::Add(BSoundPlayer* player)
{
	for (int32 i = 0; i < kSlots; i++) {
		PlayerSlot& slot = slots[size_t(i)];
		if (slot.state.load(std::memory_order_acquire) != PlayerSlot::kIdle)
			continue;
		slot.player = player;
		player->slot = i;
		slot.state.store(PlayerSlot::kReady, std::memory_order_release);
		if (i >= slotsUsed.load(std::memory_order_relaxed))
			slotsUsed.store(i + 1, std::memory_order_release);
		return true;
	}
	return false;
}

// Under `control`. Returns once the device thread is done with the player.
void SoundDevice::Remove(BSoundPlayer* player)
{
	if (player->slot < 0)
		return;
	PlayerSlot& slot = slots[size_t(player->slot)];
	player->slot = -1;
	uint32 now = slot.state.load(std::memory_order_acquire);
	while (now != PlayerSlot::kIdle) {
		if (now == PlayerSlot::kReady || now == PlayerSlot::kRunning) {
			const uint32 next = now == PlayerSlot::kReady ? PlayerSlot::kIdle : PlayerSlot::kRetiring;
			if (slot.state.compare_exchange_weak(
					now, next, std::memory_order_acq_rel, std::memory_order_acquire))
				now = next;
			continue;
		}
		// The callback in flight ends within a device buffer.
		std::this_thread::sleep_for(std::chrono::microseconds(100));
		now = slot.state.load(std::memory_order_acquire);
	}
}

void SoundDevice::Fill(Uint8* stream, int length)
{
	const size_t frameBytes = kDeviceChannels * sizeof(int16);
	const size_t frames = size_t(length) / frameBytes;
	if (closing.load() || capacity == 0) {
		std::memset(stream, 0, size_t(length));
		return;
	}
	// In pieces only if SDL hands out a larger buffer than it promised.
	for (size_t done = 0; done < frames;) {
		const size_t span = std::min(frames - done, capacity);
		Mix(span);
		for (size_t i = 0; i < span * kDeviceChannels; i++) {
			int16 value = int16(std::clamp(mix[i], int32(-32768), int32(32767)));
			std::memcpy(stream + done * frameBytes + i * sizeof(int16), &value, sizeof(int16));
		}
		done += span;
	}
}

void SoundDevice::Mix(size_t frames)
{
	std::fill_n(mix.begin(), frames * kDeviceChannels, 0);
	const int32 used = slotsUsed.load(std::memory_order_acquire);
	for (int32 i = 0; i < used; i++) {
		PlayerSlot& slot = slots[size_t(i)];
		uint32 expected = PlayerSlot::kReady;
		if (!slot.state.compare_exchange_strong(
				expected, PlayerSlot::kRunning, std::memory_order_acquire, std::memory_order_relaxed))
			continue;
		if (slot.player->hasData.load())
			MixPlayer(*slot.player, frames);
		expected = PlayerSlot::kRunning;
		if (!slot.state.compare_exchange_strong(
				expected, PlayerSlot::kReady, std::memory_order_release, std::memory_order_relaxed))
			slot.state.store(PlayerSlot::kIdle, std::memory_order_release);  // Stop waits for it
	}
}

void SoundDevice::MixPlayer(const BSoundPlayer& player, size_t frames)
{
	const uint32 channels = player.format.channel_count;
	const size_t count = frames * channels;
	std::fill_n(scratch.begin(), count, int16(0));
	media_raw_audio_format format = player.format;
	format.buffer_size = count * sizeof(int16);
	player.callback(player.cookie, scratch.data(), format.buffer_size, format);

	// A mono player's sample goes to both channels unchanged. The loops at full volume are
	// apart from the scaled one so that the compiler can vectorise them.
	const float volume = player.volume.load();
	int32* out = mix.data();
	const int16* in = scratch.data();
	if (volume == 1.0f && channels == 1) {
		for (size_t i = 0; i < frames; i++) {
			out[2 * i] += in[i];
			out[2 * i + 1] += in[i];
		}
	} else if (volume == 1.0f) {
		for (size_t i = 0; i < count; i++)
			out[i] += in[i];
	} else {
		for (size_t i = 0; i < count; i++) {
			const float scaled = std::clamp(float(in[i]) * volume, -32768.0f, 32767.0f);
			const int32 value = int32(std::lrint(scaled));
			if (channels == 1) {
				out[2 * i] += value;
				out[2 * i + 1] += value;
			} else {
				out[i] += value;
			}
		}
	}
}

BSoundPlayer::BSoundPlayer(const media_raw_audio_format* requested, const char* playerName,
	BufferPlayerFunc player, EventNotifierFunc eventNotifier, void* userCookie)
	: callback(player), notifier(eventNotifier), cookie(userCookie)
{
	if (requested != nullptr)
		format = *requested;
	if (format.frame_rate == 0)
		format.frame_rate = kDeviceRate;
	if (format.channel_count == 0)
		format.channel_count = 1;
	if (format.format == 0)
		format.format = media_raw_audio_format::B_AUDIO_SHORT;
	if (format.byte_order == 0)
		format.byte_order = B_MEDIA_LITTLE_ENDIAN;
	const bool channelsFit = format.channel_count == 1 || format.channel_count == kDeviceChannels;
	format.buffer_size = DeviceFrames() * (channelsFit ? format.channel_count : 1) * sizeof(int16);

	if (playerName != nullptr)
		std::snprintf(name, sizeof(name), "%s", playerName);

	if (callback == nullptr || format.frame_rate != kDeviceRate || !channelsFit
		|| format.format != media_raw_audio_format::B_AUDIO_SHORT
		|| format.byte_order != B_MEDIA_LITTLE_ENDIAN)
		initStatus = B_BAD_VALUE;
}

BSoundPlayer::~BSoundPlayer()
{
	Stop();
}

status_t BSoundPlayer::Start()
{
	if (initStatus != B_OK)
		return initStatus;
	SoundDevice& device = SoundDevice::Get();
	{
		std::lock_guard guard(device.control);
		if (started.load())
			return B_OK;
		// Without a device the player counts as started and stays silent.
		if (device.EnsureOpen() && !device.Add(this))
			return B_NO_MEMORY;
		started.store(true);
	}
	if (notifier != nullptr)
		notifier(cookie, B_STARTED, this);
	return B_OK;
}

void BSoundPlayer::Stop()
{
	SoundDevice& device = SoundDevice::Get();
	{
		std::lock_guard guard(device.control);
		if (!started.load())
			return;
		device.Remove(this);
		started.store(false);
	}
	if (notifier != nullptr)
		notifier(cookie, B_STOPPED, this);
}

void BSoundPlayer::SetVolume(float newVolume)
{
	volume.store(std::isfinite(newVolume) && newVolume > 0 ? newVolume : 0.0f);
}

void BSoundPlayer::SetHasData(bool data)
{
	hasData.store(data);
}
