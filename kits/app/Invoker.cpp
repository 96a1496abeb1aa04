#include "kits/app/Invoker.h"

#include "kits/app/Message.h"

BInvoker::BInvoker() = default;

BInvoker::BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper)
    : fMessage(message), fMessenger(handler, looper)
{
}

BInvoker::~BInvoker()
{
	delete fMessage;
}

status_t BInvoker::SetMessage(BMessage* message)
{
	if (message != fMessage)
		delete fMessage;
	fMessage = message;
	return B_OK;
}

uint32 BInvoker::Command() const
{
	return fMessage != nullptr ? fMessage->what : 0;
}

status_t BInvoker::SetTarget(const BHandler* handler, const BLooper* looper)
{
	status_t status = B_OK;
	fMessenger = handler != nullptr || looper != nullptr ? BMessenger(handler, looper, &status)
	                                                     : BMessenger();
	return status;
}

status_t BInvoker::SetTarget(BMessenger messenger)
{
	fMessenger = messenger;
	return B_OK;
}

BHandler* BInvoker::Target(BLooper** looper) const
{
	return fMessenger.Target(looper);
}

status_t BInvoker::Invoke(BMessage* message)
{
	BMessage* toSend = message != nullptr ? message : fMessage;
	if (toSend == nullptr)
		return B_BAD_VALUE;
	BMessenger target = fMessenger == BMessenger() ? DefaultTarget() : fMessenger;
	return target.SendMessage(toSend);
}
