#include "kits/app/Looper.h"

#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "kits/app/AppDefs.h"
#include "kits/app/Message.h"
#include "kits/app/MessageFilter.h"
#include "kits/app/MessageQueue.h"
#include "kits/app/Messenger.h"
#include "kits/interface/Alert.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/Window.h"

namespace {

constexpr uint32 kFirst = four_char_code("frst");
constexpr uint32 kCurve = four_char_code("cvmm");
constexpr uint32 kOther = four_char_code("othr");
constexpr uint32 kAlert = four_char_code("alrt");
constexpr uint32 kLater = four_char_code("latr");

// Logs each message it handles as "code" or "code:n" with the int32 field "n".
std::string Describe(const BMessage* message)
{
	char code[5] = {char(message->what >> 24), char(message->what >> 16), char(message->what >> 8),
	    char(message->what), 0};
	int32 n = 0;
	if (message->FindInt32("n", &n) == B_OK)
		return std::string(code) + ":" + std::to_string(n);
	return code;
}

class RecordingLooper : public BLooper {
public:
	std::vector<std::string> log;
	std::function<void(BMessage*)> onMessage;
	bool* deleted = nullptr;

	~RecordingLooper() override
	{
		if (deleted != nullptr)
			*deleted = true;
	}

	void MessageReceived(BMessage* message) override
	{
		log.push_back(Describe(message));
		if (onMessage)
			onMessage(message);
	}
};

class RecordingHandler : public BHandler {
public:
	explicit RecordingHandler(const char* name) : BHandler(name) {}
	std::vector<std::string> log;
	void MessageReceived(BMessage* message) override { log.push_back(Describe(message)); }
};

BMessage Numbered(uint32 what, int32 n)
{
	BMessage message(what);
	message.AddInt32("n", n);
	return message;
}

TEST(MessageQueue, KeepsOrderFindsByCodeAndIndexAndHandsOverRemovedMessages)
{
	BMessageQueue queue;
	EXPECT_TRUE(queue.IsEmpty());
	auto* a = new BMessage(kFirst);
	auto* b = new BMessage(kCurve);
	auto* c = new BMessage(kCurve);
	queue.AddMessage(a);
	queue.AddMessage(b);
	queue.AddMessage(c);
	EXPECT_EQ(queue.CountMessages(), 3);
	EXPECT_EQ(queue.FindMessage(int32(0)), a);
	EXPECT_EQ(queue.FindMessage(int32(2)), c);
	EXPECT_EQ(queue.FindMessage(int32(3)), nullptr);
	EXPECT_EQ(queue.FindMessage(kCurve, 0), b);
	EXPECT_EQ(queue.FindMessage(kCurve, 1), c);
	EXPECT_EQ(queue.FindMessage(kCurve, 2), nullptr);
	EXPECT_EQ(queue.FindMessage(kOther, 0), nullptr);

	queue.RemoveMessage(b);
	EXPECT_EQ(queue.CountMessages(), 2);
	EXPECT_EQ(queue.FindMessage(kCurve, 0), c);
	delete b; // removal hands the message over

	BMessage* next = queue.NextMessage();
	EXPECT_EQ(next, a);
	delete next;
	next = queue.NextMessage();
	EXPECT_EQ(next, c);
	delete next;
	EXPECT_EQ(queue.NextMessage(), nullptr);
	EXPECT_TRUE(queue.IsEmpty());
}

TEST(Looper, DispatchesCopiesInPostingOrderOnTheEventLoop)
{
	auto* looper = new RecordingLooper;
	BMessage message = Numbered(kFirst, 1);
	looper->PostMessage(&message);
	message.RemoveName("n");
	message.AddInt32("n", 2); // the queue holds a copy
	looper->PostMessage(&message);
	looper->PostMessage(kOther);
	EXPECT_TRUE(looper->log.empty()) << "posting never dispatches at once";
	EXPECT_EQ(looper->MessageQueue()->CountMessages(), 3);
	ProcessEvents();
	EXPECT_EQ(looper->log, (std::vector<std::string>{"frst:1", "frst:2", "othr"}));
	EXPECT_TRUE(looper->MessageQueue()->IsEmpty());
	delete looper;
}

TEST(Looper, HandlerSeesAndPrunesLaterMessagesWhileItRuns)
{
	auto* looper = new RecordingLooper;
	std::vector<int32> countsSeen;
	looper->onMessage = [&](BMessage* message) {
		if (message->what != kCurve)
			return;
		BMessageQueue* queue = looper->MessageQueue();
		countsSeen.push_back(queue->CountMessages());
		// Keep only the newest waiting curve message.
		while (queue->FindMessage(kCurve, 1) != nullptr) {
			BMessage* oldest = queue->FindMessage(kCurve, 0);
			queue->RemoveMessage(oldest);
			delete oldest;
		}
	};
	for (int32 n = 1; n <= 5; n++) {
		BMessage message = Numbered(kCurve, n);
		looper->PostMessage(&message);
	}
	looper->PostMessage(kOther);
	ProcessEvents();
	EXPECT_EQ(looper->log, (std::vector<std::string>{"cvmm:1", "cvmm:5", "othr"}));
	EXPECT_EQ(countsSeen, (std::vector<int32>{5, 1}));
	delete looper;
}

int32 sAnyCommandCalls = 0;

filter_result CountEveryMessage(BMessage*, BHandler**, BMessageFilter*)
{
	sAnyCommandCalls++;
	return B_DISPATCH_MESSAGE;
}

class CurveFilter : public BMessageFilter {
public:
	explicit CurveFilter(BHandler* side)
	    : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE, kCurve), fSide(side)
	{
	}

