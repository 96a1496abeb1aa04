// BMessenger: addresses a handler in a looper and delivers messages there.
#pragma once

#include "kits/support/SupportDefs.h"

class BHandler;
class BLooper;
class BMessage;

class BMessenger {
public:
	BMessenger();
	// The handler's looper, or the given looper (its preferred handler when handler is null).
	BMessenger(
	    const BHandler* handler, const BLooper* looper = nullptr, status_t* result = nullptr);

	status_t SendMessage(uint32 what) const;
	status_t SendMessage(BMessage* message) const;

	bool IsValid() const;
	// The handler (nullptr for the looper's preferred handler); *looper gets the looper.
	BHandler* Target(BLooper** looper) const;
	bool IsTargetLocal() const { return true; }

	bool operator==(const BMessenger& other) const = default;

private:
	BHandler* fHandler = nullptr;
	BLooper* fLooper = nullptr;
};

// Addresses the application object; valid while a BApplication exists.
extern BMessenger be_app_messenger;
