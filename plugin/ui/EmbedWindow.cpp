#include "plugin/ui/EmbedWindow.h"

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace tunk::editor_link {

bool EmbedWindow::Create(unsigned long parent, int width, int height)
{
	Destroy();
	if (parent == 0)
		return false;
	fConnection = xcb_connect(nullptr, nullptr);
	if (xcb_connection_has_error(fConnection)) {
		xcb_disconnect(fConnection);
		fConnection = nullptr;
		return false;
	}
	const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(fConnection)).data;
	fWindow = xcb_generate_id(fConnection);
	const uint32_t background = screen->white_pixel;
	// Checked, so that the window exists on the server when the host, handed its id, asks
	// about it.
	xcb_generic_error_t* error = xcb_request_check(fConnection,
	    xcb_create_window_checked(fConnection, XCB_COPY_FROM_PARENT, fWindow, xcb_window_t(parent),
	        0, 0, uint16_t(width), uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
	        XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, &background));
	if (error != nullptr) {
		free(error);
		fWindow = 0;
		Destroy();
		return false;
	}
	SetSizeHints(width, height);
	xcb_map_window(fConnection, fWindow);
	free(xcb_get_input_focus_reply(fConnection, xcb_get_input_focus(fConnection), nullptr));
	return true;
}

void EmbedWindow::SetSizeHints(int width, int height)
{
	// WM_NORMAL_HINTS as ICCCM lays it out: flags, then x, y, width, height, the minimum,
	// maximum, increments, aspects, the base size and the gravity. Hosts read the size they give
	// the UI from the minimum and base sizes (suil's wrappers do).
	enum : uint32_t { kMinSize = 1 << 4, kBaseSize = 1 << 8 };
	uint32_t hints[18] = {};
	hints[0] = kMinSize | kBaseSize;
	hints[5] = hints[15] = uint32_t(width);
	hints[6] = hints[16] = uint32_t(height);
	xcb_change_property(fConnection, XCB_PROP_MODE_REPLACE, fWindow, XCB_ATOM_WM_NORMAL_HINTS,
	    XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

void EmbedWindow::Resize(int width, int height)
{
	if (fWindow == 0)
		return;
	SetSizeHints(width, height);
	const uint32_t size[] = {uint32_t(width), uint32_t(height)};
	xcb_configure_window(
	    fConnection, fWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
	xcb_flush(fConnection);
}

void EmbedWindow::Destroy()
{
	if (fConnection == nullptr)
		return;
	if (fWindow != 0)
		xcb_destroy_window(fConnection, fWindow);
	xcb_flush(fConnection);
	xcb_disconnect(fConnection);
	fConnection = nullptr;
	fWindow = 0;
}

} // namespace tunk::editor_link
