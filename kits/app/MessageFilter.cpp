#include "kits/app/MessageFilter.h"

#include "kits/app/Looper.h"

BMessageFilter::BMessageFilter(
    message_delivery delivery, message_source source, uint32 what, filter_hook hook)
    : fDelivery(delivery), fSource(source), fWhat(what), fAnyCommand(false), fHook(hook)
{
}

BMessageFilter::BMessageFilter(message_delivery delivery, message_source source, filter_hook hook)
    : fDelivery(delivery), fSource(source), fAnyCommand(true), fHook(hook)
{
}

BMessageFilter::BMessageFilter(uint32 what, filter_hook hook)
    : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE, what, hook)
{
}

BMessageFilter::~BMessageFilter()
{
	if (fLooper != nullptr)
		fLooper->RemoveCommonFilter(this);
}

filter_result BMessageFilter::Filter(BMessage* message, BHandler** target)
{
	return fHook != nullptr ? fHook(message, target, this) : B_DISPATCH_MESSAGE;
}
