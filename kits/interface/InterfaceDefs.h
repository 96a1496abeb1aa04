// Constants shared by the interface kit: resizing modes, view flags, window types and flags,
// border styles, key codes and mouse transit codes.
#pragma once

#include "kits/support/SupportDefs.h"

// Resizing modes: which parent edges a view follows when its parent is resized.
enum : uint32 {
	B_FOLLOW_NONE = 0,
	B_FOLLOW_LEFT = 0x0101,
	B_FOLLOW_RIGHT = 0x0202,
	B_FOLLOW_LEFT_RIGHT = 0x0102,
	B_FOLLOW_H_CENTER = 0x0303,
	B_FOLLOW_TOP = 0x1010,
	B_FOLLOW_BOTTOM = 0x2020,
	B_FOLLOW_TOP_BOTTOM = 0x1020,
	B_FOLLOW_V_CENTER = 0x3030,
	B_FOLLOW_ALL_SIDES = 0x1122,
	B_FOLLOW_ALL = B_FOLLOW_ALL_SIDES,
};

// View flags.
enum : uint32 {
	B_FULL_UPDATE_ON_RESIZE = 0x80000000u,
	B_WILL_DRAW = 0x20000000u,
	B_PULSE_NEEDED = 0x10000000u,
	B_NAVIGABLE_JUMP = 0x08000000u,
	B_FRAME_EVENTS = 0x04000000u,
	B_NAVIGABLE = 0x02000000u,
	B_SUBPIXEL_PRECISE = 0x01000000u,
	B_DRAW_ON_CHILDREN = 0x00800000u,
};

enum window_type {
	B_UNTYPED_WINDOW = 0,
	B_TITLED_WINDOW = 1,
	B_MODAL_WINDOW = 3,
	B_DOCUMENT_WINDOW = 11,
	B_BORDERED_WINDOW = 20,
	B_FLOATING_WINDOW = 21,
};

// Window flags.
enum : uint32 {
	B_NOT_MOVABLE = 0x00000001,
	B_NOT_CLOSABLE = 0x00000020,
	B_NOT_ZOOMABLE = 0x00000040,
	B_NOT_MINIMIZABLE = 0x00004000,
	B_NOT_RESIZABLE = 0x00000002,
	B_NOT_H_RESIZABLE = 0x00000004,
	B_NOT_V_RESIZABLE = 0x00000008,
	B_AVOID_FRONT = 0x00000080,
	B_AVOID_FOCUS = 0x00002000,
	B_WILL_ACCEPT_FIRST_CLICK = 0x00000010,
	B_OUTLINE_RESIZE = 0x00001000,
	B_NO_WORKSPACE_ACTIVATION = 0x00000100,
	B_NOT_ANCHORED_ON_ACTIVATE = 0x00020000,
	B_ASYNCHRONOUS_CONTROLS = 0x00080000,
	B_QUIT_ON_WINDOW_CLOSE = 0x00100000,
};

enum : uint32 {
	B_CURRENT_WORKSPACE = 0,
	B_ALL_WORKSPACES = 0xffffffffu,
};

enum border_style {
	B_PLAIN_BORDER,
	B_FANCY_BORDER,
	B_NO_BORDER,
};

enum orientation {
	B_HORIZONTAL,
	B_VERTICAL,
};

// Key bytes.
enum : uint8 {
	B_BACKSPACE = 0x08,
	B_RETURN = 0x0a,
	B_ENTER = 0x0a,
	B_SPACE = 0x20,
	B_TAB = 0x09,
	B_ESCAPE = 0x1b,
	B_LEFT_ARROW = 0x1c,
	B_RIGHT_ARROW = 0x1d,
	B_UP_ARROW = 0x1e,
	B_DOWN_ARROW = 0x1f,
	B_INSERT = 0x05,
	B_HOME = 0x01,
	B_END = 0x04,
	B_PAGE_UP = 0x0b,
	B_PAGE_DOWN = 0x0c,
	B_FUNCTION_KEY = 0x10,
	B_DELETE = 0x7f,
};

// Modifier bits in a key message's "modifiers".
enum : uint32 {
	B_SHIFT_KEY = 0x00000001,
	B_COMMAND_KEY = 0x00000002,
	B_CONTROL_KEY = 0x00000004,
	B_OPTION_KEY = 0x00000040,
};

// Mouse buttons in a message's "buttons".
enum : uint32 {
	B_PRIMARY_MOUSE_BUTTON = 0x01,
	B_SECONDARY_MOUSE_BUTTON = 0x02,
	B_TERTIARY_MOUSE_BUTTON = 0x04,
};

// Where the mouse went, relative to the view that MouseMoved reports to.
enum : uint32 {
	B_ENTERED_VIEW = 0,
	B_INSIDE_VIEW = 1,
	B_EXITED_VIEW = 2,
	B_OUTSIDE_VIEW = 3,
};
