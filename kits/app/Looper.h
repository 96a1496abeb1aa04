// BLooper: a handler with its own message queue. Every looper runs on the GUI thread; a looper
// dispatches its messages one at a time and never re-entrantly: while one of its handlers runs
// (also inside a modal alert's nested event loop) its later messages wait in its queue, where
// MessageQueue() can see and prune them. Other loopers keep dispatching meanwhile.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "kits/app/Handler.h"
#include "kits/app/MessageQueue.h"
#include "kits/support/SupportDefs.h"

class BMessage;
class BMessageFilter;
class QObject;

class BLooper : public BHandler {
public:
	explicit BLooper(const char* name = nullptr);
	~BLooper() override;

	// Append a copy of the message (or a bare message of the code) to the queue and schedule a
	// drain on the GUI thread. The handler, when given, must belong to this looper; without one
	// the looper's preferred handler (the looper itself) gets it. Safe from any thread.
	status_t PostMessage(uint32 what);
	status_t PostMessage(BMessage* message);
	status_t PostMessage(uint32 what, BHandler* handler);
	status_t PostMessage(BMessage* message, BHandler* handler);

	// Hands the message to the handler's MessageReceived; loopers override it to treat system
	// messages first.
	virtual void DispatchMessage(BMessage* message, BHandler* handler);
	void MessageReceived(BMessage* message) override;

	// A recursive lock; the looper holds it while it dispatches.
	bool Lock();
	void Unlock();
	bool IsLocked() const;

	// Deletes the looper (later, if it is dispatching right now).
	virtual void Quit();
	// Asked before quitting on B_QUIT_REQUESTED; true lets the looper quit.
	virtual bool QuitRequested();

	BMessageQueue* MessageQueue() const { return fQueue.get(); }
	// The message being dispatched, nullptr outside a dispatch.
	BMessage* CurrentMessage() const { return fCurrentMessage; }

	// Filters run, in the order added, on every message before it reaches its handler. The
	// looper owns them.
	void AddCommonFilter(BMessageFilter* filter);
	bool RemoveCommonFilter(BMessageFilter* filter);
	int32 CountCommonFilters() const { return int32(fFilters.size()); }

	void AddHandler(BHandler* handler);
	bool RemoveHandler(BHandler* handler);
	int32 CountHandlers() const { return int32(fHandlers.size()); }

	// True while a handler of this looper runs.
	bool IsDispatching() const { return fDispatching; }

	// Runs the common filters on a message meant for target: returns the handler that should
	// get it, or nullptr when a filter skipped it.
	BHandler* RunCommonFilters(BMessage* message, BHandler* target);

	// Whether the looper still exists (for messengers that outlive their target).
	static bool IsAlive(const BLooper* looper);

protected:
	// Posts a message whose common filters have already run (key presses are filtered before
	// they are queued).
	status_t PostFilteredMessage(BMessage* message, BHandler* handler);

	// Runs a hook of one of the looper's handlers (a view's mouse or key hook) as a dispatch:
	// locked, with the looper's later messages waiting and a Quit deferred until it returns.
	void RunAsDispatch(const std::function<void()>& hook);

	// Dispatches every message that is waiting right now, as the event loop would; for loopers
	// that want to finish their queue before they go.
	void DrainQueue();

	// Deletes this looper; subclasses that must tear down first override it.
	virtual void DeleteSelf();

private:
	status_t Enqueue(BMessage* message, BHandler* handler, bool filtered);
	void ScheduleDrain();
	void DrainOne();
	void RemoveTargetsTo(BHandler* handler);

	std::unique_ptr<BMessageQueue> fQueue;
	std::vector<BMessageFilter*> fFilters;
	std::vector<BHandler*> fHandlers;
	mutable std::recursive_mutex fLock;
	std::atomic<std::thread::id> fLockOwner{};
	int32 fLockCount = 0;
	std::atomic<bool> fDrainScheduled{false};
	BMessage* fCurrentMessage = nullptr;
	bool fDispatching = false;
	bool fQuitPending = false;
	QObject* fDrainContext = nullptr;
};
