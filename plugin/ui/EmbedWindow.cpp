#include "plugin/ui/EmbedWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tunk::editor_link {

bool EmbedWindow::Create(unsigned long parent, int width, int height)
{
	Destroy();
	if (parent == 0)
		return false;
	fDisplay = XOpenDisplay(nullptr);
	if (fDisplay == nullptr)
		return false;
	fWindow = XCreateSimpleWindow(fDisplay, Window(parent), 0, 0, unsigned(width), unsigned(height),
	    0, 0, WhitePixel(fDisplay, DefaultScreen(fDisplay)));
	SetSizeHints(width, height);
	XMapWindow(fDisplay, fWindow);
	// The host asks the server about the window as soon as it has the id: it must exist there.
	XSync(fDisplay, False);
	return true;
}

void EmbedWindow::SetSizeHints(int width, int height)
{
	// Hosts read the size they give the UI from these (suil's wrappers do).
	XSizeHints hints = {};
	hints.flags = PMinSize | PBaseSize;
	hints.min_width = hints.base_width = width;
	hints.min_height = hints.base_height = height;
	XSetWMNormalHints(fDisplay, fWindow, &hints);
}

void EmbedWindow::Resize(int width, int height)
{
	if (fDisplay == nullptr)
		return;
	SetSizeHints(width, height);
	XResizeWindow(fDisplay, fWindow, unsigned(width), unsigned(height));
	XFlush(fDisplay);
}

void EmbedWindow::Destroy()
{
	if (fDisplay == nullptr)
		return;
	XDestroyWindow(fDisplay, fWindow);
	XCloseDisplay(fDisplay);
	fDisplay = nullptr;
	fWindow = 0;
}

} // namespace tunk::editor_link
