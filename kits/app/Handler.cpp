#include "kits/app/Handler.h"

#include <mutex>
#include <unordered_set>

#include "kits/app/AppPrivate.h"
#include "kits/app/Looper.h"

namespace {

std::mutex sAliveLock;

std::unordered_set<const BHandler*>& AliveHandlers()
{
	static std::unordered_set<const BHandler*> alive;
	return alive;
}

} // namespace

bool tunk_internal::HandlerAlive(const BHandler* handler)
{
	std::lock_guard lock(sAliveLock);
	return handler != nullptr && AliveHandlers().count(handler) != 0;
}

BHandler::BHandler(const char* name) : fName(name != nullptr ? name : "")
{
	std::lock_guard lock(sAliveLock);
	AliveHandlers().insert(this);
}

BHandler::~BHandler()
{
	if (fLooper != nullptr && fLooper != this)
		fLooper->RemoveHandler(this);
	std::lock_guard lock(sAliveLock);
	AliveHandlers().erase(this);
}

void BHandler::MessageReceived(BMessage*) {}

void BHandler::SetName(const char* name)
{
	fName = name != nullptr ? name : "";
}