	int32 calls = 0;
	BLooper* looperSeen = nullptr;

	// n = 1 is dropped, n = 2 goes to the side handler, the rest pass.
	filter_result Filter(BMessage* message, BHandler** target) override
	{
		calls++;
		looperSeen = Looper();
		int32 n = 0;
		message->FindInt32("n", &n);
		if (n == 1)
			return B_SKIP_MESSAGE;
		if (n == 2)
			*target = fSide;
		return B_DISPATCH_MESSAGE;
	}

private:
	BHandler* fSide;
};

TEST(Looper, CommonFiltersSkipRetargetAndSeeOnlyTheirCode)
{
	auto* looper = new RecordingLooper;
	auto* side = new RecordingHandler("side");
	looper->AddHandler(side);
	auto* filter = new CurveFilter(side);
	looper->AddCommonFilter(filter);
	sAnyCommandCalls = 0;
	looper->AddCommonFilter(new BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE, &CountEveryMessage));
	EXPECT_EQ(looper->CountCommonFilters(), 2);

	for (int32 n = 1; n <= 3; n++) {
		BMessage message = Numbered(kCurve, n);
		looper->PostMessage(&message);
	}
	looper->PostMessage(kOther);
	ProcessEvents();
	EXPECT_EQ(filter->calls, 3) << "a filter with a code sees only that code";
	EXPECT_EQ(filter->looperSeen, looper);
	EXPECT_EQ(sAnyCommandCalls, 3) << "the skipped message goes no further";
	EXPECT_EQ(side->log, (std::vector<std::string>{"cvmm:2"}));
	EXPECT_EQ(looper->log, (std::vector<std::string>{"cvmm:3", "othr"}));
	delete looper;
	delete side;
}

TEST(Looper, NoReentrantDispatchWhileItsHandlerWaitsInAModalAlert)
{
	class Window : public BWindow {
	public:
		Window() : BWindow(BRect(0, 0, 99, 99), "w", B_TITLED_WINDOW, 0) {}
		std::vector<std::string> log;
		int32 answer = -5;
		void MessageReceived(BMessage* message) override
		{
			log.push_back(Describe(message));
			if (message->what == kAlert) {
				answer = (new BAlert("title", "text", "No", "Yes"))->Go();
				log.push_back("alert done");
			}
		}
	};
	auto* editor = new Window;
	auto* other = new RecordingLooper;

	std::vector<std::string> seenInAlert;
	int32 waitingInQueue = -1;
	BAlert::SetAnswerHook([&](BAlert& alert) {
		EXPECT_STREQ(alert.Title(), "title");
		EXPECT_STREQ(alert.Text(), "text");
		EXPECT_EQ(alert.CountButtons(), 2);
		EXPECT_STREQ(alert.ButtonLabel(1), "Yes");
		editor->PostMessage(kLater);
		other->PostMessage(kOther);
		QTest::qWait(30);
		seenInAlert = editor->log;
		waitingInQueue = editor->MessageQueue()->FindMessage(kLater, 0) != nullptr ? 1 : 0;
		EXPECT_EQ(other->log, (std::vector<std::string>{"othr"}))
		    << "another looper keeps dispatching";
		return 1;
	});
	editor->PostMessage(kAlert);
	ProcessEvents();
	BAlert::SetAnswerHook(nullptr);

	EXPECT_EQ(seenInAlert, (std::vector<std::string>{"alrt"}));
	EXPECT_EQ(waitingInQueue, 1);
	EXPECT_EQ(editor->answer, 1);
	EXPECT_EQ(editor->log, (std::vector<std::string>{"alrt", "alert done", "latr"}));
	editor->Quit();
	delete other;
}

