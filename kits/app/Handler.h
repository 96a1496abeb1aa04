// BHandler: an object that receives messages from the looper it belongs to.
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

class BLooper;
class BMessage;

class BHandler {
public:
	explicit BHandler(const char* name = nullptr);
	virtual ~BHandler();

	BHandler(const BHandler&) = delete;
	BHandler& operator=(const BHandler&) = delete;

	// The default drops the message.
	virtual void MessageReceived(BMessage* message);

	// The looper the handler belongs to, nullptr when it belongs to none.
	BLooper* Looper() const { return fLooper; }

	const char* Name() const { return fName.c_str(); }
	void SetName(const char* name);

private:
	friend class BLooper;

	std::string fName;
	BLooper* fLooper = nullptr;
};
