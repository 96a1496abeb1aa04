#include "kits/app/MessageQueue.h"

#include <algorithm>

#include "kits/app/Message.h"

BMessageQueue::BMessageQueue() = default;

BMessageQueue::~BMessageQueue()
{
	for (BMessage* message : fMessages)
		delete message;
}

void BMessageQueue::AddMessage(BMessage* message)
{
	if (message == nullptr)
		return;
	std::lock_guard lock(fLock);
	fMessages.push_back(message);
}

BMessage* BMessageQueue::NextMessage()
{
	std::lock_guard lock(fLock);
	if (fMessages.empty())
		return nullptr;
	BMessage* message = fMessages.front();
	fMessages.pop_front();
	return message;
}

BMessage* BMessageQueue::FindMessage(int32 index) const
{
	std::lock_guard lock(fLock);
	if (index < 0 || size_t(index) >= fMessages.size())
		return nullptr;
	return fMessages[size_t(index)];
}

BMessage* BMessageQueue::FindMessage(uint32 what, int32 index) const
{
	std::lock_guard lock(fLock);
	if (index < 0)
		return nullptr;
	for (BMessage* message : fMessages) {
		if (message->what == what && index-- == 0)
			return message;
	}
	return nullptr;
}

void BMessageQueue::RemoveMessage(BMessage* message)
{
	std::lock_guard lock(fLock);
	auto it = std::find(fMessages.begin(), fMessages.end(), message);
	if (it != fMessages.end())
		fMessages.erase(it);
}

int32 BMessageQueue::CountMessages() const
{
	std::lock_guard lock(fLock);
	return int32(fMessages.size());
}

bool BMessageQueue::IsEmpty() const
{
	std::lock_guard lock(fLock);
	return fMessages.empty();
}

bool BMessageQueue::Lock()
{
	fLock.lock();
	return true;
}

void BMessageQueue::Unlock()
{
	fLock.unlock();
}