TEST(Looper, QuitFromItsOwnHandlerDeletesAfterTheHandlerReturns)
{
	bool deleted = false;
	auto* looper = new RecordingLooper;
	looper->deleted = &deleted;
	bool aliveAfterQuit = false;
	looper->onMessage = [&](BMessage*) {
		looper->Quit();
		aliveAfterQuit = !deleted;
	};
	looper->PostMessage(kFirst);
	looper->PostMessage(kOther);
	ProcessEvents();
	EXPECT_TRUE(aliveAfterQuit);
	EXPECT_TRUE(deleted);
}

TEST(Looper, QuitRequestedDecidesOnQuitRequests)
{
	class Reluctant : public RecordingLooper {
	public:
		bool allow = false;
		int32 asked = 0;
		bool QuitRequested() override
		{
			asked++;
			return allow;
		}
	};
	bool deleted = false;
	auto* looper = new Reluctant;
	looper->deleted = &deleted;
	looper->PostMessage(B_QUIT_REQUESTED);
	ProcessEvents();
	EXPECT_EQ(looper->asked, 1);
	EXPECT_FALSE(deleted);
	looper->allow = true;
	looper->PostMessage(B_QUIT_REQUESTED);
	ProcessEvents();
	EXPECT_TRUE(deleted);
}

TEST(Looper, LockIsRecursiveAndOwnedByTheLockingThread)
{
	auto* looper = new RecordingLooper;
	EXPECT_FALSE(looper->IsLocked());
	EXPECT_TRUE(looper->Lock());
	EXPECT_TRUE(looper->Lock());
	looper->Unlock();
	EXPECT_TRUE(looper->IsLocked());
	bool lockedElsewhere = true;
	std::thread([&] { lockedElsewhere = looper->IsLocked(); }).join();
	EXPECT_FALSE(lockedElsewhere);
	looper->Unlock();
	EXPECT_FALSE(looper->IsLocked());
	delete looper;
}

TEST(Messenger, DeliversToItsHandlerAndTurnsInvalidWithTheLooper)
{
	auto* looper = new RecordingLooper;
	auto* handler = new RecordingHandler("h");
	looper->AddHandler(handler);
	BMessenger toHandler(handler);
	BMessenger toLooper(nullptr, looper);
	EXPECT_TRUE(toHandler.IsValid());
	BLooper* found = nullptr;
	EXPECT_EQ(toHandler.Target(&found), handler);
	EXPECT_EQ(found, looper);

	BMessage message = Numbered(kFirst, 7);
	EXPECT_EQ(toHandler.SendMessage(&message), B_OK);
	EXPECT_EQ(toLooper.SendMessage(kOther), B_OK);
	ProcessEvents();
	EXPECT_EQ(handler->log, (std::vector<std::string>{"frst:7"}));
	EXPECT_EQ(looper->log, (std::vector<std::string>{"othr"}));

	RecordingHandler loose("loose");
	BMessenger unattached(&loose);
	EXPECT_FALSE(unattached.IsValid());

	// A handler that leaves takes its waiting messages with it.
	toHandler.SendMessage(kFirst);
	looper->RemoveHandler(handler);
	EXPECT_TRUE(looper->MessageQueue()->IsEmpty());
	EXPECT_FALSE(toHandler.IsValid());
	delete handler;

	delete looper;
	EXPECT_FALSE(toLooper.IsValid());
	EXPECT_NE(toLooper.SendMessage(kOther), B_OK);
}

} // namespace
