// Message codes of the application kit and the result and delivery enums of message filters.
#pragma once

#include "kits/support/SupportDefs.h"

enum : uint32 {
	B_QUIT_REQUESTED = four_char_code("_QRQ"),
	B_READY_TO_RUN = four_char_code("_RTR"),
	B_REFS_RECEIVED = four_char_code("RRCV"),
	B_SAVE_REQUESTED = four_char_code("SAVE"),
	B_CANCEL = four_char_code("_CNC"),
	B_KEY_DOWN = four_char_code("_KYD"),
	B_KEY_UP = four_char_code("_KYU"),
	B_MOUSE_DOWN = four_char_code("_MDN"),
	B_MOUSE_UP = four_char_code("_MUP"),
	B_MOUSE_MOVED = four_char_code("_MMV"),
};

// What a message filter decides: drop the message, or let it go on to its (possibly new) target.
enum filter_result {
	B_SKIP_MESSAGE = 0,
	B_DISPATCH_MESSAGE = 1,
};

enum message_delivery {
	B_ANY_DELIVERY,
	B_DROPPED_DELIVERY,
	B_PROGRAMMED_DELIVERY,
};

enum message_source {
	B_ANY_SOURCE,
	B_REMOTE_SOURCE,
	B_LOCAL_SOURCE,
};
