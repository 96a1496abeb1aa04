// BInvoker: a message and a target, sent together by Invoke (controls and menu items are
// invokers).
#pragma once

#include "kits/app/Messenger.h"
#include "kits/support/SupportDefs.h"

class BHandler;
class BLooper;
class BMessage;

class BInvoker {
public:
	BInvoker();
	BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper = nullptr);
	virtual ~BInvoker();

	BInvoker(const BInvoker&) = delete;
	BInvoker& operator=(const BInvoker&) = delete;

	// Takes ownership of the message (nullptr clears it).
	virtual status_t SetMessage(BMessage* message);
	BMessage* Message() const { return fMessage; }
	uint32 Command() const;

	virtual status_t SetTarget(const BHandler* handler, const BLooper* looper = nullptr);
	virtual status_t SetTarget(BMessenger messenger);
	bool IsTargetLocal() const { return true; }
	BHandler* Target(BLooper** looper = nullptr) const;
	BMessenger Messenger() const { return fMessenger; }

	// Sends a copy of the message (or of the invoker's own when null) to the target: B_BAD_VALUE
	// when there is no message or no valid target.
	virtual status_t Invoke(BMessage* message = nullptr);

protected:
	// Where the message goes when no target has been set; controls answer their window.
	virtual BMessenger DefaultTarget() const { return BMessenger(); }

private:
	BMessage* fMessage = nullptr;
	BMessenger fMessenger;
};
