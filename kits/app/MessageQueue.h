// BMessageQueue: a looper's FIFO of waiting messages. The queue owns what it holds.
#pragma once

#include <deque>
#include <mutex>

#include "kits/support/SupportDefs.h"

class BMessage;

class BMessageQueue {
public:
	BMessageQueue();
	~BMessageQueue();

	BMessageQueue(const BMessageQueue&) = delete;
	BMessageQueue& operator=(const BMessageQueue&) = delete;

	// Appends the message; the queue takes ownership.
	void AddMessage(BMessage* message);
	// Takes the oldest message out of the queue; the caller owns it. nullptr when empty.
	BMessage* NextMessage();
	// The message at index (0 = oldest), or the index-th message with the code what; nullptr
	// when there is none. The message stays in the queue.
	BMessage* FindMessage(int32 index) const;
	BMessage* FindMessage(uint32 what, int32 index) const;
	// Takes the message out of the queue without deleting it: the caller owns it afterwards.
	// Does nothing when the message is not queued.
	void RemoveMessage(BMessage* message);

	int32 CountMessages() const;
	bool IsEmpty() const;

	// The queue is safe to use from several threads on its own; Lock lets a caller keep it
	// still across several calls.
	bool Lock();
	void Unlock();

private:
	mutable std::recursive_mutex fLock;
	std::deque<BMessage*> fMessages;
};
