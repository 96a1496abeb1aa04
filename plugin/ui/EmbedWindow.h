// The UI's own X window inside the host's parent window: what the UI hands the host at once,
// before the editor has started, and what the editor's window is placed in when it comes.
// A connection to the X server of the UI's own, so that nothing here touches the host's
// toolkit or its connection; through xcb, whose errors are answers rather than the end of the
// process (a bad parent from a host must not take the host down).
#pragma once

#include <cstdint>

struct xcb_connection_t;

namespace tunk::editor_link {

class EmbedWindow {
public:
	EmbedWindow() = default;
	~EmbedWindow() { Destroy(); }
	EmbedWindow(const EmbedWindow&) = delete;
	EmbedWindow& operator=(const EmbedWindow&) = delete;

	// A mapped child of `parent` of the given size; false without an X server, or when
	// `parent` is no window there.
	bool Create(unsigned long parent, int width, int height);
	// The new size, also the size the window asks its parent for.
	void Resize(int width, int height);
	void Destroy();
	unsigned long Id() const { return fWindow; }

private:
	void SetSizeHints(int width, int height);

	xcb_connection_t* fConnection = nullptr;
	uint32_t fWindow = 0;
};

} // namespace tunk::editor_link
