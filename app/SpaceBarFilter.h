// SpaceBarFilter: makes the space bar reach the window's own handler, whichever view has the
// focus, so that it plays the sound; every other key goes on to its usual target.
#pragma once

#include "kits/app/MessageFilter.h"

class SpaceBarFilter : public BMessageFilter {
public:
	SpaceBarFilter();
	~SpaceBarFilter() override;

	// Prints the key's byte and retargets a space to the looper; always dispatches.
	filter_result Filter(BMessage* message, BHandler** target) override;
};
