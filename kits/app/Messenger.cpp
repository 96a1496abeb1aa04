#include "kits/app/Messenger.h"

#include "kits/app/AppPrivate.h"
#include "kits/app/Looper.h"
#include "kits/app/Message.h"

BMessenger be_app_messenger;

BMessenger::BMessenger() = default;

BMessenger::BMessenger(const BHandler* handler, const BLooper* looper, status_t* result)
{
	status_t status = B_OK;
	if (handler != nullptr) {
		BLooper* owner = handler->Looper();
		if (owner == nullptr)
			status = B_BAD_VALUE;
		else if (looper != nullptr && looper != owner)
			status = B_MISMATCHED_VALUES;
		else {
			fLooper = owner;
			fHandler = handler == owner ? nullptr : const_cast<BHandler*>(handler);
		}
	} else if (looper != nullptr) {
		fLooper = const_cast<BLooper*>(looper);
	} else {
		status = B_BAD_VALUE;
	}
	if (result != nullptr)
		*result = status;
}

bool BMessenger::IsValid() const
{
	if (!BLooper::IsAlive(fLooper))
		return false;
	return fHandler == nullptr ||
	       (tunk_internal::HandlerAlive(fHandler) && fHandler->Looper() == fLooper);
}

status_t BMessenger::SendMessage(uint32 what) const
{
	BMessage message(what);
	return SendMessage(&message);
}

status_t BMessenger::SendMessage(BMessage* message) const
{
	if (message == nullptr)
		return B_BAD_VALUE;
	if (!IsValid())
		return B_BAD_VALUE;
	return fLooper->PostMessage(message, fHandler);
}

BHandler* BMessenger::Target(BLooper** looper) const
{
	if (looper != nullptr)
		*looper = IsValid() ? fLooper : nullptr;
	return IsValid() ? fHandler : nullptr;
}
