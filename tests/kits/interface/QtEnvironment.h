// One QApplication for a whole test program, made before the first test, and helpers that let
// queued work (looper drains, posted events) run.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

class QtEnvironment : public ::testing::Environment {
public:
	void SetUp() override
	{
		if (QApplication::instance() == nullptr) {
			static int argc = 1;
			static char name[] = "tunk-test";
			static char* argv[] = {name, nullptr};
			new QApplication(argc, argv);
		}
	}
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Runs the event loop until nothing posted is left (a drain may post further drains).
inline void ProcessEvents()
{
	for (int i = 0; i < 20; i++) {
		QCoreApplication::sendPostedEvents();
		QCoreApplication::processEvents(QEventLoop::AllEvents);
	}
}

// Runs the event loop until the condition holds or the time runs out; returns the condition.
inline bool ProcessEventsUntil(const std::function<bool()>& condition, int milliseconds = 3000)
{
	QElapsedTimer timer;
	timer.start();
	while (!condition()) {
		if (timer.elapsed() > milliseconds)
			return false;
		QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
	}
	return true;
}
