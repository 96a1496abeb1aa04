// The real program driven from outside, as a user's desktop does: child processes the test
// starts and ends, an Xvfb server of the test's own, its windows found by title, closed as a
// window manager does, and keys pressed through xdotool.
// Include it last: Xlib's macros (None, Bool, Status) would clash with the headers before.
#pragma once

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/ChildProcess.h"

// After the standard headers: Xlib's macros are undone below.
#include <X11/Xlib.h>
#undef Bool
#undef None
#undef Status

// An Xvfb server of the test's own, on the first free display number from `first` on, and a
// connection to it. The server is stopped with SIGTERM, as it is meant to end.
class VirtualDisplay {
public:
	VirtualDisplay() = default;
	VirtualDisplay(const VirtualDisplay&) = delete;
	VirtualDisplay& operator=(const VirtualDisplay&) = delete;
	~VirtualDisplay()
	{
		if (x != nullptr)
			XCloseDisplay(x);
		server_.Stop();
	}

	// True once the display answers; `screen` is Xvfb's WIDTHxHEIGHTxDEPTH. Tests run side by
	// side: each starts looking at a number of its own, and connects only once the display's
	// lock file names its own server, so that two tests never share a display.
	bool Start(
	    const std::string& xvfb, int first, const std::string& screen, const std::string& log = "")
	{
		int number = first + int(getpid() % 50) * 2;
		for (int attempt = 0; attempt < 20; attempt++, number++) {
			while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
			       std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
				number++;
			name = ":" + std::to_string(number);
			if (!server_.Start(
			        {xvfb, name, "-noreset", "-screen", "0", screen, "-nolisten", "tcp"}, {}, log))
				return false;
			for (int i = 0; i < 250 && x == nullptr && server_.Pid() > 0; i++) {
				std::this_thread::sleep_for(std::chrono::milliseconds(20));
				if (LockOwner(number) == server_.Pid())
					x = XOpenDisplay(name.c_str());
			}
			if (x != nullptr)
				return true;
			server_.Stop();  // another test's server took the number first
		}
		return false;
	}

	Display* x = nullptr;
	std::string name;

private:
	// The process id written in the display's lock file, -1 when there is none yet.
	static pid_t LockOwner(int number)
	{
		std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
		long pid = -1;
		return lock >> pid ? pid_t(pid) : pid_t(-1);
	}

	Child server_{SIGTERM};
};

// The window below `root` (itself included) whose title is exactly `title`, 0 when none.
inline Window FindWindow(Display* display, Window root, const std::string& title)
{
	char* name = nullptr;
	if (XFetchName(display, root, &name) && name != nullptr) {
		bool match = title == name;
		XFree(name);
		if (match)
			return root;
	}
	Window rootReturn, parent;
	Window* children = nullptr;
	unsigned int count = 0;
	Window found = 0;
	if (XQueryTree(display, root, &rootReturn, &parent, &children, &count)) {
		for (unsigned int i = 0; i < count && found == 0; i++)
			found = FindWindow(display, children[i], title);
		if (children != nullptr)
			XFree(children);
	}
	return found;
}

// The window titled `title` once it appears within ten seconds, else 0.
inline Window WaitForWindow(Display* display, const std::string& title)
{
	Window window = 0;
	for (int i = 0; i < 500 && window == 0; i++) {
		std::this_thread::sleep_for(std::chrono::milliseconds(20));
		window = FindWindow(display, DefaultRootWindow(display), title);
	}
	return window;
}

// Gives the window the keyboard once it shows; false when it never became viewable.
inline bool FocusWhenShown(Display* display, Window window)
{
	bool viewable = false;
	for (int i = 0; i < 250 && !viewable; i++) {
		XWindowAttributes attributes;
		viewable = XGetWindowAttributes(display, window, &attributes) &&
		           attributes.map_state == IsViewable;
		if (!viewable)
			std::this_thread::sleep_for(std::chrono::milliseconds(20));
	}
	XSetInputFocus(display, window, RevertToParent, CurrentTime);
	XSync(display, False);
	// Let the focus reach the program before any key does.
	std::this_thread::sleep_for(std::chrono::milliseconds(300));
	return viewable;
}

// Asks the window to close as a window manager's close button does.
inline void SendDelete(Display* display, Window window)
{
	XEvent event = {};
	event.xclient.type = ClientMessage;
	event.xclient.window = window;
	event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
	event.xclient.format = 32;
	event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
	event.xclient.data.l[1] = CurrentTime;
	XSendEvent(display, window, False, NoEventMask, &event);
	XFlush(display);
}

// Runs xdotool with the arguments on the display, as a keyboard and mouse do; it must succeed.
inline void Xdotool(
    const std::string& xdotool, const std::string& display, std::vector<std::string> args)
{
	args.insert(args.begin(), xdotool);
	Child tool;
	ASSERT_TRUE(tool.Start(args, {"DISPLAY=" + display}));
	ASSERT_EQ(tool.Wait(std::chrono::seconds(10)), 0);
}
