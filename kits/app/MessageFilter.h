// BMessageFilter: sees a looper's messages before they are dispatched and may drop or retarget
// them.
#pragma once

#include "kits/app/AppDefs.h"
#include "kits/support/SupportDefs.h"

class BHandler;
class BLooper;
class BMessage;
class BMessageFilter;

typedef filter_result (*filter_hook)(BMessage* message, BHandler** target, BMessageFilter* filter);

class BMessageFilter {
public:
	// A filter for messages of one code.
	BMessageFilter(
	    message_delivery delivery, message_source source, uint32 what, filter_hook hook = nullptr);
	// A filter for every message.
	BMessageFilter(message_delivery delivery, message_source source, filter_hook hook = nullptr);
	explicit BMessageFilter(uint32 what, filter_hook hook = nullptr);
	virtual ~BMessageFilter();

	BMessageFilter(const BMessageFilter&) = delete;
	BMessageFilter& operator=(const BMessageFilter&) = delete;

	// Called for every message the filter applies to; *target may be changed to send the
	// message elsewhere. The default calls the hook, or dispatches when there is none.
	virtual filter_result Filter(BMessage* message, BHandler** target);

	message_delivery MessageDelivery() const { return fDelivery; }
	message_source MessageSource() const { return fSource; }
	uint32 Command() const { return fWhat; }
	bool FiltersAnyCommand() const { return fAnyCommand; }
	filter_hook FilterFunction() const { return fHook; }

	// The looper the filter is installed on, nullptr before.
	BLooper* Looper() const { return fLooper; }

private:
	friend class BLooper;

	message_delivery fDelivery;
	message_source fSource;
	uint32 fWhat = 0;
	bool fAnyCommand;
	filter_hook fHook;
	BLooper* fLooper = nullptr;
};
