#include "app/SpaceBarFilter.h"

#include <cstdio>

#include "kits/app/AppDefs.h"
#include "kits/app/Looper.h"
#include "kits/app/Message.h"
#include "kits/interface/InterfaceDefs.h"
#include "kits/interface/TextControl.h"

SpaceBarFilter::SpaceBarFilter() : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE, B_KEY_DOWN) {}

SpaceBarFilter::~SpaceBarFilter() = default;

filter_result SpaceBarFilter::Filter(BMessage* message, BHandler** target)
{
	// A key message without its character has nothing to report or redirect.
	int8 byte = 0;
	if (message->FindInt8("byte", &byte) != B_OK)
		return B_DISPATCH_MESSAGE;

	std::printf("Got key: %d\n", int(byte));
	std::fflush(stdout);
	if (byte == B_SPACE) {
		// An edit typed but not yet committed goes first, so that the sound played is the
		// one typed: its message is queued before the key's.
		if (auto* text = dynamic_cast<BTextControl*>(*target))
			text->CommitEdit();
		*target = Looper();
	}
	return B_DISPATCH_MESSAGE;
}
