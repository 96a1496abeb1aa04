#include "kits/app/Looper.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <unordered_set>

#include "kits/app/Message.h"
#include "kits/app/MessageFilter.h"

namespace {

std::mutex sLoopersLock;

std::unordered_set<const BLooper*>& Loopers()
{
	static std::unordered_set<const BLooper*> loopers;
	return loopers;
}

} // namespace

bool BLooper::IsAlive(const BLooper* looper)
{
	std::lock_guard lock(sLoopersLock);
	return looper != nullptr && Loopers().count(looper) != 0;
}

BLooper::BLooper(const char* name) : BHandler(name), fQueue(std::make_unique<BMessageQueue>())
{
	// The looper is its own first handler.
	BHandler::fLooper = this;
	fDrainContext = new QObject;
	if (QCoreApplication* app = QCoreApplication::instance())
		fDrainContext->moveToThread(app->thread());
	std::lock_guard lock(sLoopersLock);
	Loopers().insert(this);
}

BLooper::~BLooper()
{
	{
		std::lock_guard lock(sLoopersLock);
		Loopers().erase(this);
	}
	// Deleting the context drops the drains still scheduled for this looper.
	delete fDrainContext;
	for (BMessageFilter* filter : fFilters) {
		filter->fLooper = nullptr;
		delete filter;
	}
	for (BHandler* handler : fHandlers)
		handler->fLooper = nullptr;
	BHandler::fLooper = nullptr;
}

status_t BLooper::PostMessage(uint32 what)
{
	BMessage message(what);
	return Enqueue(&message, nullptr, false);
}

status_t BLooper::PostMessage(BMessage* message)
{
	return Enqueue(message, nullptr, false);
}

status_t BLooper::PostMessage(uint32 what, BHandler* handler)
{
	BMessage message(what);
	return Enqueue(&message, handler, false);
}

status_t BLooper::PostMessage(BMessage* message, BHandler* handler)
{
	return Enqueue(message, handler, false);
}

status_t BLooper::PostFilteredMessage(BMessage* message, BHandler* handler)
{
	return Enqueue(message, handler, true);
}

status_t BLooper::Enqueue(BMessage* message, BHandler* handler, bool filtered)
{
	if (message == nullptr)
		return B_BAD_VALUE;
	if (handler != nullptr && handler->Looper() != this)
		return B_MISMATCHED_VALUES;
	auto* copy = new BMessage(*message);
	copy->fTarget = handler == this ? nullptr : handler;
	copy->fFiltered = filtered;
	fQueue->AddMessage(copy);
	ScheduleDrain();
	return B_OK;
}

void BLooper::ScheduleDrain()
{
	if (fDrainScheduled.exchange(true))
		return;
	QMetaObject::invokeMethod(
	    fDrainContext, [this] { DrainOne(); }, Qt::QueuedConnection);
}

// One message per event, so that other loopers and Qt's own events interleave with a busy
// looper. While a handler of this looper runs (possibly in a nested event loop), the drain does
// nothing; the outer drain picks up again when the handler returns.
void BLooper::DrainOne()
{
	fDrainScheduled = false;
	if (fDispatching)
		return;
	if (fQuitPending) {
		DeleteSelf();
		return;
	}
	BMessage* message = fQueue->NextMessage();
	if (message == nullptr)
		return;

	fDispatching = true;
	BHandler* target = message->fTarget != nullptr ? message->fTarget : this;
	if (!message->fFiltered)
		target = RunCommonFilters(message, target);
	if (target != nullptr) {
		Lock();
		fCurrentMessage = message;
		DispatchMessage(message, target);
		fCurrentMessage = nullptr;
		Unlock();
	}
	delete message;
	fDispatching = false;

	if (fQuitPending) {
		DeleteSelf();
		return;
	}
	if (!fQueue->IsEmpty())
		ScheduleDrain();
}

void BLooper::RunAsDispatch(const std::function<void()>& hook)
{
	bool nested = fDispatching;
	fDispatching = true;
	Lock();
	hook();
	Unlock();
	fDispatching = nested;
	// The deletion a Quit asked for, and the messages that waited, follow from the event loop.
	if (!nested && (fQuitPending || !fQueue->IsEmpty()))
		ScheduleDrain();
}

void BLooper::DrainQueue()
{
	while (!fDispatching && !fQuitPending && !fQueue->IsEmpty())
		DrainOne();
}

BHandler* BLooper::RunCommonFilters(BMessage* message, BHandler* target)
{
	// A copy: a filter may add or remove filters.
	std::vector<BMessageFilter*> filters = fFilters;
	for (BMessageFilter* filter : filters) {
		if (!filter->FiltersAnyCommand() && filter->Command() != message->what)
			continue;
		if (filter->Filter(message, &target) == B_SKIP_MESSAGE)
			return nullptr;
		if (target == nullptr)
			target = this;
	}
	return target;
}

void BLooper::DispatchMessage(BMessage* message, BHandler* handler)
{
	if (handler == this && message->what == B_QUIT_REQUESTED) {
		if (QuitRequested())
			Quit();
		return;
	}
	handler->MessageReceived(message);
}

void BLooper::MessageReceived(BMessage* message)
{
	BHandler::MessageReceived(message);
}

bool BLooper::Lock()
{
	fLock.lock();
	fLockOwner = std::this_thread::get_id();
	++fLockCount;
	return true;
}

void BLooper::Unlock()
{
	if (fLockCount == 0 || fLockOwner.load() != std::this_thread::get_id())
		return;
	if (--fLockCount == 0)
		fLockOwner = std::thread::id();
	fLock.unlock();
}

bool BLooper::IsLocked() const
{
	return fLockCount > 0 && fLockOwner.load() == std::this_thread::get_id();
}

void BLooper::Quit()
{
	if (fDispatching) {
		fQuitPending = true;
		return;
	}
	DeleteSelf();
}

bool BLooper::QuitRequested()
{
	return true;
}

void BLooper::DeleteSelf()
{
	delete this;
}

void BLooper::AddCommonFilter(BMessageFilter* filter)
{
	if (filter == nullptr || filter->fLooper != nullptr)
		return;
	filter->fLooper = this;
	fFilters.push_back(filter);
}

bool BLooper::RemoveCommonFilter(BMessageFilter* filter)
{
	auto it = std::find(fFilters.begin(), fFilters.end(), filter);
	if (it == fFilters.end())
		return false;
	fFilters.erase(it);
	filter->fLooper = nullptr;
	return true;
}

void BLooper::AddHandler(BHandler* handler)
{
	if (handler == nullptr || handler == this || handler->fLooper == this)
		return;
	if (handler->fLooper != nullptr)
		handler->fLooper->RemoveHandler(handler);
	handler->fLooper = this;
	fHandlers.push_back(handler);
}

bool BLooper::RemoveHandler(BHandler* handler)
{
	auto it = std::find(fHandlers.begin(), fHandlers.end(), handler);
	if (it == fHandlers.end())
		return false;
	fHandlers.erase(it);
	handler->fLooper = nullptr;
	RemoveTargetsTo(handler);
	return true;
}

// Messages waiting for a handler that left the looper have nowhere to go.
void BLooper::RemoveTargetsTo(BHandler* handler)
{
	fQueue->Lock();
	for (int32 i = 0; BMessage* message = fQueue->FindMessage(i);) {
		if (message->fTarget == handler) {
			fQueue->RemoveMessage(message);
			delete message;
		} else {
			++i;
		}
	}
	fQueue->Unlock();
}
